#include "text/textfile.h"

#include "text/cp932.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// UTF-16 code units collected before a chunk is encoded and written: 64 KiB of text.
constexpr qsizetype kChunkSize = 32 * 1024;

constexpr QStringView kLineEnd = u"\r\n";

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

LineWriter::LineWriter(QIODevice* device) : m_device(device)
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
        writeBytes(cp932::encode(line));
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
        writeBytes(cp932::encode(m_pending));
        m_pending.resize(0); // keeps the capacity for the next chunk
    }
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

bool writeTextFile(const QString& path, const std::function<void(LineWriter&)>& produce, FileError* error)
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

    LineWriter writer(&file);
    produce(writer);
    if (!writer.finish()) {
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

Utf8Reading classifyUtf8(QByteArrayView bytes)
{
    const auto isJapanese = [](char32_t c) {
        return (c >= 0x3000 && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xFF00 && c <= 0xFFEF);
    };
    bool japanese = false;
    const auto* data = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        const uchar lead = data[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        // The length of the sequence and the smallest code point it may encode (shorter forms of
        // the same code point are not UTF-8).
        qsizetype length = 0;
        char32_t c = 0;
        char32_t smallest = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            c = lead & 0x1F;
            smallest = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            c = lead & 0x0F;
            smallest = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            c = lead & 0x07;
            smallest = 0x10000;
        } else {
            return Utf8Reading::Invalid;
        }
        if (size - i < length)
            return Utf8Reading::Invalid;
        for (qsizetype k = 1; k < length; ++k) {
            const uchar next = data[i + k];
            if ((next & 0xC0) != 0x80)
                return Utf8Reading::Invalid;
            c = (c << 6) | (next & 0x3F);
        }
        if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return Utf8Reading::Invalid;
        japanese = japanese || isJapanese(c);
        i += length;
    }
    return japanese ? Utf8Reading::Japanese : Utf8Reading::WithoutJapanese;
}

bool looksLikeUtf8(QByteArrayView bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF") || classifyUtf8(bytes) == Utf8Reading::Japanese;
}

std::optional<QString> decodeText(QByteArrayView bytes, TextEncodingProblem* problem)
{
    TextEncodingProblem found = TextEncodingProblem::None;
    std::optional<QString> text;
    if (bytes.contains('\0'))
        found = TextEncodingProblem::NulByte;
    else if (looksLikeUtf8(bytes))
        found = TextEncodingProblem::Utf8;
    else if (text = cp932::decode(bytes); !text)
        found = TextEncodingProblem::NotWindows31J;
    if (problem)
        *problem = found;
    return text;
}

void forEachLine(QStringView text, const std::function<void(QStringView)>& onLine)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        onLine(text.sliced(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        onLine(text.sliced(start));
}

bool readTextFile(const QString& path, QString* text, FileError* error, TextEncodingProblem* problem)
{
    if (problem)
        *problem = TextEncodingProblem::None;

    std::optional<QString> decoded;
    TextEncodingProblem found = TextEncodingProblem::None;
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            setError(error, path, file.errorString());
            return false;
        }
        // The bytes go as soon as they are decoded, so a file takes its size in bytes plus its
        // size as text only while it is being decoded.
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            setError(error, path, file.errorString());
            return false;
        }
        decoded = decodeText(bytes, &found);
        if (problem)
            *problem = found;
    }
    if (!decoded) {
        setError(error, path, problemDescription(found));
        return false;
    }
    *text = std::move(*decoded);
    return true;
}

} // namespace siteloom
