#pragma once

#include "page/pageinputs.h"

#include <QMainWindow>
#include <QPointer>

class QAction;
class QButtonGroup;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace siteloom {

struct ListFileContent;
class Platform;
class fm1;
class frmabt;
class LinkCheckWindow;

// The main window: the page options at the top, the link list in the middle, the entry fields for
// one link and for the owner's own site on two tabs, the command buttons at the bottom. The controls
// are the tool's only data: the list is List1, the base directory is the caption of Label1.
class main1 final : public QMainWindow
{
    Q_OBJECT

public:
    explicit main1(Platform& platform, QWidget* parent = nullptr);
    ~main1() override;

    // The page options and the list as they stand in the controls.
    [[nodiscard]] PageInputs pageInputs() const;

    // Loads a list file as "ファイル読込" does once a file is chosen, with its one message.
    void loadListFile(const QString& path);
    // Sets what a read list file sets: the list when it has a count line, the fields and the
    // background it holds.
    void applyListFileContent(const ListFileContent& content);
    // Makes the entry at this row (0-based) of the list the current one and shows it.
    void selectEntry(int row);

    // Page options and base directory.
    QLabel* Label3 = nullptr;
    QLabel* Label19 = nullptr;
    QLineEdit* Text6 = nullptr;
    QFrame* Line2 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* Command1 = nullptr;
    QLabel* Label1 = nullptr;
    QFrame* Line1 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QRadioButton* Option3 = nullptr;
    QRadioButton* Option4 = nullptr;
    QRadioButton* Option5 = nullptr;
    QRadioButton* Option6 = nullptr;
    QRadioButton* Option7 = nullptr;
    QRadioButton* Option8 = nullptr;
    QRadioButton* Option9 = nullptr;
    QLineEdit* Text5 = nullptr;
    QLabel* Label18 = nullptr;
    QListWidget* List1 = nullptr;

    // The two tabs: one link to add, and the owner's own site.
    QTabWidget* SSTab1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label15 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLabel* Label9 = nullptr;
    QGroupBox* Frame4 = nullptr;
    QLabel* Label20 = nullptr;
    QLineEdit* Text7 = nullptr;
    QLabel* Label23 = nullptr;
    QLabel* Label21 = nullptr;
    QLabel* Label26 = nullptr;
    QLineEdit* Text8 = nullptr;
    QLabel* Label24 = nullptr;
    QLabel* Label22 = nullptr;
    QLineEdit* Text9 = nullptr;
    QLabel* Label25 = nullptr;

    // Command area.
    QLabel* Label10 = nullptr;
    QPushButton* Command2 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label12 = nullptr;
    QPushButton* Command3 = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label17 = nullptr;
    QPushButton* Command7 = nullptr;
    QLabel* Label16 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* Command6 = nullptr;
    QLabel* Label14 = nullptr;
    QLineEdit* Text4 = nullptr;
    QPushButton* Command4 = nullptr;

    // Menu.
    QMenu* file = nullptr;
    QAction* fsave = nullptr;
    QAction* fload = nullptr;
    QAction* eexit = nullptr;
    QAction* about = nullptr;
    QAction* checkAction = nullptr; // リンク確認: the link check window

    // The chooser and the about window while they are open.
    [[nodiscard]] fm1* chooserWindow() const;
    [[nodiscard]] frmabt* aboutWindow() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenu();
    void setFocusOrder();
    void connectHandlers();
    [[nodiscard]] QRadioButton* backgroundButton(int choice) const;

    // Start-up and window handlers.
    void Form_Load();
    void Command1_Click();
    void about_Click();
    void eexit_Click();
    void checkLinks();

    // Link entries and list editing.
    void Command2_Click();
    void Command3_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();

    // The page.
    void Command4_Click();

    // The link list file.
    void fsave_Click();
    void fload_Click();

    Platform& m_platform;
    // The list file last loaded or saved in this run, which the page must never replace; empty
    // before the first.
    QString m_listFilePath;
    QPointer<fm1> m_chooser;
    QPointer<frmabt> m_about;
    QPointer<LinkCheckWindow> m_linkCheck;
};

} // namespace siteloom
