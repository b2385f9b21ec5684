#include "fm1/drivelist.h"

#include "platform.h"

#include <QSignalBlocker>
#include <QStorageInfo>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// A volume is shown by its root, followed by its label when it has one.
QString driveCaption(const QString& root)
{
    const QString label = QStorageInfo(root).name();
    return label.isEmpty() ? root : root + u" ["_s + label + u']';
}

} // namespace

DriveList::DriveList(Platform& platform, QWidget* parent) : QComboBox(parent), m_platform(platform)
{
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    fillDrives();
    connect(this, &QComboBox::currentIndexChanged, this, [this] { emit driveChanged(drive()); });
}

QString DriveList::drive() const
{
    return currentData().toString();
}

bool DriveList::setDrive(const QString& drive)
{
    if (drive.isEmpty())
        return false;
    if (findData(drive) < 0)
        fillDrives();
    const int index = findData(drive);
    if (index < 0)
        return false;
    setCurrentIndex(index);
    return true;
}

void DriveList::showPopup()
{
    fillDrives();
    QComboBox::showPopup();
}

// Re-reading the volumes must not look like a choice: the shown drive stays, even when its volume
// has gone away meanwhile, and no change is signalled.
void DriveList::fillDrives()
{
    const QSignalBlocker blocker(this);
    const QString shown = drive();
    QStringList roots = m_platform.driveRoots();
    if (!shown.isEmpty() && !roots.contains(shown))
        roots.append(shown);
    clear();
    for (const QString& root : std::as_const(roots))
        addItem(driveCaption(root), root);
    setCurrentIndex(shown.isEmpty() ? 0 : findData(shown));
}

} // namespace siteloom
