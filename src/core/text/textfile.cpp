#include "text/textfile.h"

#include "text/cp932.h"
#include "text/systemreason.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// UTF-16 code units collected before a chunk is encoded and written: 64 KiB of text.
constexpr qsizetype kChunkSize = 32 * 1024;

constexpr QStringView kLineEnd = u"\r\n";

// Bytes read from a file at a time: pieces this size decode and split while they are in the cache.
constexpr qint64 kReadSize = 64 * 1024;

void setError(FileError* error, const QString& path, const QString& reason)
{
    if (error)
        *error = FileError{QDir::toNativeSeparators(path), reason};
}

QString problemDescription(TextEncodingProblem problem)
{
    switch (problem) {
    case TextEncodingProblem::Utf8:
        return u"The file is UTF-8 text, not Windows-31J (Shift_JIS)."_s;
    case TextEncodingProblem::NulByte:
        return u"The file holds NUL bytes: it is not a text file."_s;
    case TextEncodingProblem::None:
    case TextEncodingProblem::NotWindows31J:
        break;
    }
    return u"The file is not valid Windows-31J (Shift_JIS) text."_s;
}

} // namespace

// Takes the bytes of a file in order, in pieces of any size, and tells what they are besides
// Windows-31J text: whether a NUL byte is among them, and whether they are UTF-8 text (they begin
// with the UTF-8 byte-order mark, or they are valid UTF-8 throughout and hold a Japanese character:
// U+3000-U+30FF, U+4E00-U+9FFF or U+FF00-U+FFEF). A UTF-8 sequence may run on from one piece into
// the next; only the sequence in progress is kept. Once the bytes are not valid UTF-8 only the
// search for NUL is left, at memchr's speed.
class TextEncodingCheck
{
public:
    void add(QByteArrayView bytes)
    {
        if (bytes.isEmpty())
            return;
        const auto* data = reinterpret_cast<const uchar*>(bytes.data());
        const qsizetype size = bytes.size();
        for (qsizetype i = 0; m_seen + i < qsizetype(sizeof byteOrderMark) && i < size; ++i)
            m_bomSoFar = m_bomSoFar && data[i] == byteOrderMark[m_seen + i];
        m_seen += size;
        m_nul = m_nul || std::memchr(data, 0, size_t(size)) != nullptr;
        if (m_validUtf8)
            followUtf8(data, size);
    }

    [[nodiscard]] bool sawNul() const { return m_nul; }
    [[nodiscard]] bool beginsWithByteOrderMark() const
    {
        return m_bomSoFar && m_seen >= qsizetype(sizeof byteOrderMark);
    }

    // What the bytes so far are, taken as a whole file: NulByte, Utf8 or None.
    [[nodiscard]] TextEncodingProblem problem() const
    {
        if (m_nul)
            return TextEncodingProblem::NulByte;
        if (beginsWithByteOrderMark() || (m_validUtf8 && m_left == 0 && m_japanese))
            return TextEncodingProblem::Utf8;
        return TextEncodingProblem::None;
    }

private:
    static constexpr uchar byteOrderMark[] = {0xEF, 0xBB, 0xBF};

    void followUtf8(const uchar* data, qsizetype size)
    {
        qsizetype i = 0;
        while (i < size) {
            if (m_left == 0) {
                // ASCII runs, the most of any list file, eight bytes at a time.
                while (size - i >= 8) {
                    quint64 eight;
                    std::memcpy(&eight, data + i, sizeof eight);
                    if (eight & 0x8080808080808080u)
                        break;
                    i += 8;
                }
                if (i == size)
                    return;
                const uchar lead = data[i++];
                if (lead < 0x80)
                    continue;
                // The length of the sequence and the smallest code point it may encode (shorter
                // forms of the same code point are not UTF-8).
                if (lead >= 0xC2 && lead <= 0xDF) {
                    m_left = 1;
                    m_codePoint = lead & 0x1F;
                    m_smallest = 0x80;
                } else if (lead >= 0xE0 && lead <= 0xEF) {
                    m_left = 2;
                    m_codePoint = lead & 0x0F;
                    m_smallest = 0x800;
                } else if (lead >= 0xF0 && lead <= 0xF4) {
                    m_left = 3;
                    m_codePoint = lead & 0x07;
                    m_smallest = 0x10000;
                } else {
                    m_validUtf8 = false;
                    return;
                }
                continue;
            }
            const uchar next = data[i++];
            if ((next & 0xC0) != 0x80) {
                m_validUtf8 = false;
                return;
            }
            m_codePoint = (m_codePoint << 6) | (next & 0x3F);
            if (--m_left > 0)
                continue;
            const char32_t c = m_codePoint;
            if (c < m_smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
                m_validUtf8 = false;
                return;
            }
            m_japanese = m_japanese || (c >= 0x3000 && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF) ||
                         (c >= 0xFF00 && c <= 0xFFEF);
        }
    }

