#include "page/pagefromlist.h"

#include "linkentry/linkentry.h"
#include "listfile/listfile.h"
#include "page/linkpage.h"
#include "text/cp932.h"
#include "text/textfile.h"

#include <QDir>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// The separator between an entry's fields, as the code page's two bytes.
constexpr quint16 separatorBytes = 0x8146;
static_assert(linkSeparator.unicode() == 0xFF1A);

// How much of the page is written at a time.
constexpr qsizetype pageChunk = 512 * 1024;

// The most bytes after the entries that are read: six fields, each as long as a text box holds, in
// two bytes a character.
constexpr qsizetype mostFieldBytes = 6 * 2 * (textBoxCapacity + 8);

// The lines of a file from an offset on, each with its LF (the last one without, when the file ends
// without it), read through one buffer that grows only for a line longer than it.
class FileLines
{
public:
    FileLines(int fd, qint64 offset) : m_fd(fd), m_offset(offset) { m_buffer.resize(64 * 1024); }

    // The next line, valid until the next call; false at the end. After a failed read the line
    // before it comes without its end, as at the end of the file.
    bool next(QByteArrayView* line)
    {
        while (true) {
            const auto* const start = m_buffer.constData() + m_at;
            if (const auto* lf = static_cast<const char*>(std::memchr(start, '\n', size_t(m_end - m_at)))) {
                *line = QByteArrayView(start, lf + 1 - start);
                m_at += line->size();
                return true;
            }
            if (m_atEnd) {
                *line = QByteArrayView(start, m_end - m_at);
                m_at = m_end;
                return !line->isEmpty();
            }
            fill();
        }
    }

    // What the buffer holds from the next line on: that line and any after it, the last perhaps
    // unfinished. Valid until the next call.
    [[nodiscard]] QByteArrayView rest() const
    {
        return QByteArrayView(m_buffer.constData() + m_at, m_end - m_at);
    }
    // Takes the first `length` bytes of rest() as the next line.
    void take(qsizetype length) { m_at += length; }
    // Reads more of the file after rest(); false at its end.
    bool more()
    {
        if (!m_atEnd)
            fill();
        return !m_atEnd;
    }

    // Where the next line starts in the file.
    qint64 position() const { return m_offset - (m_end - m_at); }

private:
    void fill()
    {
        // The unfinished line to the front, room after it, and the next piece of the file.
        std::memmove(m_buffer.data(), m_buffer.constData() + m_at, size_t(m_end - m_at));
        m_end -= m_at;
        m_at = 0;
        if (m_end == m_buffer.size())
            m_buffer.resize(2 * m_buffer.size());
        ssize_t got;
        do {
            got = ::pread(m_fd, m_buffer.data() + m_end, size_t(m_buffer.size() - m_end), m_offset);
        } while (got < 0 && errno == EINTR);
        m_atEnd = got <= 0;
        if (got > 0) {
            m_end += got;
            m_offset += got;
        }
    }

    int m_fd;
    qint64 m_offset; // of the byte after those in the buffer
    QByteArray m_buffer;
    qsizetype m_at = 0;  // the start of the next line in the buffer
    qsizetype m_end = 0; // the end of what the buffer holds
    bool m_atEnd = false;
};

// An entry line's key as this tool writes it, "ls", the index in three-digit form and "=": made for
// one index, then stepped on to the next in place.
class EntryKey
{
public:
    explicit EntryKey(qsizetype index)
    {
        const ThreeDigits<char> number(index);
        const std::string_view digits = number.view();
        m_end = std::copy(digits.begin(), digits.end(), std::copy_n("ls", 2, m_key.data())) - m_key.data();
        m_key[size_t(m_end++)] = '=';
    }

    [[nodiscard]] QByteArrayView view() const { return QByteArrayView(m_key.data(), m_end); }

