#include "fakeplatform.h"

#include <QWidget>

namespace siteloom {

QMessageBox::StandardButton FakePlatform::messageBox(QWidget* parent, const MessageRequest& request)
{
    messages.append(request);
    messageParents.append(parent && parent->isVisible() ? parent : nullptr);
    if (whileMessageShown)
        whileMessageShown(parent);
    if (!answers.isEmpty())
        return answers.dequeue();
    return request.defaultButton != QMessageBox::NoButton ? request.defaultButton : QMessageBox::Ok;
}

QString FakePlatform::openFileName(QWidget*, const FileDialogRequest& request)
{
    openRequests.append(request);
    return fileNames.isEmpty() ? QString() : fileNames.dequeue();
}

QString FakePlatform::saveFileName(QWidget*, const FileDialogRequest& request, QString* selectedFilter)
{
    saveRequests.append(request);
    if (selectedFilter)
        *selectedFilter = !selectedFilters.isEmpty()  ? selectedFilters.dequeue()
                          : request.filters.isEmpty() ? QString()
                                                      : request.filters.constFirst();
    return fileNames.isEmpty() ? QString() : fileNames.dequeue();
}

QString FakePlatform::readSetting(const QString& application, const QString& section, const QString& key)
{
    return settings.value(application + u'/' + section + u'/' + key);
}

bool FakePlatform::writeSetting(const QString& application, const QString& section, const QString& key,
                                const QString& value)
{
    if (!settingsWritable)
        return false;
    settings.insert(application + u'/' + section + u'/' + key, value);
    return true;
}

bool FakePlatform::openInBrowser(const QUrl& url)
{
    browserUrls.append(url);
    return browserWorks;
}

QStringList FakePlatform::messageTexts() const
{
    QStringList texts;
    for (const MessageRequest& m : messages)
        texts.append(m.text);
    return texts;
}

} // namespace siteloom
