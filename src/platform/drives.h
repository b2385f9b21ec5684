#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace siteloom {

// One line of the system's mount table: where a volume is mounted and its file system type.
struct MountedVolume
{
    QString rootPath;
    QByteArray fileSystemType;
};

// The volumes mounted now.
[[nodiscard]] QList<MountedVolume> mountedVolumes();

// The login name of the user running the tool.
[[nodiscard]] QString userName();

// On Linux a "drive" is the root of a mounted volume: always "/" first, then the mount points of the
// other real file systems (other disks, removable media under /media, and under /run/media/USER
// where udisks mounts the user's own), without pseudo file systems and without the system's
// folders (/proc, /sys, /dev and the rest of /run).
[[nodiscard]] QStringList driveRoots(const QList<MountedVolume>& volumes, const QString& user);

// The root of the volume that holds the absolute path (the longest drive root that contains it),
// or "" for an empty or relative path.
[[nodiscard]] QString driveOf(const QString& path, const QStringList& roots);

} // namespace siteloom
