#include "importing/importsource.h"

#include "importing/bookmarks.h"
#include "importing/pagerecovery.h"
#include "linkentry/linkentry.h"
#include "text/cp932.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <optional>

namespace siteloom {

namespace {

QStringList textLines(QStringView text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        lines.append(text.sliced(start, i - start).toString());
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.sliced(start).toString());
    return lines;
}

bool fail(ImportSourceError* error, ImportSourceError::Problem problem, const QString& path,
          const QString& reason = QString())
{
    if (error)
        *error = ImportSourceError{problem, FileError{QDir::toNativeSeparators(path), reason}};
    return false;
}

} // namespace

bool readImportSource(const QString& path, ImportSource* source, ImportSourceError* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(error, ImportSourceError::File, path, file.errorString());
    if (file.size() > largestImportSource)
        return fail(error, ImportSourceError::TooLarge, path);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(error, ImportSourceError::File, path, file.errorString());

    // Bookmarks files declare themselves in ASCII, whatever their charset.
    if (bytes.left(4096).toLower().contains("<!doctype netscape-bookmark-file-1>")) {
        QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
        if (!decoder.isValid())
            decoder = QStringDecoder(QStringDecoder::Utf8);
        const QString text = decoder.decode(bytes);
        ImportSource read;
        read.kind = ImportSource::Bookmarks;
        read.links = readBookmarks(text);
        *source = std::move(read);
        return true;
    }

    const std::optional<QString> text = cp932::decode(bytes);
    const QStringList lines = text ? textLines(*text) : QStringList();
    if (std::optional<PageInputs> page = recoverPage(lines)) {
        ImportSource read;
        read.kind = ImportSource::Page;
        read.page = std::move(*page);
        read.page.fileName = QFileInfo(path).fileName();
        for (const QString& entry : std::as_const(read.page.entries))
            read.links.links.append({splitEntry(entry), false, splitEntry(entry).siteUrl, QString()});
        *source = std::move(read);
        return true;
    }
    return fail(error,
                looksLikeOwnPage(lines) ? ImportSourceError::PageChanged : ImportSourceError::NotRecognised,
                path);
}

} // namespace siteloom
