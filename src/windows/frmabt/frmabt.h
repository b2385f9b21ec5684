#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QTextEdit;
class QPushButton;

namespace siteloom {

class Platform;

// Version and author information, and the way to the author's home page. Shown modeless beside the
// main window; "OK", Enter, Escape and the close box close and destroy it.
class frmabt final : public QDialog
{
    Q_OBJECT

public:
    frmabt(Platform& platform, QWidget* parent);

    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* exename = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    QFrame* Line1 = nullptr;
    QTextEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* cmdOK = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();

    void Form_Load();
    void cmdOK_Click();
    void Command1_Click();
    void sakusya();

    Platform& m_platform;
};

} // namespace siteloom
