#include "drives.h"

#include <QDir>
#include <QSet>
#include <QStorageInfo>

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

bool contains(const QString& root, const QString& path)
{
    if (root == u"/"_s)
        return path.startsWith(u'/');
    return path == root || path.startsWith(root + u'/');
}

} // namespace

QStringList driveRoots()
{
    QStringList roots{u"/"_s};
    const auto volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo& volume : volumes) {
        const QString root = volume.rootPath();
        if (!volume.isValid() || root == u"/"_s || isPseudoFileSystem(volume.fileSystemType()))
            continue;
        if (root.startsWith(u"/proc"_s) || root.startsWith(u"/sys"_s) || root.startsWith(u"/dev"_s) ||
            root.startsWith(u"/run"_s))
            continue;
        if (!roots.contains(root))
            roots.append(root);
    }
    return roots;
}

QString driveOf(const QString& path)
{
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        return {};
    const QString clean = QDir::cleanPath(path);
    QString best;
    const QStringList roots = driveRoots();
    for (const QString& root : roots) {
        if (contains(root, clean) && root.size() > best.size())
            best = root;
    }
    return best;
}

} // namespace siteloom