    // The next index's key: the digits counted up, and one more in front when they were all nines.
    void next()
    {
        qsizetype at = m_end - 2;
        for (; at >= 2 && m_key[size_t(at)] == '9'; --at)
            m_key[size_t(at)] = '0';
        if (at >= 2) {
            ++m_key[size_t(at)];
            return;
        }
        std::memmove(m_key.data() + 3, m_key.data() + 2, size_t(m_end - 2));
        m_key[2] = '1';
        ++m_end;
    }

private:
    std::array<char, 32> m_key{};
    qsizetype m_end = 0;
};

// The rows of one entry as bytes, cut where its fields go: the pieces of markup between them, each
// followed by the field that comes after it (or none after the last). Made once by writing the rows
// of an entry whose fields are marks, so the rows are the page writer's own.
class RowPieces
{
public:
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
        for (const Piece& each : pieces) {
            markupSize += each.markup.size();
            fieldUses += each.then != None;
        }
    }

    // The most bytes the rows of an entry take, for a value of `size` bytes.
    [[nodiscard]] qsizetype mostBytes(qsizetype size) const { return markupSize + fieldUses * size; }

private:
    qsizetype markupSize = 0;
    qsizetype fieldUses = 0;
};

const RowPieces& rowPieces()
{
    static const RowPieces pieces;
    return pieces;
}

// An entry's value and, counted from its start, its first two separators (-1 when missing).
struct EntryValue
{
    QByteArrayView value;
    qsizetype first = -1;
    qsizetype second = -1;
    // The value decoded, when a byte of it does not come back as it is through decoding and
    // encoding; the entry is then written the slow way.
    std::optional<QString> text;
};

// Looks at a value from `from` up to where its bytes stop coming back as they are, noting the
// first two separators on the way (counted from `from`); returns where it stopped.
qsizetype scanValue(QByteArrayView bytes, qsizetype from, EntryValue* entry)
{
    qsizetype at = cp932::comesBackEnd(bytes, from, separatorBytes);
    for (; at + 1 < bytes.size() && ((uchar(bytes[at]) << 8) | uchar(bytes[at + 1])) == separatorBytes;
         at = cp932::comesBackEnd(bytes, at + 2, separatorBytes)) {
        if (entry->first < 0)
            entry->first = at - from;
        else if (entry->second < 0)
            entry->second = at - from;
    }
    return at;
}

// The entry of a line that should start with `key`, read as the full reading reads it: nullopt when
// the line is not the entry's in the form this tool writes, or the full reading would not take it.
std::optional<EntryValue> readEntry(QByteArrayView key, QByteArrayView line)
{
    if (!line.startsWith(key) || !line.endsWith("\r\n"))
        return std::nullopt;
    // Up to the CR that ends the line, cut at its first two separators; a byte that does not come
    // back as it is (a CR or NUL among them) leaves the entry to the slow way.
    EntryValue entry;
    entry.value = line.sliced(key.size()).chopped(2);
    if (scanValue(entry.value, 0, &entry) < entry.value.size()) {
        entry.text = cp932::decode(entry.value);
        if (!entry.text || entry.text->contains(QChar(0)) || entry.text->contains(u'\r'))
            return std::nullopt;
    }
    return entry;
}

// The entry whose line starts `bytes` (lines after it may follow), when every byte of its value
// comes back as it is and the line ends in CR LF: then the scan of the value stops at its CR.
// *length is the line's length; -1 when the bytes end before that shows, and 0 when the line is
// not such.
std::optional<EntryValue> readPlainEntry(QByteArrayView key, QByteArrayView bytes, qsizetype* length)
{
    *length = -1;
    if (bytes.size() < key.size())
        return std::nullopt;
    *length = 0;
    if (!bytes.startsWith(key))
        return std::nullopt;
    EntryValue entry;
    const qsizetype end = scanValue(bytes, key.size(), &entry);
    if (end + 1 >= bytes.size()) {
        *length = -1;
        return std::nullopt;
    }
    if (bytes[end] != '\r' || bytes[end + 1] != '\n')
        return std::nullopt;
    entry.value = bytes.sliced(key.size(), end - key.size());
    *length = end + 2;
    return entry;
}

