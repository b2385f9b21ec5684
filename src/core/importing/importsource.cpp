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

#include <algorithm>
#include <cerrno>
#include <new>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace siteloom {

namespace {

// The lines of a text, without their ends, as views into it.
QList<QStringView> textLines(QStringView text)
{
    QList<QStringView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        lines.append(text.sliced(start, i - start));
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.sliced(start));
    return lines;
}

bool fail(ImportSourceError* error, ImportSourceError::Problem problem, const QString& path,
          const QString& reason = QString())
{
    if (error)
        *error = ImportSourceError{problem, FileError{QDir::toNativeSeparators(path), reason}};
    return false;
}

// Bytes read from the file at a time.
constexpr qsizetype pieceBytes = 64 * 1024;
// Text decoded at a time for the bookmarks reader: the most of the file held as text at once.
constexpr qsizetype textPiece = 512 * 1024;

// Reads up to size bytes onto the end of *bytes, fewer only at the end of the file; the count, or
// -1 with errno set.
qint64 readPiece(int fd, QByteArray* bytes, qsizetype size)
{
    const qsizetype start = bytes->size();
    bytes->resize(start + size);
    qsizetype got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, bytes->data() + start + got, size_t(size - got));
        if (n == 0)
            break;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            bytes->resize(start);
            return -1;
        }
        got += n;
    }
    bytes->resize(start + got);
    return got;
}

// The rest of the file's bytes after those already in *bytes, at most largestImportSource in all
// whatever its size says (a file may grow while it is read).
bool readRest(int fd, const QString& path, QByteArray* bytes, ImportSourceError* error)
{
    while (true) {
        const qint64 got = readPiece(fd, bytes, pieceBytes);
        if (got < 0)
            return fail(error, ImportSourceError::File, path, systemReason(errno));
        if (bytes->size() > largestImportSource)
            return fail(error, ImportSourceError::TooLarge, path);
        if (got == 0)
            return true;
    }
}

// Where UTF-8 bytes can be cut so that the piece before ends with a whole character: before a
// sequence the bytes do not finish.
qsizetype wholeCharacters(QByteArrayView bytes)
{
    const qsizetype size = bytes.size();
    for (qsizetype back = 1; back <= 3 && back <= size; ++back) {
        const auto byte = uchar(bytes[size - back]);
        if ((byte & 0xC0) == 0x80)
            continue; // a continuation byte
        const qsizetype length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? size - back : size;
    }
    return size;
}

// A UTF-8 file decoded piece by piece from its start, each piece cut after a whole character, so
// that the pieces decode to what the whole file would (a byte-order mark is skipped at its start
// only).
class Utf8Pieces
{
public:
    Utf8Pieces(int fd, const QString& path) : m_fd(fd), m_path(path) {}

    // Decodes the next piece onto *text; false at the end of the file, or on a failure (failed()).
    bool append(QString* text)
    {
        const qint64 got = readPiece(m_fd, &m_bytes, pieceBytes);
        if (got < 0) {
            fail(&m_error, ImportSourceError::File, m_path, systemReason(errno));
            return false;
        }
        m_total += got;
        if (m_total > largestImportSource) {
            fail(&m_error, ImportSourceError::TooLarge, m_path);
            return false;
        }
        const qsizetype cut = got == 0 ? m_bytes.size() : wholeCharacters(m_bytes);
        QStringDecoder decoder(QStringDecoder::Utf8, m_first ? QStringDecoder::Flag::Stateless
                                                             : QStringDecoder::Flag::Stateless |
                                                                   QStringDecoder::Flag::ConvertInitialBom);
        *text += decoder.decode(QByteArrayView(m_bytes).first(cut));
        m_valid = m_valid && !decoder.hasError();
        m_first = m_first && cut == 0;
        m_bytes.remove(0, cut);
        return got > 0;
    }

    [[nodiscard]] bool valid() const { return m_valid; }
    [[nodiscard]] bool failed() const { return m_error.has_value(); }
    [[nodiscard]] const std::optional<ImportSourceError>& error() const { return m_error; }

private:
    int m_fd;
    QString m_path;
    QByteArray m_bytes; // read, not yet decoded: a character cut off at the end of a piece
    qint64 m_total = 0;
    bool m_first = true;
    bool m_valid = true;
    std::optional<ImportSourceError> m_error;
    static bool fail(std::optional<ImportSourceError>* error, ImportSourceError::Problem problem,
                     const QString& path, const QString& reason = QString())
    {
        *error = ImportSourceError{problem, FileError{QDir::toNativeSeparators(path), reason}};
        return false;
    }
};

// False when the bytes are not UTF-8, found a piece at a time without holding their text (bytes that
// end inside a character may still be taken for UTF-8).
bool mayBeUtf8(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString piece(utf8.requiredSpace(pieceBytes), Qt::Uninitialized);
    for (qsizetype at = 0; at < bytes.size(); at += pieceBytes) {
        utf8.appendToBuffer(piece.data(), bytes.sliced(at, std::min(pieceBytes, bytes.size() - at)));
        if (utf8.hasError())
            return false;
    }
    return true;
}

