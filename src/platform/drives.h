#pragma once

#include <QString>
#include <QStringList>

namespace siteloom {

// On Linux a "drive" is the root of a mounted volume: always "/", and the mount points of the
// other real file systems (removable media, other disks), without pseudo file systems.
[[nodiscard]] QStringList driveRoots();

// The root of the volume that holds the absolute path (the longest drive root that contains it),
// or "" for an empty or relative path.
[[nodiscard]] QString driveOf(const QString& path);

} // namespace siteloom
