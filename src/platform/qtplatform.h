#pragma once

#include "platform.h"

#include <QFileDialog>
#include <QSet>

namespace siteloom {

// The desktop as Qt presents it: QMessageBox, QFileDialog, QSettings, QStandardPaths,
// QDesktopServices.
// The file dialog the tool shows, made but not yet shown: Qt's own widgets, in Japanese. The caller
// owns it.
[[nodiscard]] QFileDialog* makeFileDialog(QWidget* parent, const FileDialogRequest& request,
                                          QFileDialog::AcceptMode mode);

class QtPlatform final : public Platform
{
public:
    QMessageBox::StandardButton messageBox(QWidget* parent, const MessageRequest& request) override;
    QString openFileName(QWidget* parent, const FileDialogRequest& request) override;
    QString saveFileName(QWidget* parent, const FileDialogRequest& request,
                         QString* selectedFilter = nullptr) override;
    QString readSetting(const QString& application, const QString& section, const QString& key) override;
    bool writeSetting(const QString& application, const QString& section, const QString& key,
                      const QString& value) override;
    QString desktopLocation() override;
    bool openInBrowser(const QUrl& url) override;
    void quit() override;

private:
    // Settings files found to hold what QSettings cannot read: the next save replaces them.
    QSet<QString> m_unreadableSettings;
};

} // namespace siteloom
