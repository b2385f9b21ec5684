#pragma once

#include "importing/holdback.h"
#include "importing/importedlink.h"
#include "page/pageinputs.h"

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace siteloom {

class Platform;
struct ImportSource;

// Brings links in: from a bookmarks file or a page of this tool (chosen through the platform's open
// dialog, told apart by what the file holds) or from markup pasted into pasteBox. The preview
// importTable shows one row per entry with a check box, its banner URL, name and site URL (all three
// editable) and a note on why it is held back; held-back entries start unchecked. folderChoice picks
// a bookmark folder. Nothing changes in the main window until "追加" appends the checked entries or
// the user agrees to take over a page's options: entriesAccepted and pageOptionsAccepted tell the
// owner. What the window offers is checked against the owner's list, given at the start and by
// setListEntries whenever it changes. A chosen file is read and parsed on a thread of its own while
// the window waits with "中止" (stopButton), which forgets the read; a path that is not a regular file
// is refused before any read.
class ImportWindow final : public QDialog
{
    Q_OBJECT

public:
    ImportWindow(Platform& platform, const QStringList& listEntries, QWidget* parent);

    // The owner's list as it stands now.
    void setListEntries(const QStringList& entries);

    QPushButton* fileButton = nullptr;
    QPushButton* stopButton = nullptr;
    QLabel* sourceLabel = nullptr;
    QComboBox* folderChoice = nullptr;
    QPlainTextEdit* pasteBox = nullptr;
    QTableWidget* importTable = nullptr;
    QLabel* summaryLabel = nullptr;
    QPushButton* addButton = nullptr;
    QPushButton* closeButton = nullptr;

    // Whether a chosen file is being read.
    [[nodiscard]] bool isReading() const;

    // The table's columns.
    enum Column { BannerColumn, NameColumn, UrlColumn, NoteColumn };

signals:
    // "追加": the checked entries, for the end of the list.
    void entriesAccepted(const QStringList& entries);
    // A page's options, once the user agreed to take them over.
    void pageOptionsAccepted(const PageInputs& options);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void chooseFile();
    void startReading(const QString& path);
    void stopReading();
    void setReading(bool reading);
    void showSource(const QString& path, const ImportSource& source);
    void readPaste();
    void showFolder();
    void showEntries(const QList<LinkEntry>& entries, int skipped);
    void checkRows();
    [[nodiscard]] LinkEntry rowEntry(int row) const;
    void addChecked();

    Platform& m_platform;
    QStringList m_listEntries;
    LinkImport m_links;          // what the chosen file or the paste holds
    QList<HoldBack> m_holdBacks; // per row, as last checked
    bool m_filling = false;      // the table is being filled: its changes are not the user's
    quint64 m_readNumber = 0;    // counts the reads started: a stopped one finishes unheard
    bool m_reading = false;
    QString m_sourceShown; // what sourceLabel showed before the read under way
    bool m_placed = false; // centred on the main window once shown
};

} // namespace siteloom
