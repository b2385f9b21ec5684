#include "page/pagefromlist.h"

#include "linkentry/linkentry.h"
#include "listfile/listfile.h"
#include "page/linkpage.h"
#include "text/cp932.h"
#include "text/textfile.h"

#include <QDir>
#include <QScopeGuard>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// The separator between an entry's fields, as the code page's two bytes.
constexpr quint16 separatorBytes = 0x8146;
static_assert(linkSeparator.unicode() == 0xFF1A);

// The whole file, or false.
bool readWhole(const QString& path, QByteArray* bytes)
{
    const int fd = openRegularFile(path, nullptr);
    if (fd < 0)
        return false;
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return false;
    // One more byte than the size, so that a file grown meanwhile is noticed and read on.
    bytes->resize(qsizetype(info.st_size) + 1);
    {
        const auto from = (quintptr(bytes->data()) + 0x1FFFFF) & ~quintptr(0x1FFFFF);
        const auto to = (quintptr(bytes->data()) + quintptr(bytes->size())) & ~quintptr(0x1FFFFF);
        if (to > from)
            ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
    }
    qsizetype got = 0;
    while (true) {
        if (got == bytes->size())
            bytes->resize(2 * bytes->size());
        const ssize_t n = ::read(fd, bytes->data() + got, size_t(bytes->size() - got));
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        got += n;
    }
    bytes->truncate(got);
    return true;
}

// The rows of one entry as bytes, cut where its fields go: the pieces of markup between them, each
// followed by the field that comes after it (or none after the last). Made once by writing the rows
// of an entry whose fields are marks, so the rows are the page writer's own.
struct RowPieces
{
    enum Field { Banner, Name, Url, None };
    struct Piece
    {
        QByteArray markup;
        Field then = None;
    };
    std::vector<Piece> pieces;

    RowPieces()
    {
        const QString marked = QString(QChar(1)) + linkSeparator + QChar(2) + linkSeparator + QChar(3);
        QString rows;
        buildEntryRows(marked, [&rows](QStringView line) {
            rows += line;
            rows += u"\r\n"_s;
        });
        Piece piece;
        for (const char byte : cp932::encode(rows)) {
            if (byte >= 1 && byte <= 3) {
                piece.then = Field(byte - 1);
                pieces.push_back(std::move(piece));
                piece = Piece();
            } else {
                piece.markup += byte;
            }
        }
        pieces.push_back(std::move(piece));
    }
};

const RowPieces& rowPieces()
{
    static const RowPieces pieces;
    return pieces;
}

} // namespace

bool ListFileBytes::read(const QString& path)
{
    m_entries.clear();
    if (!readWhole(path, &m_bytes))
        return false;
    const QByteArrayView bytes(m_bytes);
    // UTF-8 text, or a file that may be: the full reading decides.
    if (bytes.isValidUtf8())
        return false;

    // The count line: "list1=" and its digits.
    constexpr QByteArrayView countStart = "list1=";
    const qsizetype countEnd = bytes.indexOf('\n');
    if (!bytes.startsWith(countStart) || countEnd < 0 || bytes[countEnd - 1] != '\r')
        return false;
    // Every entry's line takes eight bytes at least ("ls000=" and CR LF): a count beyond that is short.
    qsizetype count = 0;
    for (const char digit : bytes.sliced(countStart.size(), countEnd - 1 - countStart.size())) {
        if (digit < '0' || digit > '9' || count > bytes.size() / 8)
            return false;
        count = 10 * count + (digit - '0');
    }
    if (count <= 0 || count > bytes.size() / 8)
        return false;

    m_entries.reserve(size_t(count));
    qsizetype at = countEnd + 1;
    for (qsizetype i = 0; i < count; ++i) {
        at = readEntry(i, at);
        if (at < 0)
            return false;
    }

    // The fields after the entries, read as the full reading reads them.
    const QByteArrayView rest = bytes.sliced(at);
    if (rest.contains('\0'))
        return false;
    const std::optional<QString> text = cp932::decode(rest);
    if (!text)
        return false;
    const ListFileContent content = parseListFileText(*text);
    if (content.entries || content.tooLong)
        return false;
    m_options = PageInputs();
    applyListFile(content, &m_options);
    return true;
}

