#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

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
    // What becomes of a character the code page cannot hold.
    enum class Unencodable {
        Reference, // it is written as a character reference
        Refuse,    // nothing more is written and the writer fails, as after a failed write
    };

    explicit LineWriter(QIODevice* device, Unencodable unencodable = Unencodable::Reference);
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    void writeLine(QStringView line);

    // Writes what is still buffered. False if any write to the device failed, or a character was
    // refused.
    [[nodiscard]] bool finish();

    // True when the writer stopped at a character it was told to refuse.
    [[nodiscard]] bool refused() const { return m_refused; }

private:
    void flushPending();
    void writeText(QStringView text);
    void writeBytes(const QByteArray& bytes);

    QIODevice* m_device;
    Unencodable m_unencodable;
    QString m_pending;
    bool m_failed = false;
    bool m_refused = false;
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

// The same for text that must be kept exactly as it is: a character the code page cannot hold
// stops the writing, nothing is written (an earlier file stays as it was) and *unencodable is set.
// The encoder looks at every character anyway, so the text needs no search of its own beforehand.
[[nodiscard]] bool writeExactTextFile(const QString& path, const std::function<void(LineWriter&)>& produce,
                                      FileError* error, bool* unencodable);

// Reads a Windows-31J text file line by line: each line goes to takeLine (the view is valid only
// during the call) as soon as its piece of the file is decoded, so the file is never held whole
// and each line is handed on while it is in the cache. CR LF, LF and CR each end a line; the end
// of the last line is optional and an empty file has no lines. On failure returns false and fills
// *error (if given); *invalidEncoding (if given) tells whether the file could be read but is not
// valid Windows-31J. The lines before the failure have been handed on by then.
[[nodiscard]] bool readTextLines(const QString& path, const std::function<void(QStringView)>& takeLine,
                                 FileError* error, bool* invalidEncoding = nullptr);

// Reads a whole Windows-31J text file into lines. CR LF, LF and CR each end a line; the end of
// the last line is optional and an empty file has no lines. On failure returns false, leaves
// *lines alone and fills *error (if given); *invalidEncoding (if given) tells whether the file
// could be read but is not valid Windows-31J.
[[nodiscard]] bool readTextFile(const QString& path, QStringList* lines, FileError* error,
                                bool* invalidEncoding = nullptr);

} // namespace siteloom