// A page of this tool from its bytes: the code page it was written in, or UTF-8
// once an editor saved it again so. The page's text is held once, its lines as views into it, and
// let go as soon as the page is read; with a sink, each entry goes to it as a link as soon as it
// is taken out of the page.
bool readOwnPage(const QString& path, QByteArray bytes, ImportSource* source, ImportSourceError* error,
                 const LinkSink& sink)
{
    QString text = cp932::decode(bytes).value_or(QString());
    // The bytes are read again only as UTF-8: those that cannot be go now.
    if (!mayBeUtf8(bytes))
        bytes = QByteArray();
    QList<QStringView> lines = textLines(text);
    std::optional<PageInputs> page = recoverPage(lines);
    bool changed = looksLikeOwnPage(lines);
    if (!page) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString again = utf8.decode(bytes.startsWith("\xEF\xBB\xBF") ? bytes.sliced(3) : bytes);
        if (!utf8.hasError() && !again.isEmpty()) {
            text = std::move(again);
            lines = textLines(text);
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
    lines = {};
    text = QString();
    if (!page)
        return fail(error, changed ? ImportSourceError::PageChanged : ImportSourceError::NotRecognised, path);
    ImportSource read;
    read.links.unreadLines = std::move(unreadLines);
    read.edited = readEdited;
    read.kind = ImportSource::Page;
    read.page = std::move(*page);
    read.page.fileName = QFileInfo(path).fileName();
    for (QString& entry : read.page.entries) {
        LinkEntry fields = splitEntry(entry);
        QString url = fields.siteUrl;
        if (sink) {
            entry = QString();
            sink(ImportedLink{std::move(fields), false, std::move(url), QString()});
        } else {
            read.links.links.append(ImportedLink{std::move(fields), false, std::move(url), QString()});
        }
    }
    if (sink)
        read.page.entries.clear();
    *source = std::move(read);
    return true;
}

// A bookmarks file read whole: its charset is found from all its bytes.
bool readBookmarksFile(QByteArray bytes, ImportSource* source, const LinkSink& sink)
{
    // The charset the file names, else UTF-8 when it is valid UTF-8, else the one
    // the bytes look like: older browsers wrote Shift_JIS without naming it.
    QString text = decodePartnerPage(bytes, QByteArray());
    bytes = QByteArray();
    ImportSource read;
    read.kind = ImportSource::Bookmarks;
    read.links = readBookmarks(text, sink);
    *source = std::move(read);
    return true;
}

bool readFrom(const QString& path, ImportSource* source, ImportSourceError* error, const LinkSink& sink)
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

    // Bookmarks files declare themselves in ASCII, whatever their charset, and name it (if at all)
    // near their start.
    QByteArray bytes;
    if (readPiece(fd, &bytes, 4096) < 0)
        return fail(error, ImportSourceError::File, path, systemReason(errno));
    const bool bookmarks = bytes.toLower().contains("<!doctype netscape-bookmark-file-1>");
    const QStringDecoder named = QStringDecoder::decoderForHtml(bytes);
    if (!bookmarks ||
        (named.isValid() && QByteArrayView(named.name()).compare("UTF-8", Qt::CaseInsensitive) != 0)) {
        bytes.reserve(qsizetype(info.st_size) + 1);
        if (!readRest(fd, path, &bytes, error))
            return false;
        return bookmarks ? readBookmarksFile(std::move(bytes), source, sink)
                         : readOwnPage(path, std::move(bytes), source, error, sink);
    }

    // UTF-8, or no charset named: read in pieces, never held whole, once it is known to be UTF-8
    // throughout (a first pass that keeps nothing but the text's length).
    const auto fromStart = [&] { return ::lseek(fd, 0, SEEK_SET) == 0; };
    qsizetype size = 0;
    Utf8Pieces counting(fd, path);
    if (!fromStart())
        return fail(error, ImportSourceError::File, path, systemReason(errno));
    for (QString piece; counting.append(&piece); piece.resize(0))
        size += piece.size();
    if (counting.failed()) {
        if (error)
            *error = *counting.error();
        return false;
    }
    if (!counting.valid()) {
        bytes.clear();
        if (!fromStart())
            return fail(error, ImportSourceError::File, path, systemReason(errno));
        bytes.reserve(qsizetype(info.st_size) + 1);
        return readRest(fd, path, &bytes, error) && readBookmarksFile(std::move(bytes), source, sink);
    }
    if (!fromStart())
        return fail(error, ImportSourceError::File, path, systemReason(errno));
    Utf8Pieces pieces(fd, path);
    ImportSource read;
    read.kind = ImportSource::Bookmarks;
    read.links = readBookmarks(
        size,
        [&pieces](QString& text) {
            const qsizetype goal = text.size() + textPiece;
            bool more = true;
            while (more && text.size() < goal)
                more = pieces.append(&text);
            return more;
        },
        sink);
    if (pieces.failed()) {
        if (error)
            *error = *pieces.error();
        return false;
    }
    *source = std::move(read);
    return true;
}

} // namespace

bool readImportSource(const QString& path, ImportSource* source, ImportSourceError* error,
                      const LinkSink& sink)
{
    // Whatever the file holds, running out of memory while it is read ends in a
    // message, and the window keeps its list.
    try {
        return readFrom(path, source, error, sink);
    } catch (const std::bad_alloc&) {
        return fail(error, ImportSourceError::File, path, systemReason(ENOMEM));
    }
}

} // namespace siteloom
