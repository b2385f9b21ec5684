#pragma once

#include "drives.h"

#include <QHash>
#include <QMap>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QUrl>

class QWidget;

namespace siteloom {

// Every message of the tool: by default the text alone, an OK button, no icon and the
// application's name as caption.
struct MessageRequest
{
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    // Captions of buttons that say more than their standard text; the box's objectName, by which
    // assistive technology and tests find it.
    QMap<QMessageBox::StandardButton, QString> buttonTexts;
    QString objectName;
};

struct FileDialogRequest
{
    QStringList filters; // in the dialog's own form, e.g. "Text (*.txt)"; the first one is selected
    QString fileName;    // the name offered at first
    QString directory;   // the directory the dialog opens on
};

// What the windows need from the desktop, behind one seam so that tests can answer dialogs and
// record messages without a real modal window ever showing.
class Platform
{
public:
    virtual ~Platform() = default;

    virtual QMessageBox::StandardButton messageBox(QWidget* parent, const MessageRequest& request) = 0;
    // Both dialogs give back the full path of the chosen file, or an empty string when cancelled.
    virtual QString openFileName(QWidget* parent, const FileDialogRequest& request) = 0;
    // The save dialog also tells which of the request's filters was selected when it closed.
    virtual QString saveFileName(QWidget* parent, const FileDialogRequest& request,
                                 QString* selectedFilter = nullptr) = 0;

    // The per-user settings store, addressed by application, section and key. A missing value
    // reads as an empty string. Neither call ever waits on the store: one that cannot be used (not a
    // regular file, its lock held for good) reads as empty and is not written.
    virtual QString readSetting(const QString& application, const QString& section, const QString& key) = 0;
    [[nodiscard]] virtual bool writeSetting(const QString& application, const QString& section,
                                            const QString& key, const QString& value) = 0;

    // The user's desktop folder as the desktop reports it, whether or not it exists.
    virtual QString desktopLocation() = 0;
    // Hands a URL to the desktop's web browser; false when no browser could be started.
    [[nodiscard]] virtual bool openInBrowser(const QUrl& url) = 0;
    // Ends the tool at once.
    virtual void quit() = 0;

    // The system's mount table.
    [[nodiscard]] virtual QList<MountedVolume> mountedVolumes();
    // The drives the mount table offers now (see siteloom::driveRoots), and the one a path lies on.
    [[nodiscard]] QStringList driveRoots();
    [[nodiscard]] QString driveOf(const QString& path);

    // The process's current directory, and the current directory per volume root ("drive"): choosing
    // a drive goes back to where the process last was on it, or to its root.
    [[nodiscard]] virtual QString currentDirectory();
    [[nodiscard]] virtual bool setCurrentDirectory(const QString& path);
    [[nodiscard]] virtual bool setCurrentDrive(const QString& drive);
    // Where choosing the drive would lead: the current directory when it lies on that drive, else
    // the directory last visited there during this run while it still exists, else the drive's root.
    [[nodiscard]] QString directoryOnDrive(const QString& drive);

private:
    QHash<QString, QString> m_lastDirectoryOnDrive;
};

// Where a box of this size stands centred on a window's frame (its title bar and borders included),
// kept inside the available area of the screen.
[[nodiscard]] QPoint centredOn(const QRect& windowFrame, const QSize& box, const QRect& available);

// The plain message of the tool: text, OK only, no icon, caption "siteloom".
void showMessage(Platform& platform, QWidget* parent, const QString& text);

// The application's name, the caption of every plain message box.
inline constexpr char16_t applicationTitle[] = u"siteloom";

} // namespace siteloom
