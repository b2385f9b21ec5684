#pragma once

#include "page/pageinputs.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <memory>
#include <optional>

class QAction;
class QButtonGroup;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QUndoStack;

namespace siteloom {

struct ListFileContent;
class EntryListModel;
class EntryListView;
class FindBar;
class Platform;
class RecentFiles;
class UndoableEntryList;
class fm1;
class frmabt;
class LinkCheckWindow;
class UpdatesWindow;
class ImportWindow;
class Keyring;
class PublishWindow;

// The main window: the page options at the top, the link list in the middle, the entry fields for
// one link and for the owner's own site on two tabs, the command buttons at the bottom. The controls
// are the tool's only data: the list is List1 (its rows are listModel()), the base directory is the
// caption of Label1. Every change to the list is one step of the undo history of the 編集 menu.
// The window keeps its handlers; the list with its history and selection (UndoableEntryList), the
// find field (FindBar) and the recent files (RecentFiles) are collaborators of their own.
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
    // The list file's content is applied as one step of the undo history ("ファイル読込"), which
    // undoes the page option fields with the list.
    void applyListFileContent(const ListFileContent& content, const QString& undoText);

    // Appends entries to the list as one step of the undo history, named by undoText in the 編集
    // menu (「元に戻す（undoText）」). This is the way for other features that bring in many
    // entries at once (importing) to add them: one undo takes them all out again. No entry is
    // checked here; the caller has made them what the list holds.
    void appendEntries(const QStringList& entries, const QString& undoText);

    // The rows of List1.
    [[nodiscard]] EntryListModel* listModel() const { return m_listModel; }
    // The undo history of the list.
    [[nodiscard]] QUndoStack* undoStack() const;
    // Sets the page option fields (file name, background, background image, title, own site) as
    // one step of the undo history, the list left as it is: page options recovered from a page.
    void setPageOptions(const PageInputs& options);
    // Makes the entry at this row (0-based) of the list the current one and shows it.
    void selectEntry(int row);
    // Selects the entry a link check result names: the line at its row when it is still there, else
    // the same line nearest to that row; when the list no longer holds it, says so and selects nothing.
    void selectCheckedEntry(const QString& entry, int row);
    // The row that holds a link check result's entry line now, the one nearest its row at check
    // time when several do; -1 when none does.
    [[nodiscard]] int findCheckedEntry(const QString& entry, int row) const;

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
    EntryListView* List1 = nullptr;
    // The find field, shown above the list while the user looks for a row.
    FindBar* findField = nullptr;

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
    QMenu* recentMenu = nullptr;
    QAction* previewAction = nullptr;
    QAction* importAction = nullptr;
    QAction* exportAction = nullptr;
    QAction* publishAction = nullptr;
    QAction* eexit = nullptr;
    QMenu* editMenu = nullptr;
    QAction* undoAction = nullptr;
    QAction* redoAction = nullptr;
    QAction* findAction = nullptr;
    QAction* about = nullptr;
    QMenu* checkMenu = nullptr;       // リンク確認
    QAction* checkAction = nullptr;   // its first entry: the link check window, or a new check in it
    QAction* recheckAction = nullptr; // 再確認: a new check in the open window, as its button does
    QAction* updatesAction = nullptr; // 更新チェック: the partners' updates, in a window of their own

    // The chooser and the about window while they are open.
    [[nodiscard]] fm1* chooserWindow() const;
    [[nodiscard]] frmabt* aboutWindow() const;
    [[nodiscard]] ImportWindow* importWindowShown() const;
    [[nodiscard]] PublishWindow* publishWindowShown() const;
    // Where the publish window keeps passwords: the desktop's keyring unless another is set first.
    void setKeyring(std::unique_ptr<Keyring> keyring);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Where List1 stands, in twips; the find field takes the top of this place while it is open.
    static constexpr int listLeft = 120;
    static constexpr int listTop = 2280;
    static constexpr int listWidth = 10695;
    static constexpr int listHeight = 2190;

    void buildControls();
    void buildList();
    void buildMenuBar();
    void buildFind();
    void placeList();
    [[nodiscard]] QSize fittedSize() const;
    void setFocusOrder();
    void connectHandlers();

    // Start-up and window handlers.
    void Form_Load();
    void Command1_Click();
    void about_Click();
    void eexit_Click();
    void checkLinks();
    void recheckLinks();
    void checkUpdates();
    // The entries that moved for good, at their new addresses, in their places, as one step.
    void updateCheckedUrls(const QStringList& entries, const QList<int>& rows, const QStringList& updated);

    // Link entries and list editing.
    void Command2_Click();
    void Command3_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    // Alt+Up and Alt+Down: the selected row moves one place and stays selected.
    void moveSelectedRow(int by);
    void updateUndoTexts();

    // The page.
    void Command4_Click();
    // Writes the page as html 作成 does, saying only what went wrong; the page's path, or empty.
    QString writePageOrSay();
    void openPublishWindow();
    void showPreview();
    // The preview's folder, made when needed; empty with *problem set when it cannot be.
    [[nodiscard]] QString previewDirectory(QString* problem);

    // The link list file.
    // True once the list file is written.
    bool fsave_Click();
    void fload_Click();
    void openRecentFile(const QString& path);
    // Changes since the last save or load: a step in the undo history since then, or a page option
    // typed in.
    [[nodiscard]] bool hasUnsavedChanges() const;
    void markSaved();
    // The window title marks unsaved changes.
    void showUnsavedChanges();
    // Asks about unsaved changes before the window closes; false when it stays open.
    [[nodiscard]] bool mayClose();

    // Links in and out.
    void importLinks();
    void exportLinks();

    // The page options as the controls show them (no entries), and set into the controls: only
    // what differs, and the background buttons only when one is named.
    [[nodiscard]] PageInputs pageOptions() const;
    void showPageOptions(const PageInputs& options);
    // Sets the page options, and the list when one is given, as one step of the undo history.
    void pushPageOptions(const PageInputs& options, std::optional<QStringList> entries,
                         const QString& undoText);

    Platform& m_platform;
    QWidget* m_client = nullptr; // the controls' area, inside a scroll area
    // The controls below the list, at their places in the layout.
    QList<std::pair<QWidget*, QPoint>> m_belowList;
    bool m_sized = false; // bounded to the screen once shown
    // The list file last loaded or saved in this run, which the page must never replace; empty
    // before the first.
    QString m_listFilePath;
    PageInputs m_savedOptions; // the page options at the last save or load, or at the start
    QPointer<fm1> m_chooser;
    QPointer<frmabt> m_about;
    UndoableEntryList* m_list = nullptr;
    EntryListModel* m_listModel = nullptr; // m_list's rows
    RecentFiles* m_recent = nullptr;
    QString m_previewPath; // this run's preview folder, once made
    QPointer<ImportWindow> m_import;
    QPointer<LinkCheckWindow> m_linkCheck;
    QPointer<UpdatesWindow> m_updates;
    QPointer<PublishWindow> m_publish;
    std::unique_ptr<Keyring> m_keyring;
};

} // namespace siteloom
