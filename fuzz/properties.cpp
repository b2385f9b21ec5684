#include "properties.h"

#include "importing/importsource.h"
#include "importing/pastedmarkup.h"
#include "listfile/listfile.h"
#include "messages/messages.h"
#include "page/linkpage.h"
#include "page/pagefromlist.h"
#include "text/cp932.h"
#include "weburl/weburl.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace siteloom::fuzz {

namespace {

bool writeFile(const QString& path, QByteArrayView bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes.data(), bytes.size()) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The inputs as one line per value, so that a difference shows where it is.
QString describe(const PageInputs& inputs)
{
    QString text = u"%1 entries, background %2"_s.arg(inputs.entries.size()).arg(inputs.background);
    for (const QString& value : {inputs.fileName, inputs.backgroundImage, inputs.title, inputs.ownBanner,
                                 inputs.ownName, inputs.ownUrl})
        text += u"\n  ["_s + value + u']';
    for (const QString& entry : inputs.entries)
        text += u"\n  entry ["_s + entry + u']';
    return text;
}

// A list that --build makes its page from as bytes is one the full reading takes whole, and gives
// the same page.
QString checkPageFromListBytes(const QString& list, bool takenWhole, const PageInputs& loaded,
                               const QDir& dir)
{
    ListFileBytes bytes;
    if (!bytes.read(list) ||
        checkPageInputs(bytes.entryCount(), bytes.options().fileName) != PageInputsProblem::None)
        return {};
    FileError error;
    bool gaveUp = false;
    if (!dir.mkpath(u"text"_s) || !dir.mkpath(u"bytes"_s))
        return u"cannot make the pages' directories"_s;
    const QString fromBytes = pageFilePath(dir.filePath(u"bytes"_s), bytes.options().fileName);
    QFile::remove(fromBytes);
    if (!bytes.writePage(dir.filePath(u"bytes"_s), nullptr, &error, &gaveUp))
        return gaveUp && !QFile::exists(fromBytes)
                   ? QString()
                   : u"the page from the list's bytes failed: "_s + error.reason;
    if (!takenWhole)
        return u"a page made from the list's bytes, but the full reading does not take the list whole"_s;
    PageInputs options = loaded;
    options.entries.clear();
    if (bytes.entryCount() != loaded.entries.size() || bytes.options() != options)
        return u"read as bytes, other inputs than the full reading's"_s;
    if (!writePageFile(dir.filePath(u"text"_s), loaded, nullptr, &error))
        return u"the page from the list's text failed: "_s + error.reason;
    if (readFile(pageFilePath(dir.filePath(u"text"_s), loaded.fileName)) != readFile(fromBytes))
        return u"the page from the list's bytes differs from the page from its text"_s;
    return {};
}

} // namespace

QString checkListFileRoundTrip(QByteArrayView bytes, const QString& directory)
{
    const QDir dir(directory);
    const QString original = dir.filePath(u"original.txt"_s);
    const QString saved = dir.filePath(u"saved.txt"_s);
    if (!writeFile(original, bytes))
        return u"cannot write the input to "_s + original;

    PageInputs loaded;
    ListFileReadError readError;
    std::optional<ShortEntryBlock> shortOriginal;
    const bool loads = loadListFile(original, &loaded, &readError, &shortOriginal);
    if (const QString problem = checkPageFromListBytes(original, loads && !shortOriginal, loaded, dir);
        !problem.isEmpty())
        return problem;
    if (!loads)
        return {}; // refused: nothing to save

    ListFileSaveError saveError;
    if (!saveListFile(saved, loaded, &saveError)) {
        if (saveError.unencodable || saveError.readsAsUtf8)
            return {}; // the inputs cannot be saved, and nothing was written
        return u"saving the loaded inputs failed: "_s + saveError.file.reason;
    }

    PageInputs reloaded;
    std::optional<ShortEntryBlock> shortBlock;
    if (!loadListFile(saved, &reloaded, &readError, &shortBlock))
        return u"the saved file does not load: "_s + readError.file.reason;
    if (shortBlock)
        return u"the saved file ends inside its entry block"_s;
    if (reloaded != loaded)
        return u"loading the saved file gives other inputs\nloaded:   "_s + describe(loaded) +
               u"\nreloaded: "_s + describe(reloaded);

    const QByteArray first = readFile(saved);
    if (!saveListFile(saved, reloaded, &saveError))
        return u"the reloaded inputs cannot be saved again"_s;
    if (readFile(saved) != first)
        return u"saving the reloaded inputs gives other bytes"_s;
    return {};
}

