#include "linkcheck/checkcsv.h"

#include "text/csv.h"

using namespace Qt::StringLiterals;

namespace siteloom {

void writeCheckCsv(const CheckResults& results, LineWriter& writer, const QList<int>& listRows)
{
    writer.writeLine(u"\uFEFF番号,サイト名,サイト,サイトの URL,バナー,バナーの URL,相互リンク,詳細"_s);
    for (qsizetype row = 0; row < results.size(); ++row) {
        if (!results.isChecked(row))
            continue;
        const EntryCheck entry = results.at(row);
        const QString fields[] = {QString::number(listRows.isEmpty() ? entry.index : listRows[row] + 1),
                                  entry.name,
                                  statusLabel(entry.site.status),
                                  entry.site.url,
                                  statusLabel(entry.banner.status),
                                  entry.banner.url,
                                  statusLabel(entry.backlink),
                                  checkDetails(entry)};
        QString line;
        for (const QString& field : fields)
            line += csvField(field) + u',';
        line.chop(1);
        writer.writeLine(line);
    }
}

bool saveCheckCsv(const QString& path, const CheckResults& results, FileError* error,
                  const QList<int>& listRows)
{
    return writeUtf8TextFile(
        path, [&](LineWriter& writer) { writeCheckCsv(results, writer, listRows); }, error);
}

} // namespace siteloom
