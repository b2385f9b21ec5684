#include "importing/importsource.h"

#include "importing/bookmarks.h"
#include "importing/pagerecovery.h"
#include "linkcheck/partnerpage.h"
#include "linkentry/linkentry.h"
#include "text/cp932.h"
#include "text/systemreason.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStringDecoder>

#include <cerrno>
#include <new>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

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

// The file's bytes, at most largestImportSource of them whatever its size says
// (a file may grow while it is read). Only a regular file is read: a FIFO, a
// device or a directory is refused at once.
bool readSource(const QString& path, QByteArray* bytes, ImportSourceError* error)
{
    ImportSourceError failure;
    const int fd = openRegularFile(path, &failure.file);
    if (fd < 0) {
        if (error)
            *error = failure;
        return false;
    }
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    struct stat info
    {
    };
    if (::fstat(fd, &info) == 0 && info.st_size > largestImportSource)
        return fail(error, ImportSourceError::TooLarge, path);
    bytes->reserve(qsizetype(info.st_size) + 1);
    QByteArray piece(64 * 1024, Qt::Uninitialized);
    while (true) {
        const ssize_t got = ::read(fd, piece.data(), size_t(piece.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return fail(error, ImportSourceError::File, path, systemReason(errno));
        if (got == 0)
            return true;
        if (bytes->size() + got > largestImportSource)
            return fail(error, ImportSourceError::TooLarge, path);
        bytes->append(piece.constData(), qsizetype(got));
    }
}

// A page of this tool from its bytes: the code page it was written in, or UTF-8
// once an editor saved it again so.
bool readOwnPage(const QString& path, const QByteArray& bytes, ImportSource* source, ImportSourceError* error)
{
    const std::optional<QString> text = cp932::decode(bytes);
    QStringList lines = text ? textLines(*text) : QStringList();
    std::optional<PageInputs> page = recoverPage(lines);
    bool changed = looksLikeOwnPage(lines);
    if (!page) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString again = utf8.decode(bytes.startsWith("\xEF\xBB\xBF") ? bytes.sliced(3) : bytes);
        if (!utf8.hasError() && !again.isEmpty()) {
            lines = textLines(again);
            page = recoverPage(lines);
            changed = changed || looksLikeOwnPage(lines);
        }
    }
    QList<qsizetype> unreadLines;
    bool readEdited = false;
    if (!page && changed) {
        // Edited by hand since: what can still be read, and which lines could not.
        if (std::optional<EditedPage> edited = recoverEditedPage(lines)) {
            page = std::move(edited->page);
            unreadLines = std::move(edited->unreadLines);
            readEdited = true;
        }
    }
    if (!page)
        return fail(error, changed ? ImportSourceError::PageChanged : ImportSourceError::NotRecognised, path);
    ImportSource read;
    read.links.unreadLines = std::move(unreadLines);
    read.edited = readEdited;
    read.kind = ImportSource::Page;
    read.page = std::move(*page);
    read.page.fileName = QFileInfo(path).fileName();
    for (const QString& entry : std::as_const(read.page.entries))
        read.links.links.append({splitEntry(entry), false, splitEntry(entry).siteUrl, QString()});
    *source = std::move(read);
    return true;
}

bool readFrom(const QString& path, ImportSource* source, ImportSourceError* error)
{
    QByteArray bytes;
    if (!readSource(path, &bytes, error))
        return false;
    // Bookmarks files declare themselves in ASCII, whatever their charset.
    if (!bytes.left(4096).toLower().contains("<!doctype netscape-bookmark-file-1>"))
        return readOwnPage(path, bytes, source, error);
    // The charset the file names, else UTF-8 when it is valid UTF-8, else the one
    // the bytes look like: older browsers wrote Shift_JIS without naming it.
    QString text = decodePartnerPage(bytes, QByteArray());
    bytes = QByteArray();
    ImportSource read;
    read.kind = ImportSource::Bookmarks;
    read.links = readBookmarks(text);
    *source = std::move(read);
    return true;
}

} // namespace

bool readImportSource(const QString& path, ImportSource* source, ImportSourceError* error)
{
    // Whatever the file holds, running out of memory while it is read ends in a
    // message, and the window keeps its list.
    try {
        return readFrom(path, source, error);
    } catch (const std::bad_alloc&) {
        return fail(error, ImportSourceError::File, path, systemReason(ENOMEM));
    }
}

} // namespace siteloom