PageInputs pageInputsFromBytes(QByteArrayView bytes)
{
    PageInputs inputs;
    if (bytes.size() < 2)
        return inputs;
    inputs.background = uchar(bytes[0]) % (backgroundChoices + 1);
    const uchar takenFields = uchar(bytes[1]);

    QString text;
    for (qsizetype i = 2; i + 1 < bytes.size(); i += 2) {
        const char16_t unit = char16_t(uchar(bytes[i]) | (uchar(bytes[i + 1]) << 8));
        if (unit != u'\r' && unit != u'\n')
            text += QChar(unit);
    }
    QList<QStringView> pieces = QStringView(text).split(QChar(0xFFFF));
    QString* const fields[] = {&inputs.fileName,  &inputs.backgroundImage, &inputs.title,
                               &inputs.ownBanner, &inputs.ownName,         &inputs.ownUrl};
    for (int i = 0; i < 6; ++i) {
        if ((takenFields & (1 << i)) && !pieces.isEmpty())
            *fields[i] = pieces.takeFirst().toString();
    }
    for (const QStringView piece : std::as_const(pieces))
        inputs.entries.append(piece.toString());
    return inputs;
}

QString checkPage(QByteArrayView bytes, const QString& directory)
{
    PageInputs inputs = pageInputsFromBytes(bytes);
    // The file name only names the file; the page is the same whatever it is.
    inputs.fileName = u"page.html"_s;
    QString path;
    FileError error;
    if (!writePageFile(directory, inputs, &path, &error))
        return u"the page cannot be written: "_s + error.reason;
    const QByteArray page = readFile(QDir(directory).filePath(inputs.fileName));

    if (!cp932::decode(page))
        return u"the page is not valid Windows-31J"_s;
    if (!page.endsWith("\r\n"))
        return u"the page does not end in CR LF"_s;
    const qsizetype lines = page.count("\r\n");
    if (page.count('\r') != lines || page.count('\n') != lines)
        return u"the page holds a CR or LF outside a CR LF pair"_s;

    const bool ownUrl = !inputs.ownUrl.isEmpty();
    const bool linkBack =
        inputs.ownUrl != u"http://"_s && inputs.ownBanner != u"http://"_s && !inputs.ownName.isEmpty();
    const qsizetype expected = 28 + 6 * inputs.entries.size() + (ownUrl ? 3 : 0) + (linkBack ? 18 : 0);
    if (lines != expected)
        return u"the page has %1 lines, not %2, for %3"_s.arg(lines).arg(expected).arg(describe(inputs));
    return {};
}

namespace {

QString checkLinks(const LinkImport& links, const QString& source)
{
    for (const LinkEntry& entry : importedEntries(links, QString())) {
        if (!isWebUrl(entry.siteUrl))
            return source + u": an entry's site URL is not a web address: "_s + entry.siteUrl;
        for (const QString& field : {entry.bannerUrl, entry.siteName, entry.siteUrl}) {
            if (field.contains(u'\r') || field.contains(u'\n'))
                return source + u": a field holds a line break"_s;
            if (std::any_of(field.begin(), field.end(),
                            [](QChar c) { return c < u' ' || (c >= u'\x7f' && c <= u'\x9f'); }))
                return source + u": a field holds a control character"_s;
        }
    }
    return {};
}

} // namespace

QString checkImport(QByteArrayView bytes, const QString& directory)
{
    if (const QString problem = checkLinks(readPastedMarkup(QString::fromUtf8(bytes)), u"pasted"_s);
        !problem.isEmpty())
        return problem;
    const QString path = QDir(directory).filePath(u"in.html"_s);
    if (!writeFile(path, bytes))
        return u"the input cannot be written"_s;
    ImportSource source;
    ImportSourceError error;
    if (!readImportSource(path, &source, &error))
        return {};
    if (source.kind == ImportSource::Bookmarks)
        return checkLinks(source.links, u"bookmarks"_s);

    source.page.fileName = u"again.html"_s;
    FileError writeError;
    if (!writePageFile(directory, source.page, nullptr, &writeError))
        return u"the page cannot be written: "_s + writeError.reason;
    const QByteArray again = readFile(QDir(directory).filePath(source.page.fileName));
    // The input as the tool would spell it: its lines (ended as the reader ends them: CR LF, LF or
    // CR), each in the code page's own bytes, CR LF ends.
    QByteArray spelt;
    const std::optional<QString> text = cp932::decode(bytes);
    if (!text)
        return u"a page was read from bytes that are not Windows-31J"_s;
    QStringList lines = text->split(QRegularExpression(u"\r\n|\r|\n"_s));
    if (lines.size() > 1 && lines.back().isEmpty())
        lines.removeLast();
    for (const QString& line : lines)
        spelt += cp932::encode(line) + "\r\n";
    // Only a page read whole must write itself again; an edited one is read as far as it goes.
    if (spelt == bytes && !source.edited && again != spelt)
        return u"the page read back writes another page for "_s + describe(source.page);
    return {};
}

} // namespace siteloom::fuzz
