#pragma once

#include "platform.h"

#include <QList>
#include <QMap>
#include <QQueue>

#include <functional>

namespace siteloom {

// A platform that never shows a window: it answers dialogs from queues, records every message and
// dialog request, keeps settings in memory and records the URLs handed to the browser.
class FakePlatform final : public Platform
{
public:
    QMessageBox::StandardButton messageBox(QWidget* parent, const MessageRequest& request) override;
    QString openFileName(QWidget* parent, const FileDialogRequest& request) override;
    QString saveFileName(QWidget* parent, const FileDialogRequest& request,
                         QString* selectedFilter = nullptr) override;
    QString readSetting(const QString& application, const QString& section, const QString& key) override;
    bool writeSetting(const QString& application, const QString& section, const QString& key,
                      const QString& value) override;
    QString desktopLocation() override { return desktop; }
    bool openInBrowser(const QUrl& url) override;
    void quit() override { ++quitCalls; }
    QList<MountedVolume> mountedVolumes() override { return mounts; }

    // The texts of the recorded messages, in order.
    [[nodiscard]] QStringList messageTexts() const;

    QQueue<QMessageBox::StandardButton> answers; // empty: the default button (or OK)
    QQueue<QString> fileNames;                   // empty: the dialog is cancelled
    QQueue<QString> selectedFilters;             // empty: the request's first filter
    // Runs while a message is up, with the message's parent: what the user does meanwhile.
    std::function<void(QWidget*)> whileMessageShown;
    QList<MessageRequest> messages;
    QList<QWidget*> messageParents; // each message's parent while it was on screen, else nullptr
    QList<FileDialogRequest> openRequests;
    QList<FileDialogRequest> saveRequests;
    QMap<QString, QString> settings; // "application/section/key"
    bool settingsWritable = true;
    QString desktop;
    QList<QUrl> browserUrls;
    bool browserWorks = true;
    int quitCalls = 0;
    QList<MountedVolume> mounts{{QStringLiteral("/"), "ext4"}}; // a machine with one disk
};

} // namespace siteloom
