#include "qtplatform.h"

#include "userstate/userstate.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHash>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QLockFile>
#include <QScreen>
#include <QSettings>
#include <QShowEvent>
#include <QStandardPaths>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// A message box that stands centred on its parent's window, frame included, as soon as it shows: Qt
// centres a dialog on the parent's frame only once the window manager has told it the frame, which a
// window shown a moment before (the list file given at start) has not yet.
class CentredMessageBox final : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
        const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
        if (event->spontaneous() || !owner || !owner->isVisible())
            return;
        const QRect frame = owner->frameGeometry();
        // The box's own frame is not known before it is on screen; its owner's borders are the best guess.
        const QSize borders = frame.size() - owner->geometry().size();
        const QScreen* screen = owner->screen();
        move(centredOn(frame, size() + borders, screen ? screen->availableGeometry() : QRect()));
    }
};

} // namespace

QMessageBox::StandardButton QtPlatform::messageBox(QWidget* parent, const MessageRequest& request)
{
    CentredMessageBox box(request.icon, request.title, request.text, request.buttons, parent);
    box.setTextFormat(Qt::PlainText); // messages name files and entries, which are never markup
    box.setObjectName(request.objectName);
    if (request.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(request.defaultButton);
    for (auto it = request.buttonTexts.cbegin(); it != request.buttonTexts.cend(); ++it) {
        if (QAbstractButton* button = box.button(it.key()))
            button->setText(it.value());
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

namespace {

// The file model writes sizes and dates in the desktop's own language (QLocale::system(), whatever
// the application's default locale or the dialog's locale say): under an English or C desktop,
// "718 bytes" and "7 Dec 2026". This view of the model writes them the Japanese way, and names the
// kinds of entries that are not files in Japanese too.
class JapaneseFileDetails final : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!files || role != Qt::DisplayRole)
            return QIdentityProxyModel::data(index, role);
        if (index.column() == typeColumn) {
            // The kinds that are not files come untranslated from Qt 6.4's icon provider.
            static const QHash<QString, QString> kinds = {{u"Folder"_s, u"フォルダー"_s},
                                                          {u"Drive"_s, u"ドライブ"_s},
                                                          {u"Shortcut"_s, u"ショートカット"_s},
                                                          {u"Unknown"_s, u"不明"_s}};
            const QString kind = QIdentityProxyModel::data(index, role).toString();
            return kinds.value(kind, kind);
        }
        if (index.column() != sizeColumn && index.column() != dateColumn)
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        if (index.column() == dateColumn)
            return m_japanese.toString(files->lastModified(source), QLocale::ShortFormat);
        if (files->isDir(source))
            return QString();
        return m_japanese.formattedDataSize(files->size(source), 2, QLocale::DataSizeTraditionalFormat);
    }

private:
    static constexpr int sizeColumn = 1;
    static constexpr int typeColumn = 2;
    static constexpr int dateColumn = 3;
    const QLocale m_japanese{QLocale::Japanese, QLocale::Japan};
};

} // namespace

// Qt's own dialog rather than a desktop portal, so that it speaks Japanese through Qt's translation
// and assistive technology reaches it like every other window of the tool.
QFileDialog* makeFileDialog(QWidget* parent, const FileDialogRequest& request, QFileDialog::AcceptMode mode)
{
    auto* dialog = new QFileDialog(parent);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    auto* details = new JapaneseFileDetails(dialog);
    dialog->setProxyModel(details);
    // Japanese sizes, types and dates are wider than the columns Qt makes for them: each of those
    // columns takes the width of what it shows whenever a folder has been read.
    auto* view = dialog->findChild<QTreeView*>(u"treeView"_s);
    auto* files = qobject_cast<QFileSystemModel*>(details->sourceModel());
    if (view && files) {
        QObject::connect(files, &QFileSystemModel::directoryLoaded, view, [view] {
            for (int column = 1; column < view->model()->columnCount(view->rootIndex()); ++column)
                view->resizeColumnToContents(column);
        });
    }
    dialog->setAcceptMode(mode);
    dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog->setNameFilters(request.filters);
    if (!request.filters.isEmpty())
        dialog->selectNameFilter(request.filters.constFirst());
    dialog->setDirectory(request.directory);
    dialog->selectFile(request.fileName);
    return dialog;
}

namespace {

QString runDialog(QFileDialog* dialog, QString* selectedFilter = nullptr)
{
    QString chosen;
    if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
        chosen = dialog->selectedFiles().constFirst();
    if (selectedFilter)
        *selectedFilter = dialog->selectedNameFilter();
    delete dialog;
    return chosen;
}

} // namespace

QString QtPlatform::openFileName(QWidget* parent, const FileDialogRequest& request)
{
    return runDialog(makeFileDialog(parent, request, QFileDialog::AcceptOpen));
}

QString QtPlatform::saveFileName(QWidget* parent, const FileDialogRequest& request, QString* selectedFilter)
{
    return runDialog(makeFileDialog(parent, request, QFileDialog::AcceptSave), selectedFilter);
}

namespace {

// Nothing, or a regular file. Anything else where the settings or their lock go is left alone: a
// FIFO would keep the reading waiting for a writer, and a directory where the lock goes would keep
// QSettings waiting for the lock for good.
bool nothingOrRegularFile(const QString& path)
{
    const QFileInfo info(path);
    return !info.exists() || info.isFile();
}

// How long a save waits for another process's lock on the settings.
constexpr int lockWaitMs = 2000;

} // namespace

QString QtPlatform::readSetting(const QString& application, const QString& section, const QString& key)
{
    const QString file = settingsFilePath(application);
    if (!nothingOrRegularFile(file))
        return {};
    const QSettings settings(file, QSettings::IniFormat);
    // QSettings tells a file it cannot read only when it parses it first, not from its cache later.
    if (settings.status() != QSettings::NoError)
        m_unreadableSettings.insert(file);
    return settings.value(section + u'/' + key).toString();
}

bool QtPlatform::writeSetting(const QString& application, const QString& section, const QString& key,
                              const QString& value)
{
    const QString file = settingsFilePath(application);
    const QString lock = file + u".lock"_s; // QSettings' own lock file
    if (!nothingOrRegularFile(file) || !nothingOrRegularFile(lock) || !QDir().mkpath(QFileInfo(file).path()))
        return false;
    // QSettings waits for its lock without end: a lock it cannot take is found out here, in time.
    QLockFile probe(lock);
    if (!probe.tryLock(lockWaitMs))
        return false;
    probe.unlock();

    // A file that cannot be read as settings would keep what could not be read, mangled, beside the
    // new value: a fresh file takes its place.
    if (QSettings(file, QSettings::IniFormat).status() != QSettings::NoError)
        m_unreadableSettings.insert(file);
    if (m_unreadableSettings.contains(file)) {
        if (!QFile::remove(file))
            return false;
        m_unreadableSettings.remove(file);
    }
    QSettings settings(file, QSettings::IniFormat);
    settings.setValue(section + u'/' + key, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QString QtPlatform::desktopLocation()
{
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

bool QtPlatform::openInBrowser(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

void QtPlatform::quit()
{
    QCoreApplication::exit(0);
}

} // namespace siteloom
