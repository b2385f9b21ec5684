#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

namespace siteloom::fuzz {

// The directory a fuzz run writes its files into, in memory-backed storage where there is one; it
// is removed when the run ends.
inline QString workDirectory()
{
    static const QTemporaryDir dir(
        (QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath()) +
        QStringLiteral("/siteloom-fuzz-XXXXXX"));
    return dir.path();
}

} // namespace siteloom::fuzz