    qsizetype m_seen = 0; // bytes taken so far
    bool m_bomSoFar = true;
    bool m_nul = false;
    bool m_validUtf8 = true;
    bool m_japanese = false;
    int m_left = 0; // continuation bytes the sequence in progress still needs
    char32_t m_codePoint = 0;
    char32_t m_smallest = 0;
};

LineWriter::LineWriter(QIODevice* device, Unencodable unencodable, Encoding encoding)
    : m_device(device), m_utf8(encoding == Encoding::Utf8)
{
    m_pending.reserve(kChunkSize + 2 * kLineEnd.size());
    if (unencodable == Unencodable::Refuse)
        m_check = std::make_unique<TextEncodingCheck>();
}

LineWriter::~LineWriter() = default;

void LineWriter::writeLine(QStringView line)
{
    if (m_failed)
        return;
    if (line.size() >= kChunkSize) {
        // A line longer than a chunk is encoded straight from the caller's text, not copied.
        flushPending();
        writeText(line);
        m_pending.append(kLineEnd);
        return;
    }
    m_pending.append(line);
    m_pending.append(kLineEnd);
    if (m_pending.size() >= kChunkSize)
        flushPending();
}

void LineWriter::writeEncoded(QByteArrayView bytes)
{
    flushPending();
    if (m_failed)
        return;
    if (m_check) {
        m_check->add(bytes);
        if (m_check->sawNul()) {
            refuse(TextEncodingProblem::NulByte);
            return;
        }
    }
    writeBytes(bytes);
}

bool LineWriter::finish()
{
    flushPending();
    // Only the whole text tells whether it reads as UTF-8.
    if (!m_failed && m_check && m_check->problem() == TextEncodingProblem::Utf8)
        refuse(TextEncodingProblem::Utf8);
    return !m_failed;
}

void LineWriter::flushPending()
{
    if (!m_pending.isEmpty()) {
        writeText(m_pending);
        m_pending.resize(0); // keeps the capacity for the next chunk
    }
}

void LineWriter::writeText(QStringView text)
{
    if (m_failed)
        return;
    if (m_utf8) {
        writeBytes(text.toUtf8());
        return;
    }
    bool referenced = false;
    const QByteArray bytes = cp932::encode(text, &referenced);
    if (m_check) {
        if (referenced) {
            refuse(TextEncodingProblem::NotWindows31J);
            return;
        }
        m_check->add(bytes);
        if (m_check->sawNul()) {
            refuse(TextEncodingProblem::NulByte);
            return;
        }
    }
    writeBytes(bytes);
}

void LineWriter::refuse(TextEncodingProblem problem)
{
    m_failed = true;
    m_refusal = problem;
}

void LineWriter::writeBytes(QByteArrayView bytes)
{
    // A short write is not an error yet: a full disk takes what fits and reports the error (and
    // with it the reason shown to the user) only on the next write.
    const char* data = bytes.constData();
    qint64 left = bytes.size();
    while (!m_failed && left > 0) {
        errno = 0;
        const qint64 written = m_device->write(data, left);
        if (written <= 0) {
            m_failed = true;
            m_systemError = errno;
        } else {
            data += written;
            left -= written;
        }
    }
}

namespace {

// Writes the producer's lines through the safe write, and says why the writer refused them.
bool writeFile(const QString& path, const std::function<void(LineWriter&)>& produce, FileError* error,
               LineWriter::Unencodable unencodable, TextEncodingProblem* refused,
               LineWriter::Encoding encoding = LineWriter::Encoding::Windows31J,
               ExistingFile existing = ExistingFile::Replace)
{
    return writeFileSafely(
        path,
        [&](QIODevice& device) {
            LineWriter writer(&device, unencodable, encoding);
            produce(writer);
            if (writer.finish())
                return WriteResult{};
            if (refused)
                *refused = writer.refusal();
            return WriteResult{false, writer.systemError(), problemDescription(writer.refusal())};
        },
        error, existing);
}

} // namespace

bool writeTextFile(const QString& path, const std::function<void(LineWriter&)>& produce, FileError* error)
{
    return writeFile(path, produce, error, LineWriter::Unencodable::Reference, nullptr);
}

bool writeUtf8TextFile(const QString& path, const std::function<void(LineWriter&)>& produce, FileError* error)
{
    return writeFile(path, produce, error, LineWriter::Unencodable::Reference, nullptr,
                     LineWriter::Encoding::Utf8);
}

