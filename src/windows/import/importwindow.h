#pragma once

#include "importing/holdback.h"
#include "importing/importedlink.h"
#include "page/pageinputs.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace siteloom {

class Platform;

// What the import window changes in the main window, and only when the user says so.
struct ImportTarget
{
    std::function<QStringList()> entries;                  // the list as it stands
    std::function<void(const QStringList&)> appendEntries; // "追加": to the end of the list
    std::function<void(const PageInputs&)> setPageOptions; // a page's options, once confirmed
};

// Brings links in: from a bookmarks file or a page of this tool (chosen through the platform's open
// dialog, told apart by what the file holds) or from markup pasted into pasteBox. The preview
// importTable shows one row per entry with a check box, its banner URL, name and site URL (all three
// editable) and a note on why it is held back; held-back entries start unchecked. folderChoice picks
// a bookmark folder. Nothing changes in the main window until "追加" appends the checked entries or
// the user agrees to take over a page's options.
class importWindow final : public QDialog
{
    Q_OBJECT

public:
    importWindow(Platform& platform, ImportTarget target, QWidget* parent);

    QPushButton* fileButton = nullptr;
    QLabel* sourceLabel = nullptr;
    QComboBox* folderChoice = nullptr;
    QPlainTextEdit* pasteBox = nullptr;
    QTableWidget* importTable = nullptr;
    QLabel* summaryLabel = nullptr;
    QPushButton* addButton = nullptr;
    QPushButton* closeButton = nullptr;

    // The table's columns.
    enum Column { BannerColumn, NameColumn, UrlColumn, NoteColumn };

private:
    void buildControls();
    void chooseFile();
    void readPaste();
    void showFolder();
    void showEntries(const QList<LinkEntry>& entries, int skipped);
    void checkRows();
    [[nodiscard]] LinkEntry rowEntry(int row) const;
    void addChecked();

    Platform& m_platform;
    ImportTarget m_target;
    LinkImport m_links;          // what the chosen file or the paste holds
    QList<HoldBack> m_holdBacks; // per row, as last checked
    bool m_filling = false;      // the table is being filled: its changes are not the user's
};

} // namespace siteloom