qsizetype ListFileBytes::readEntry(qsizetype index, qsizetype start)
{
    // "ls", the index in at least three digits, "=".
    char key[24] = "ls";
    char* const digits = key + 2;
    const char* keyEnd = std::to_chars(digits, key + sizeof key - 1, index).ptr;
    if (keyEnd - digits < 3) {
        const qsizetype pad = 3 - (keyEnd - digits);
        std::memmove(digits + pad, digits, size_t(keyEnd - digits));
        std::memset(digits, '0', size_t(pad));
        keyEnd += pad;
    }
    *const_cast<char*>(keyEnd++) = '=';
    const QByteArrayView bytes(m_bytes);
    const QByteArrayView keyView(key, keyEnd - key);
    if (!bytes.sliced(start).startsWith(keyView))
        return -1;

    // The value, up to the CR LF that ends the line; a byte that does not come back as it is (CR
    // alone among them) leaves the entry to the slow way.
    Entry entry;
    entry.start = start + keyView.size();
    qsizetype at = cp932::comesBackEnd(bytes, entry.start, separatorBytes);
    for (; at + 1 < bytes.size() && bytes[at] == char(separatorBytes >> 8) &&
           bytes[at + 1] == char(separatorBytes & 0xFF);
         at = cp932::comesBackEnd(bytes, at + 2, separatorBytes)) {
        if (entry.first < 0)
            entry.first = qint32(at - entry.start);
        else if (entry.second < 0)
            entry.second = qint32(at - entry.start);
    }
    qsizetype end = at;
    if (end + 1 >= bytes.size() || bytes[end] != '\r' || bytes[end + 1] != '\n') {
        // Written the slow way, as long as the full reading would take it at all.
        entry.comesBack = false;
        end = bytes.indexOf('\n', entry.start) - 1;
        if (end < entry.start || bytes[end] != '\r')
            return -1;
        const std::optional<QString> text = cp932::decode(bytes.sliced(entry.start, end - entry.start));
        if (!text || text->contains(QChar(0)) || text->contains(u'\r'))
            return -1;
    }
    if (end - entry.start > std::numeric_limits<qint32>::max())
        return -1;
    entry.length = qint32(end - entry.start);
    m_entries.push_back(entry);
    return end + 2;
}

bool ListFileBytes::writePage(const QString& baseDirectory, QString* writtenPath, FileError* error) const
{
    const QString path = pageFilePath(baseDirectory, m_options.fileName);
    if (writtenPath)
        *writtenPath = QDir::toNativeSeparators(path);
    const auto writeRows = [this](LineWriter& writer) {
        constexpr qsizetype chunk = 256 * 1024;
        const RowPieces& rows = rowPieces();
        const char* const data = m_bytes.constData();
        QByteArray out;
        out.reserve(chunk + 4096);
        for (const Entry& entry : m_entries) {
            const qsizetype end = entry.start + entry.length;
            if (!entry.comesBack) {
                const QString text = *cp932::decode(QByteArrayView(data + entry.start, entry.length));
                buildEntryRows(text, [&out](QStringView line) {
                    out += cp932::encode(line);
                    out += "\r\n";
                });
            } else {
                // The fields as splitEntryView cuts them: no separator puts the whole value in the
                // banner, one leaves the URL empty.
                const qsizetype bannerEnd = entry.first < 0 ? end : entry.start + entry.first;
                const qsizetype nameStart = entry.first < 0 ? end : bannerEnd + 2;
                const qsizetype nameEnd = entry.second < 0 ? end : entry.start + entry.second;
                const qsizetype urlStart = entry.second < 0 ? end : nameEnd + 2;
                const std::array<QByteArrayView, 3> fields{
                    QByteArrayView(data + entry.start, bannerEnd - entry.start),
                    QByteArrayView(data + nameStart, nameEnd - nameStart),
                    QByteArrayView(data + urlStart, end - urlStart),
                };
                for (const RowPieces::Piece& piece : rows.pieces) {
                    out += piece.markup;
                    if (piece.then != RowPieces::None)
                        out += fields[piece.then];
                }
            }
            if (out.size() >= chunk) {
                writer.writeEncoded(out);
                out.resize(0);
            }
        }
        writer.writeEncoded(out);
    };
    return writeTextFile(
        path,
        [&](LineWriter& writer) {
            buildPage(
                m_options, [&writer](QStringView line) { writer.writeLine(line); },
                [&] { writeRows(writer); });
        },
        error);
}

} // namespace siteloom
