#pragma once

#include <QComboBox>

namespace siteloom {

class Platform;

// The drive list: the roots of the mounted volumes as the platform's mount table gives them, one of
// them shown as chosen. A change of the
// chosen drive, by the user or by setDrive(), emits driveChanged() before it returns.
class DriveList final : public QComboBox
{
    Q_OBJECT

public:
    DriveList(Platform& platform, QWidget* parent);

    // The root of the volume shown as chosen.
    [[nodiscard]] QString drive() const;
    // Shows the volume whose root this is. Fails, leaving the list as it was, when no mounted volume
    // has this root.
    [[nodiscard]] bool setDrive(const QString& drive);

    // Reads the mounted volumes again when the list opens, so that media mounted since show up.
    void showPopup() override;

signals:
    void driveChanged(const QString& drive);

private:
    void fillDrives();

    Platform& m_platform;
};

} // namespace siteloom
