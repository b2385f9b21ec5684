#include "text/safewrite.h"

#include "text/systemreason.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QScopeGuard>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

void setError(FileError* error, const QString& path, const QString& reason)
{
    if (error)
        *error = FileError{QDir::toNativeSeparators(path), reason};
}

// Counts the bytes written to it and keeps none: the dry run before a file is written in place.
class CountingDevice final : public QIODevice
{
public:
    CountingDevice() { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    [[nodiscard]] qint64 count() const { return m_count; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 size) override
    {
        m_count += size;
        return size;
    }

private:
    qint64 m_count = 0;
};

// Puts what was written on the disk. A file system that cannot sync (EINVAL, ENOTSUP, ENOSYS) is
// taken as it is, as Qt takes it; any other failure (an I/O error, a full disk or quota found only
// now) fails the write. Empty on success, else the system's reason.
QString syncToDisk(int fd)
{
    if (::fdatasync(fd) == 0 || errno == EINVAL || errno == ENOTSUP || errno == EOPNOTSUPP || errno == ENOSYS)
        return {};
    return systemReason(errno);
}

// Why an operation on the file failed, in Japanese: from the errno it left where there is one
// (callers clear errno before the operation), else from what is at the path, else Qt's wording.
QString failureReason(const QFileDevice& file, const QString& path, int code)
{
    if (code != 0)
        return systemReason(code, path);
    if (QFileInfo(path).isDir())
        return systemReason(EISDIR);
    return file.errorString();
}

// Whether the calling process (by its effective ids) may write at the path.
bool mayWrite(const QString& path)
{
    return ::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), W_OK, AT_EACCESS) == 0;
}

// A file that could not be replaced because no temporary file can be made beside it, but that can
// itself be written: a regular file, writable, in a directory that takes no new file (no write
// permission, a read-only mount with the file bound onto it from elsewhere).
bool onlyWritableInPlace(const QString& path)
{
    const QFileInfo target(path);
    if (!target.isFile() || !mayWrite(path))
        return false;
    const QString resolved = target.canonicalFilePath();
    return !resolved.isEmpty() && !mayWrite(QFileInfo(resolved).path());
}

// Writes over the file itself. The text is produced once without writing, so that a refusal leaves
// the file as it was and its size is known; that much room is reserved before the first byte is
// written, so a full disk is found while the file is untouched. Past that point a failure leaves
// the file part new and part old: nothing can keep it whole.
bool writeInPlace(const QString& path, const std::function<WriteResult(QIODevice&)>& write, FileError* error)
{
    qint64 size = 0;
    {
        CountingDevice counter;
        if (const WriteResult dryRun = write(counter); !dryRun.ok) {
            setError(error, path, dryRun.refusal);
            return false;
        }
        size = counter.count();
    }

    // Not truncated on opening: the old bytes stay until the new ones are known to fit. Opened
    // without blocking and checked again, should something other than a file have taken its place.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        setError(error, path, systemReason(errno));
        return false;
    }
    QFile file;
    errno = 0;
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        const int code = errno;
        ::close(fd);
        setError(error, path, failureReason(file, path, code));
        return false;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        setError(error, path, systemReason(EINVAL));
        return false;
    }
    if (size > 0 && ::fallocate(fd, 0, 0, off_t(size)) != 0 && errno != EOPNOTSUPP && errno != ENOSYS) {
        setError(error, path, systemReason(errno));
        return false;
    }

    if (const WriteResult written = write(file); !written.ok) {
        setError(error, path, failureReason(file, path, written.systemError));
        return false;
    }
    if (::ftruncate(fd, off_t(size)) != 0) {
        setError(error, path, systemReason(errno));
        return false;
    }
    if (const QString reason = syncToDisk(fd); !reason.isEmpty()) {
        setError(error, path, reason);
        return false;
    }
    return true;
}

