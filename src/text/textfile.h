#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <optional>

QT_BEGIN_NAMESPACE
class QIODevice;
QT_END_NAMESPACE

namespace siteloom {

// Writes lines as Windows-31J text with CR LF line ends. Characters the code page cannot hold
// become HTML numeric character references (see cp932::encode).
//
// Lines are collected and encoded in chunks of whole lines, so memory stays at about one chunk
// however much is written. After the first failed write nothing more is written.
class LineWriter
{
public:
    explicit LineWriter(QIODevice* device);
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    void writeLine(QStringView line);

    // Writes what is still buffered. False if any write to the device failed.
    [[nodiscard]] bool finish();

private:
    void flushPending();
    void writeBytes(const QByteArray& bytes);

    QIODevice* m_device;
    QString m_pending;
    bool m_failed = false;
};

struct FileError
{
    QString path;   // in the platform's native form
    QString reason; // Qt's description of what went wrong
};

// Writes a text file through a temporary file in the same directory that replaces the target
// only once everything was written, so a failure leaves an earlier file untouched and no
// temporary file behind. A new file gets the permissions a newly created file normally gets; a
// replaced file keeps its own. On failure returns false and fills *error (if given).
[[nodiscard]] bool writeTextFile(const QString& path, const std::function<void(LineWriter&)>& produce,
                                 FileError* error);

// Why a file's bytes are not taken as Windows-31J text.
enum class TextEncodingProblem {
    None,
    NotWindows31J, // not valid Windows-31J (a byte no character starts with, a lead byte cut off, ...)
    Utf8,          // UTF-8 text: a byte-order mark, or UTF-8 Japanese throughout (see looksLikeUtf8)
    NulByte,       // a NUL byte, which no text file holds: a binary file
};

// How bytes read as UTF-8: not valid UTF-8; valid, without a Japanese character; valid, with at
// least one Japanese character (U+3000-U+30FF, U+4E00-U+9FFF, U+FF00-U+FFEF, three bytes each).
enum class Utf8Reading { Invalid, WithoutJapanese, Japanese };
[[nodiscard]] Utf8Reading classifyUtf8(QByteArrayView bytes);

// True when the bytes are UTF-8 text rather than Windows-31J: they begin with the UTF-8 byte-order
// mark, or they are valid UTF-8 as a whole and hold Japanese. Windows-31J Japanese text practically
// never does: the lead bytes of kana, punctuation and most kanji (0x81-0x9F) cannot start a UTF-8
// sequence. Half-width katakana can form two-byte UTF-8 by accident, but never a Japanese character.
[[nodiscard]] bool looksLikeUtf8(QByteArrayView bytes);

// Decodes the whole content of a Windows-31J text file, or nullopt with *problem (if given) saying
// why it is not one.
[[nodiscard]] std::optional<QString> decodeText(QByteArrayView bytes, TextEncodingProblem* problem);

// Calls onLine with each line of the text, without its end. CR LF, LF and CR each end a line; the
// end of the last line is optional and an empty text has no lines. The views point into the text.
void forEachLine(QStringView text, const std::function<void(QStringView)>& onLine);

// Reads and decodes a whole Windows-31J text file. On failure returns false, leaves *text alone and
// fills *error (if given); *problem (if given) tells why the bytes that were read are not text.
[[nodiscard]] bool readTextFile(const QString& path, QString* text, FileError* error,
                                TextEncodingProblem* problem = nullptr);

} // namespace siteloom
