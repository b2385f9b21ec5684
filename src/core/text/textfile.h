#pragma once

#include "text/safewrite.h"

#include <QString>
#include <QStringView>

#include <functional>
#include <memory>

QT_BEGIN_NAMESPACE
class QIODevice;
QT_END_NAMESPACE

namespace siteloom {

// Why a file's bytes are not taken as Windows-31J text.
enum class TextEncodingProblem {
    None,
    NotWindows31J, // not valid Windows-31J (a byte no character starts with, a lead byte cut off, ...)
    Utf8,          // UTF-8 text: a byte-order mark, or valid UTF-8 throughout that holds Japanese
    NulByte,       // a NUL byte, which no text file holds: a binary file
};

// Follows a file's bytes piece by piece for what tells them from Windows-31J text (in textfile.cpp).
class TextEncodingCheck;

// Writes lines as Windows-31J text with CR LF line ends. Characters the code page cannot hold
// become HTML numeric character references (see cp932::encode).
//
// Lines are collected and encoded in chunks of whole lines, so memory stays at about one chunk
// however much is written. After the first failed write nothing more is written.
class LineWriter
{
public:
    // What becomes of a character the code page cannot hold.
    enum class Unencodable {
        Reference, // it is written as a character reference
        // Nothing more is written and the writer fails, as after a failed write. So does text that
        // readTextLines would refuse: a NUL, or a whole text that reads as UTF-8 (known at finish()).
        Refuse,
    };

    // The bytes the text becomes: the page's and the list file's code page, or UTF-8 for files made for
    // other programs (every character can be held there, so nothing is referenced or refused).
    enum class Encoding { Windows31J, Utf8 };

    explicit LineWriter(QIODevice* device, Unencodable unencodable = Unencodable::Reference,
                        Encoding encoding = Encoding::Windows31J);
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;
    ~LineWriter();

    void writeLine(QStringView line);

    // Writes bytes already in the writer's encoding, line ends included, after the lines before them.
    void writeEncoded(QByteArrayView bytes);

    // Writes what is still buffered. False if any write to the device failed, or the text was
    // refused.
    [[nodiscard]] bool finish();

    // Why the writer refused the text, as the reader would name it: NotWindows31J for a character
    // the code page cannot hold, NulByte or Utf8. None when it refused nothing.
    [[nodiscard]] TextEncodingProblem refusal() const { return m_refusal; }
    // The errno the failed write left, or 0 when the writer refused the text or the device gave none.
    [[nodiscard]] int systemError() const { return m_systemError; }

private:
    void flushPending();
    void writeText(QStringView text);
    void writeBytes(QByteArrayView bytes);
    void refuse(TextEncodingProblem problem);

    QIODevice* m_device;
    QString m_pending;
    std::unique_ptr<TextEncodingCheck> m_check; // what the reader will make of the bytes (Refuse only)
    bool m_failed = false;
    int m_systemError = 0;
    TextEncodingProblem m_refusal = TextEncodingProblem::None;
    bool m_utf8 = false;
};

// Writes a text file safely (see writeFileSafely): a failure leaves an earlier file untouched. On
// failure returns false and fills *error (if given).
[[nodiscard]] bool writeTextFile(const QString& path, const std::function<void(LineWriter&)>& produce,
                                 FileError* error);

// The same for a UTF-8 text file with CR LF line ends (a byte-order mark only when the first line
// begins with U+FEFF), for files read by other programs.
[[nodiscard]] bool writeUtf8TextFile(const QString& path, const std::function<void(LineWriter&)>& produce,
                                     FileError* error);

// The same for text that must be kept exactly as it is, so that readTextLines gives it back: a
// character the code page cannot hold or a NUL stops the writing, and so does a text that as a whole
// would read as UTF-8. Then nothing is written (an earlier file stays as it was) and *refused (if
// given) says why, as readTextLines would; it is None when the file itself failed. The encoder looks
// at every character anyway, so the text needs no search of its own beforehand.
[[nodiscard]] bool writeExactTextFile(const QString& path, const std::function<void(LineWriter&)>& produce,
                                      FileError* error, TextEncodingProblem* refused,
                                      ExistingFile existing = ExistingFile::Replace);

// Hands on the lines of text: CR LF, LF and CR each end a line; the last line without a line end
// only when it holds text.
void splitTextLines(QStringView text, const std::function<void(QStringView)>& takeLine);

// Reads a Windows-31J text file line by line: each line goes to takeLine (the view is valid only
// during the call) as soon as its piece of the file is decoded, so the file is never held whole
// and each line is handed on while it is in the cache. CR LF, LF and CR each end a line; the end
// of the last line is optional and an empty file has no lines.
//
// A file is refused, with *problem (if given) saying why, when it holds a NUL byte (a binary file),
// when it is UTF-8 text (it begins with the UTF-8 byte-order mark, or it is valid UTF-8 throughout
// and holds a Japanese character), or else when it is not valid Windows-31J. Windows-31J Japanese
// text practically never is valid UTF-8: the lead bytes of kana, punctuation and most kanji
// (0x81-0x9F) cannot start a UTF-8 sequence, and half-width katakana that happen to form two-byte
// UTF-8 never form a Japanese character. Whether the whole file is valid UTF-8 is known only at
// its end, so a refused file may have had its lines handed on: a caller applies nothing before
// this returns. A file that is not a regular file (a FIFO, a directory, a device) is refused before
// anything is read, without waiting on it. On failure returns false and fills *error (if given), its
// reason in Japanese (see systemReason).
[[nodiscard]] bool readTextLines(const QString& path, const std::function<void(QStringView)>& takeLine,
                                 FileError* error, TextEncodingProblem* problem = nullptr);

// Opens a regular file for reading; -1 (and *error filled) for anything else. A FIFO would wait for
// a writer and a device may never end, so the kind of file is looked at before it is opened, and
// again once it is open in case another took its place; it is opened without waiting either way.
[[nodiscard]] int openRegularFile(const QString& path, FileError* error);

} // namespace siteloom