// Puts what was written on the disk and in the target's place; a failure leaves the target as it was.
bool commitSaveFile(QSaveFile& file, const QString& path, FileError* error)
{
    if (const QString reason = syncToDisk(file.handle()); !reason.isEmpty()) {
        setError(error, path, reason);
        file.cancelWriting();
        return false;
    }
    errno = 0;
    if (!file.commit()) {
        setError(error, path, failureReason(file, path, errno));
        return false;
    }
    return true;
}

// Writes a new file that never takes the place of anything at the path: the temporary file is
// put there only if the path is free at that moment (a file, a directory or a symbolic link, even
// one to nothing, keeps it), so two writers of one new name never replace each other's file.
bool writeNewFile(const QString& path, const std::function<WriteResult(QIODevice&)>& write, FileError* error)
{
    const QFileInfo target(path);
    const QByteArray name = QFile::encodeName(path);
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = QFile::encodeName(target.absolutePath() + u"/."_s + target.fileName() + u'.' +
                                      QString::number(QRandomGenerator::global()->generate(), 36));
        // 0666 less the umask, as for any new file.
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        setError(error, path, systemReason(errno, path));
        return false;
    }
    auto removeTemporary = qScopeGuard([&temporary] { ::unlink(temporary.constData()); });
    QFile file;
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        setError(error, path, file.errorString());
        return false;
    }
    if (const WriteResult written = write(file); !written.ok) {
        setError(error, path, failureReason(file, path, written.systemError));
        return false;
    }
    if (const QString reason = syncToDisk(fd); !reason.isEmpty()) {
        setError(error, path, reason);
        return false;
    }
    file.close();
    // Renamed into place only where nothing stands; a file system that cannot rename so gets a
    // hard link, which never replaces either.
    int code = 0;
    if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, name.constData(), RENAME_NOREPLACE) == 0) {
        removeTemporary.dismiss(); // it is the file now
    } else {
        code = errno;
        if (code == EINVAL || code == ENOSYS || code == ENOTSUP)
            code = ::link(temporary.constData(), name.constData()) == 0 ? 0 : errno;
    }
    if (code != 0) {
        setError(error, path, systemReason(code, path));
        if (error)
            error->exists = code == EEXIST;
        return false;
    }
    return true;
}

} // namespace

bool writeFileSafely(const QString& path, const std::function<WriteResult(QIODevice&)>& write,
                     FileError* error, ExistingFile existing)
{
    if (existing == ExistingFile::Keep)
        return writeNewFile(path, write, error);

    // QSaveFile creates its temporary file with 0666 less the umask (as for any new file) when
    // there is no file to replace; a replaced file's mode is copied below. It refuses a directory
    // at the path and, with the direct-write fallback left off, never writes the target in place.
    //
    // Unbuffered: every write goes to the file at once and its failure is noted. Through Qt's
    // write buffer the last piece (the whole of any text under 16 KiB) would be written only when
    // the file is closed in commit(), which does not look at that failure and replaces the target
    // with a file that is cut short. The writer hands over large chunks, so no buffer is missed.
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const int code = errno;
        if (onlyWritableInPlace(path))
            return writeInPlace(path, write, error);
        setError(error, path, failureReason(file, path, code));
        return false;
    }
    // QSaveFile maps the permissions it reads back through access(), so a read-only file replaced
    // by root would come back writable for its owner: the replaced file's mode bits are copied
    // exactly (set-id bits are not: the new file belongs to whoever writes it). Best effort, as
    // Qt's own copy: a file system without modes refuses it and the file is written all the same.
    if (struct stat info; ::stat(QFile::encodeName(path).constData(), &info) == 0)
        (void)::fchmod(file.handle(), info.st_mode & 0777);

    if (const WriteResult written = write(file); !written.ok) {
        setError(error, path, failureReason(file, path, written.systemError));
        file.cancelWriting();
        return false;
    }
    return commitSaveFile(file, path, error);
}

} // namespace siteloom