bool writeExactTextFile(const QString& path, const std::function<void(LineWriter&)>& produce,
                        FileError* error, TextEncodingProblem* refused, ExistingFile existing)
{
    if (refused)
        *refused = TextEncodingProblem::None;
    return writeFile(path, produce, error, LineWriter::Unencodable::Refuse, refused,
                     LineWriter::Encoding::Windows31J, existing);
}

namespace {

// Where the bytes can be cut so that the piece before ends with a whole line: after the last LF, or
// after the last CR that is not the final byte (it may yet be followed by an LF). CR and LF are
// never part of a two-byte character, so each piece also decodes on its own. Looks from `from` on;
// 0 when there is no such place.
qsizetype pieceEnd(QByteArrayView bytes, qsizetype from)
{
    for (qsizetype k = bytes.size() - 1; k >= from; --k) {
        if (bytes[k] == '\n' || (bytes[k] == '\r' && k + 1 < bytes.size()))
            return k + 1;
    }
    return 0;
}

// What a file that is not a regular file is, as the reason it is not read.
QString notRegularFileReason(mode_t mode)
{
    if (S_ISDIR(mode))
        return systemReason(EISDIR);
    const QString kind = S_ISFIFO(mode)                   ? u"名前付きパイプ（FIFO）"_s
                         : S_ISSOCK(mode)                 ? u"ソケット"_s
                         : S_ISCHR(mode) || S_ISBLK(mode) ? u"デバイス"_s
                                                          : u"特殊なファイル"_s;
    return u"%1で、普通のファイルではありません"_s.arg(kind);
}

} // namespace

int openRegularFile(const QString& path, FileError* error)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info;
    if (::stat(name.constData(), &info) != 0) {
        setError(error, path, systemReason(errno, path));
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        setError(error, path, notRegularFileReason(info.st_mode));
        return -1;
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        setError(error, path, systemReason(errno, path));
        return -1;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        setError(error, path,
                 S_ISREG(info.st_mode) ? systemReason(errno) : notRegularFileReason(info.st_mode));
        ::close(fd);
        return -1;
    }
    return fd;
}

namespace {

// Up to size bytes, fewer only at the end of the file; -1 with errno set on failure.
qint64 readSome(int fd, char* data, qint64 size)
{
    qint64 got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, data + got, size_t(size - got));
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        got += n;
    }
    return got;
}

} // namespace

void splitTextLines(QStringView text, const std::function<void(QStringView)>& takeLine)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        takeLine(text.sliced(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        takeLine(text.sliced(start));
}

bool readTextLines(const QString& path, const std::function<void(QStringView)>& takeLine, FileError* error,
                   TextEncodingProblem* problem)
{
    if (problem)
        *problem = TextEncodingProblem::None;
    const int fd = openRegularFile(path, error);
    if (fd < 0)
        return false;
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });

    TextEncodingCheck check;
    bool decoded = true; // every piece so far was valid Windows-31J
    QByteArray buffer;
    qsizetype held = 0; // bytes at the start of the buffer that wait for the end of their line
    while (true) {
        buffer.resize(held + kReadSize);
        const qint64 got = readSome(fd, buffer.data() + held, kReadSize);
        if (got < 0) {
            setError(error, path, systemReason(errno));
            return false;
        }
        check.add(QByteArrayView(buffer.constData() + held, qsizetype(got)));
        const bool atEnd = got == 0;
        if (check.sawNul())
            break; // a binary file, whatever else it holds
        if (!decoded || check.beginsWithByteOrderMark()) {
            // The file is refused either way; the rest of it only tells why.
            held = 0;
            if (atEnd)
                break;
            continue;
        }
        const qsizetype size = held + qsizetype(got);
        const QByteArrayView bytes(buffer.constData(), size);
        const qsizetype cut = atEnd ? size : pieceEnd(bytes, std::max<qsizetype>(held - 1, 0));
        if (cut > 0) {
            const std::optional<QString> text = cp932::decode(bytes.first(cut));
            if (!text) {
                // Not Windows-31J; the rest of the file still tells whether it is UTF-8 or binary.
                decoded = false;
                held = 0;
                if (atEnd)
                    break;
                continue;
            }
            splitTextLines(*text, takeLine);
            std::memmove(buffer.data(), buffer.constData() + cut, size_t(size - cut));
        }
        held = size - cut;
        if (atEnd)
            break;
    }

    TextEncodingProblem found = check.problem();
    if (found == TextEncodingProblem::None && !decoded)
        found = TextEncodingProblem::NotWindows31J;
    if (found == TextEncodingProblem::None)
        return true;
    if (problem)
        *problem = found;
    setError(error, path, problemDescription(found));
    return false;
}

} // namespace siteloom
