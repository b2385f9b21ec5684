#pragma once

#include <QString>

#include <functional>

QT_BEGIN_NAMESPACE
class QIODevice;
QT_END_NAMESPACE

namespace siteloom {

struct FileError
{
    QString path;        // in the platform's native form
    QString reason;      // Qt's description of what went wrong
    bool exists = false; // ExistingFile::Keep: something already stood at the path, which was kept
};

// What becomes of a file already at the path.
enum class ExistingFile {
    Replace, // replaced once the new one is complete
    Keep,    // kept: nothing is written, not even through a symbolic link standing there
};

// What one pass of writing a file's content onto a device gave.
struct WriteResult
{
    bool ok = true;
    int systemError = 0; // the errno a failed write left, 0 when none
    QString refusal;     // set when the content itself was refused, not the device: why, for the user
};

// Writes a file so that a failure leaves an earlier file untouched: `write` puts the content on a
// temporary file in the same directory, which is synced to the disk and replaces the target only
// once every byte was written. No temporary file is left behind. A new file gets the permissions a
// newly created file normally gets; a replaced file keeps its own mode bits.
//
// When no temporary file can be made beside an existing file that can itself be written (its
// directory takes no new file), the file is written in place instead: `write` runs once onto a
// device that only counts, so that a refusal leaves the file as it was and its size is known, that
// much room is reserved, and `write` runs again onto the file itself.
//
// With ExistingFile::Keep, the finished temporary file takes the path only if nothing stands there at
// that moment (checked by the system as it renames, so no other writer can come in between); there
// is no in-place fallback.
//
// On failure returns false and fills *error (if given).
[[nodiscard]] bool writeFileSafely(const QString& path, const std::function<WriteResult(QIODevice&)>& write,
                                   FileError* error, ExistingFile existing = ExistingFile::Replace);

} // namespace siteloom
