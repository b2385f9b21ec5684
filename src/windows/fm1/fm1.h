#pragma once

#include <QWidget>

class QLineEdit;
class QPushButton;

namespace siteloom {

class DirectoryList;
class DriveList;
class FileList;
class Platform;

// The directory chooser: walks drives and directories, the process's current directory following
// the directory list at every step; "Ｏ　Ｋ" hands the path box to its owner by directoryChosen and
// remembers the current directory for the next start. It keeps no state of its own
// beyond its controls.
class fm1 final : public QWidget
{
    Q_OBJECT

public:
    fm1(Platform& platform, QWidget* parent);

    QLineEdit* Text1 = nullptr;
    DriveList* Drive1 = nullptr;
    DirectoryList* Dir1 = nullptr;
    FileList* File1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;

signals:
    // "Ｏ　Ｋ": the directory the path box names, as typed.
    void directoryChosen(const QString& directory);

protected:
    // Escape cancels; Enter presses the button that has the focus, else "Ｏ　Ｋ". The directory list
    // keeps Enter for opening its entry.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void connectHandlers();

    void Form_Load();
    void Drive1_Change();
    void Dir1_Change();
    void Command1_Click();
    void fm1end();
    void Command2_Click();
    void Command3_Click();

    Platform& m_platform;
};

} // namespace siteloom
