#include "platform.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace siteloom {

QList<MountedVolume> Platform::mountedVolumes()
{
    return siteloom::mountedVolumes();
}

QStringList Platform::driveRoots()
{
    return siteloom::driveRoots(mountedVolumes(), userName());
}

QString Platform::driveOf(const QString& path)
{
    return siteloom::driveOf(path, driveRoots());
}

QString Platform::currentDirectory()
{
    return QDir::currentPath();
}

bool Platform::setCurrentDirectory(const QString& path)
{
    if (path.isEmpty() || !QDir::setCurrent(path))
        return false;
    const QString now = QDir::currentPath();
    m_lastDirectoryOnDrive.insert(driveOf(now), now);
    return true;
}

bool Platform::setCurrentDrive(const QString& drive)
{
    if (drive.isEmpty() || !QFileInfo(drive).isDir())
        return false;
    const QString current = currentDirectory();
    if (driveOf(current) == drive)
        return true; // already on that drive: nothing moves
    m_lastDirectoryOnDrive.insert(driveOf(current), current);
    const QString last = m_lastDirectoryOnDrive.value(drive);
    if (!last.isEmpty() && QDir::setCurrent(last))
        return true;
    return setCurrentDirectory(drive);
}

QString Platform::directoryOnDrive(const QString& drive)
{
    const QString current = currentDirectory();
    if (!current.isEmpty() && driveOf(current) == drive)
        return current;
    const QString last = m_lastDirectoryOnDrive.value(drive);
    return !last.isEmpty() && QFileInfo(last).isDir() ? last : drive;
}

QPoint centredOn(const QRect& windowFrame, const QSize& box, const QRect& available)
{
    QPoint at = windowFrame.center() - QPoint(box.width() / 2, box.height() / 2) + QPoint(1, 1);
    if (!available.isEmpty()) {
        at.setX(std::max(available.left(), std::min(at.x(), available.right() + 1 - box.width())));
        at.setY(std::max(available.top(), std::min(at.y(), available.bottom() + 1 - box.height())));
    }
    return at;
}

void showMessage(Platform& platform, QWidget* parent, const QString& text)
{
    MessageRequest request;
    request.text = text;
    request.title = QString::fromUtf16(applicationTitle);
    platform.messageBox(parent, request);
}

} // namespace siteloom
