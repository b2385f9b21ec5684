#include "text/textfile.h"

#include "text/cp932.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cstring>

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

} // namespace

LineWriter::LineWriter(QIODevice* device, Unencodable unencodable)
    : m_device(device), m_unencodable(unencodable)
{
    m_pending.reserve(kChunkSize + 2 * kLineEnd.size());
}

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

bool LineWriter::finish()
{
    flushPending();
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
    bool referenced = false;
    const QByteArray bytes = cp932::encode(text, &referenced);
    if (referenced && m_unencodable == Unencodable::Refuse) {
        m_failed = m_refused = true;
        return;
    }
    writeBytes(bytes);
}

void LineWriter::writeBytes(const QByteArray& bytes)
{
    // A short write is not an error yet: a full disk takes what fits and reports the error (and
    // with it the reason shown to the user) only on the next write.
    const char* data = bytes.constData();
    qint64 left = bytes.size();
    while (!m_failed && left > 0) {
        const qint64 written = m_device->write(data, left);
        if (written <= 0)
            m_failed = true;
        else {
            data += written;
            left -= written;
        }
    }
}

namespace {

bool writeFile(const QString& path, const std::function<void(LineWriter&)>& produce, FileError* error,
               LineWriter::Unencodable unencodable, bool* refused)
{
    // QSaveFile creates its temporary file with the target's permissions when it replaces a file,
    // and with 0666 less the umask (as for any new file) when there is none, so the renamed file
    // ends up with the permissions users expect. It refuses a directory at the path and, with
    // the direct-write fallback left off, never writes the target in place.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        setError(error, path, file.errorString());
        return false;
    }

    LineWriter writer(&file, unencodable);
    produce(writer);
    if (!writer.finish()) {
        if (refused)
            *refused = writer.refused();
        setError(error, path, file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        setError(error, path, file.errorString());
        return false;
    }
    return true;
}

} // namespace

bool writeTextFile(const QString& path, const std::function<void(LineWriter&)>& produce, FileError* error)
{
    return writeFile(path, produce, error, LineWriter::Unencodable::Reference, nullptr);
}

bool writeExactTextFile(const QString& path, const std::function<void(LineWriter&)>& produce,
                        FileError* error, bool* unencodable)
{
    if (unencodable)
        *unencodable = false;
    return writeFile(path, produce, error, LineWriter::Unencodable::Refuse, unencodable);
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

// Hands on the lines of a decoded piece; the last line without a line end only when it holds text.
void splitLines(QStringView text, const std::function<void(QStringView)>& takeLine)
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

} // namespace

bool readTextLines(const QString& path, const std::function<void(QStringView)>& takeLine, FileError* error,
                   bool* invalidEncoding)
{
    if (invalidEncoding)
        *invalidEncoding = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, path, file.errorString());
        return false;
    }

    QByteArray buffer;
    qsizetype held = 0; // bytes at the start of the buffer that wait for the end of their line
    while (true) {
        buffer.resize(held + kReadSize);
        const qint64 got = file.read(buffer.data() + held, kReadSize);
        if (got < 0) {
            setError(error, path, file.errorString());
            return false;
        }
        const qsizetype size = held + qsizetype(got);
        const bool atEnd = got == 0;
        const QByteArrayView bytes(buffer.constData(), size);
        const qsizetype cut = atEnd ? size : pieceEnd(bytes, std::max<qsizetype>(held - 1, 0));
        if (cut > 0) {
            const std::optional<QString> text = cp932::decode(bytes.first(cut));
            if (!text) {
                if (invalidEncoding)
                    *invalidEncoding = true;
                setError(error, path, u"The file is not valid Windows-31J (Shift_JIS) text."_s);
                return false;
            }
            splitLines(*text, takeLine);
            std::memmove(buffer.data(), buffer.constData() + cut, size_t(size - cut));
        }
        held = size - cut;
        if (atEnd)
            return true;
    }
}

bool readTextFile(const QString& path, QStringList* lines, FileError* error, bool* invalidEncoding)
{
    QStringList result;
    if (!readTextLines(
            path, [&result](QStringView line) { result.append(line.toString()); }, error, invalidEncoding))
        return false;
    *lines = std::move(result);
    return true;
}

} // namespace siteloom
