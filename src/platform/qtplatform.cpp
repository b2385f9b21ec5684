#include "qtplatform.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QSettings>
#include <QStandardPaths>

namespace siteloom {

QMessageBox::StandardButton QtPlatform::messageBox(QWidget* parent, const MessageRequest& request)
{
    QMessageBox box(request.icon, request.title, request.text, request.buttons, parent);
    if (request.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(request.defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

namespace {

// Qt's own dialog rather than a desktop portal, so that it speaks Japanese through Qt's translation
// and assistive technology reaches it like every other window of the tool.
QFileDialog* makeDialog(QWidget* parent, const FileDialogRequest& request, QFileDialog::AcceptMode mode)
{
    auto* dialog = new QFileDialog(parent);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(mode);
    dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog->setNameFilters(request.filters);
    if (!request.filters.isEmpty())
        dialog->selectNameFilter(request.filters.constFirst());
    dialog->setDirectory(request.directory);
    dialog->selectFile(request.fileName);
    return dialog;
}

QString runDialog(QFileDialog* dialog)
{
    QString chosen;
    if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
        chosen = dialog->selectedFiles().constFirst();
    delete dialog;
    return chosen;
}

} // namespace

QString QtPlatform::openFileName(QWidget* parent, const FileDialogRequest& request)
{
    return runDialog(makeDialog(parent, request, QFileDialog::AcceptOpen));
}

QString QtPlatform::saveFileName(QWidget* parent, const FileDialogRequest& request)
{
    return runDialog(makeDialog(parent, request, QFileDialog::AcceptSave));
}

QString QtPlatform::readSetting(const QString& application, const QString& section, const QString& key)
{
    QSettings settings(application, application);
    return settings.value(section + u'/' + key).toString();
}

bool QtPlatform::writeSetting(const QString& application, const QString& section, const QString& key,
                              const QString& value)
{
    QSettings settings(application, application);
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
