#include "drives.h"

#include <QDir>
#include <QSet>
#include <QStorageInfo>

#include <pwd.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

bool isPseudoFileSystem(const QByteArray& type)
{
    static const QSet<QByteArray> pseudo = {
        "proc",   "sysfs",       "devtmpfs", "devpts",     "tmpfs",    "cgroup",  "cgroup2",    "pstore",
        "bpf",    "debugfs",     "tracefs",  "securityfs", "configfs", "fusectl", "mqueue",     "hugetlbfs",
        "autofs", "binfmt_misc", "overlay",  "squashfs",   "nsfs",     "ramfs",   "rpc_pipefs", "efivarfs"};
    return pseudo.contains(type);
}

// Whether the path is the folder itself or lies below it.
bool contains(const QString& root, const QString& path)
{
    if (root == u"/"_s)
        return path.startsWith(u'/');
    return path == root || path.startsWith(root + u'/');
}

bool isOffered(const QString& root, const QString& user)
{
    const QString userMedia = u"/run/media/"_s + user;
    if (!user.isEmpty() && contains(userMedia, root))
        return root != userMedia;
    for (const QString& system : {u"/proc"_s, u"/sys"_s, u"/dev"_s, u"/run"_s}) {
        if (contains(system, root))
            return false;
    }
    return true;
}

} // namespace

QList<MountedVolume> mountedVolumes()
{
    QList<MountedVolume> volumes;
    const auto mounted = QStorageInfo::mountedVolumes();
    for (const QStorageInfo& volume : mounted) {
        if (volume.isValid())
            volumes.append({volume.rootPath(), volume.fileSystemType()});
    }
    return volumes;
}

QString userName()
{
    const passwd* entry = getpwuid(geteuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : qEnvironmentVariable("USER");
}

QStringList driveRoots(const QList<MountedVolume>& volumes, const QString& user)
{
    QStringList roots{u"/"_s};
    for (const MountedVolume& volume : volumes) {
        const QString root = QDir::cleanPath(volume.rootPath);
        if (!QDir::isAbsolutePath(root) || isPseudoFileSystem(volume.fileSystemType) ||
            !isOffered(root, user))
            continue;
        if (!roots.contains(root))
            roots.append(root);
    }
    return roots;
}

QString driveOf(const QString& path, const QStringList& roots)
{
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        return {};
    const QString clean = QDir::cleanPath(path);
    QString best;
    for (const QString& root : roots) {
        if (contains(root, clean) && root.size() > best.size())
            best = root;
    }
    return best;
}

} // namespace siteloom