bool sameFile(int fd, qint64 size, qint64 changed)
{
    struct stat info;
    return ::fstat(fd, &info) == 0 && info.st_size == size &&
           qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec == changed;
}

} // namespace

ListFileBytes::~ListFileBytes()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool ListFileBytes::read(const QString& path)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_entryCount = 0;
    m_fd = openRegularFile(path, nullptr);
    struct stat info;
    if (m_fd < 0 || ::fstat(m_fd, &info) != 0)
        return false;
    m_size = info.st_size;
    m_changed = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;

    // The count line: "list1=" and its digits. Every entry's line takes eight bytes at least
    // ("ls000=" and CR LF): a count beyond that is short.
    constexpr QByteArrayView countStart = "list1=";
    char first[64];
    const ssize_t firstSize = ::pread(m_fd, first, sizeof first, 0);
    const QByteArrayView head(first, std::max<ssize_t>(firstSize, 0));
    const QByteArrayView line = head.first(head.indexOf('\n') + 1);
    if (!line.startsWith(countStart) || !line.endsWith("\r\n"))
        return false;
    m_blockStart = line.size();
    qsizetype count = 0;
    for (const char digit : line.sliced(countStart.size()).chopped(2)) {
        if (digit < '0' || digit > '9' || count > m_size / 8)
            return false;
        count = 10 * count + (digit - '0');
    }
    if (count <= 0 || count > m_size / 8)
        return false;

    // The options follow the last entry's line, looked for from the end of the file; the entries
    // are read when they are copied, which also tells whether the options start there indeed. The
    // options are short: a small piece of the end is read first, more only while the line is not
    // in it, up to the longest the options can be.
    const QByteArray lastKey = '\n' + EntryKey(count - 1).view().toByteArray();
    const qint64 mostWindow = std::min<qint64>(m_size - m_blockStart, mostFieldBytes + 64 * 1024);
    QByteArray window;
    qint64 windowStart = m_size;
    qsizetype lastLine = -1;
    for (qint64 windowSize = std::min<qint64>(mostWindow, 16 * 1024); lastLine < 0;
         windowSize = std::min(mostWindow, 4 * windowSize)) {
        const qint64 start = m_size - windowSize;
        window.prepend(windowStart - start, '\0');
        for (qint64 got = 0; got < windowStart - start;) {
            const ssize_t n =
                ::pread(m_fd, window.data() + got, size_t(windowStart - start - got), start + got);
            if (n == 0 || (n < 0 && errno != EINTR))
                return false;
            got += std::max<ssize_t>(n, 0);
        }
        windowStart = start;
        lastLine = window.lastIndexOf(lastKey);
        if (lastLine >= 0)
            ++lastLine;
        else if (windowStart == m_blockStart && window.startsWith(QByteArrayView(lastKey).sliced(1)))
            lastLine = 0;
        else if (windowSize == mostWindow)
            return false;
    }
    const qsizetype lastLineEnd = window.indexOf('\n', lastLine);
    if (lastLineEnd < 0)
        return false;
    m_optionsStart = windowStart + lastLineEnd + 1;

    // The options, read as the full reading reads them.
    const QByteArrayView rest = QByteArrayView(window).sliced(lastLineEnd + 1);
    m_optionsUtf8 = rest.isValidUtf8();
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
    m_entryCount = count;
    return true;
}

