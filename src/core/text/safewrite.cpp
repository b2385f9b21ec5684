#include "text/safewrite.h"

#include "text/systemreason.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <utility>

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

// A file that has the system start putting what was written on the disk every few megabytes, so that
// the disk works while the rest is made and the one sync at the end finds little left to do. Only
// the start is asked for: the sync alone says whether it all got there.
class WritingBackFile : public QFile
{
protected:
    qint64 writeData(const char* data, qint64 size) override
    {
        const qint64 written = QFile::writeData(data, size);
        if (written > 0 && (m_written += written) - m_started >= writeBackStep) {
            ::sync_file_range(handle(), m_started, m_written - m_started, SYNC_FILE_RANGE_WRITE);
            m_started = m_written;
        }
        return written;
    }

private:
    static constexpr qint64 writeBackStep = 1024 * 1024;
    qint64 m_written = 0;
    qint64 m_started = 0; // what was handed to the disk so far
};

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

// The file a path names once its symbolic links are followed, as far as they lead (a link to nothing
// names the file it would make): replacing the file keeps the links. The path itself when it is no
// link, or when the links go round in a circle.
QString followedLinks(const QString& path)
{
    QFileInfo file(path);
    for (int depth = 0; depth < 40 && file.isSymLink(); ++depth) {
        file.setFile(file.symLinkTarget());
        if (!file.isSymLink())
            return file.filePath();
    }
    return path;
}

// A file written beside the target under a name of its own, made new (never through what stands at
// that name), written once and synced once; unlinked unless it was put in the target's place.
class TemporaryFile
{
public:
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    // Made in the directory of `target` with the permissions a new file gets (0666 less the umask);
    // false with errno set when the directory takes no new file.
    explicit TemporaryFile(const QString& target)
    {
        const QFileInfo info(target);
        for (int attempt = 0; m_fd < 0 && attempt < 100; ++attempt) {
            m_name = QFile::encodeName(info.absolutePath() + u"/."_s + info.fileName() + u'.' +
                                       QString::number(QRandomGenerator::global()->generate(), 36));
            m_fd = ::open(m_name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
            if (m_fd < 0 && errno != EEXIST)
                break;
        }
    }
    ~TemporaryFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_name.isEmpty())
            ::unlink(m_name.constData());
    }

    [[nodiscard]] bool isOpen() const { return m_fd >= 0; }
    [[nodiscard]] int handle() const { return m_fd; }
    [[nodiscard]] const QByteArray& name() const { return m_name; }
    // It became the file at the target: nothing is unlinked.
    void keep() { m_name.clear(); }

    // Writes the content and puts it on the disk, each once; the file is closed after. Reports
    // against `path`.
    bool write(const QString& path, const std::function<WriteResult(QIODevice&)>& write, FileError* error)
    {
        WritingBackFile file;
        if (!file.open(m_fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle)) {
            setError(error, path, file.errorString());
            return false;
        }
        if (const WriteResult written = write(file); !written.ok) {
            setError(error, path, failureReason(file, path, written.systemError));
            return false;
        }
        file.close();
        if (const QString reason = syncToDisk(m_fd); !reason.isEmpty()) {
            setError(error, path, reason);
            return false;
        }
        const int fd = std::exchange(m_fd, -1);
        if (::close(fd) != 0 && errno != EINTR) {
            setError(error, path, systemReason(errno));
            return false;
        }
        return true;
    }

private:
    QByteArray m_name;
    int m_fd = -1;
};

// Replaces the file at the path (the one its symbolic links lead to) with a new one, or puts a new
// one there. The new file is written and synced beside it and renamed over it.
bool replaceFile(const QString& path, const std::function<WriteResult(QIODevice&)>& write, FileError* error)
{
    const QString target = followedLinks(path);
    const QByteArray targetName = QFile::encodeName(target);
    struct stat info;
    const bool exists = ::stat(targetName.constData(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) {
        setError(error, path, systemReason(EISDIR));
        return false;
    }
    // A file that may not be written (its permissions, a read-only file system) is not replaced.
    if (exists && !mayWrite(target)) {
        setError(error, path, systemReason(errno, path));
        return false;
    }
    TemporaryFile file(target);
    if (!file.isOpen()) {
        const int code = errno;
        if (onlyWritableInPlace(path))
            return writeInPlace(path, write, error);
        setError(error, path, systemReason(code, path));
        return false;
    }
    // The replaced file keeps its mode bits exactly (set-id bits are not copied: the new file belongs
    // to whoever writes it). Best effort: a file system without modes refuses it and the file is
    // written all the same.
    if (exists)
        (void)::fchmod(file.handle(), info.st_mode & 0777);
    if (!file.write(path, write, error))
        return false;
    if (::rename(file.name().constData(), targetName.constData()) != 0) {
        setError(error, path, systemReason(errno, path));
        return false;
    }
    file.keep();
    return true;
}

// Writes a new file that never takes the place of anything at the path: the temporary file is
// put there only if the path is free at that moment (a file, a directory or a symbolic link, even
// one to nothing, keeps it), so two writers of one new name never replace each other's file.
bool writeNewFile(const QString& path, const std::function<WriteResult(QIODevice&)>& write, FileError* error)
{
    TemporaryFile file(path);
    if (!file.isOpen()) {
        setError(error, path, systemReason(errno, path));
        return false;
    }
    if (!file.write(path, write, error))
        return false;
    // Renamed into place only where nothing stands; a file system that cannot rename so gets a
    // hard link, which never replaces either.
    const QByteArray name = QFile::encodeName(path);
    int code = 0;
    if (::renameat2(AT_FDCWD, file.name().constData(), AT_FDCWD, name.constData(), RENAME_NOREPLACE) == 0) {
        file.keep(); // it is the file now
    } else {
        code = errno;
        if (code == EINVAL || code == ENOSYS || code == ENOTSUP)
            code = ::link(file.name().constData(), name.constData()) == 0 ? 0 : errno;
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

    return replaceFile(path, write, error);
}

} // namespace siteloom