bool ListFileBytes::writePage(const QString& baseDirectory, QString* writtenPath, FileError* error,
                              bool* gaveUp) const
{
    const QString path = pageFilePath(baseDirectory, m_options.fileName);
    if (writtenPath)
        *writtenPath = QDir::toNativeSeparators(path);

    // The entries' lines, each read as the full reading reads it, up to where the options start; false
    // when they are not all there in the form this tool writes, or are UTF-8 throughout with the rest
    // (every line ends in an ASCII byte, so the lines can be looked at one by one).
    const auto writeRows = [this](LineWriter& writer) {
        if (!sameFile(m_fd, m_size, m_changed))
            return false;
        const RowPieces& rows = rowPieces();
        FileLines lines(m_fd, m_blockStart);
        // The rows are gathered in one buffer and handed on half a megabyte at a time: the system
        // puts large writes into the page cache in large pieces, for less than small ones cost.
        // Room for an entry's rows is made before they are copied in, piece by piece, with nothing
        // else to check.
        QByteArray out(pageChunk + 4096, Qt::Uninitialized);
        qsizetype used = 0;
        const auto room = [&out, &used](qsizetype size) {
            if (out.size() - used < size)
                out.resize(used + size);
            return out.data() + used;
        };
        const auto copy = [](char* to, QByteArrayView bytes) {
            std::memcpy(to, bytes.data(), size_t(bytes.size()));
            return to + bytes.size();
        };
        bool utf8 = m_optionsUtf8;
        EntryKey key(0);
        for (qsizetype index = 0; index < m_entryCount; ++index, key.next()) {
            // Most lines are read without looking for their end first (the scan of the value stops
            // at its CR); any other is left to readEntry.
            QByteArrayView line;
            qsizetype length = 0;
            std::optional<EntryValue> read;
            while (!(read = readPlainEntry(key.view(), lines.rest(), &length)) && length < 0 &&
                   lines.more()) {
            }
            if (read) {
                line = lines.rest().first(length);
                lines.take(length);
            } else if (!lines.next(&line) || !(read = readEntry(key.view(), line))) {
                return false;
            }
            utf8 = utf8 && line.isValidUtf8();
            const EntryValue& entry = *read;
            const QByteArrayView value = entry.value;
            if (entry.text) {
                buildEntryRows(*entry.text, [&](QStringView row) {
                    const QByteArray bytes = cp932::encode(row) + "\r\n";
                    used = copy(room(bytes.size()), bytes) - out.data();
                });
            } else {
                // The fields as splitEntryView cuts them: no separator puts the whole value in the
                // banner, one leaves the URL empty.
                const qsizetype end = value.size();
                const qsizetype bannerEnd = entry.first < 0 ? end : entry.first;
                const qsizetype nameStart = entry.first < 0 ? end : bannerEnd + 2;
                const qsizetype nameEnd = entry.second < 0 ? end : entry.second;
                const qsizetype urlStart = entry.second < 0 ? end : nameEnd + 2;
                const std::array<QByteArrayView, 3> fields{
                    value.first(bannerEnd),
                    value.sliced(nameStart, nameEnd - nameStart),
                    value.sliced(urlStart),
                };
                char* next = room(rows.mostBytes(value.size()));
                for (const RowPieces::Piece& piece : rows.pieces) {
                    next = copy(next, piece.markup);
                    if (piece.then != RowPieces::None)
                        next = copy(next, fields[piece.then]);
                }
                used = next - out.data();
            }
            if (used >= pageChunk) {
                writer.writeEncoded(QByteArrayView(out).first(used));
                used = 0;
            }
        }
        writer.writeEncoded(QByteArrayView(out).first(used));
        return !utf8 && lines.position() == m_optionsStart;
    };
    bool checked = false;
    const bool written = writeFileSafely(
        path,
        [&](QIODevice& device) {
            LineWriter writer(&device);
            bool rowsWritten = false;
            buildPage(
                m_options, [&writer](QStringView line) { writer.writeLine(line); },
                [&] { rowsWritten = writeRows(writer); });
            if (!rowsWritten)
                return WriteResult{false, 0, u"The list file is not in the form expected."_s};
            checked = true;
            return writer.finish() ? WriteResult{} : WriteResult{false, writer.systemError(), QString()};
        },
        error);
    *gaveUp = !written && !checked;
    return written;
}

} // namespace siteloom
