#pragma once

#include "publish/publisher.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace siteloom {

class Keyring;
class Platform;

// 公開: uploads the page to the owner's web space and proves it at the public address. The target
// (targetField, an address such as ftp://host/dir/), the user (userField) and the public address
// (publicUrlField) are kept in the settings per base directory; the password (passwordField) only
// in the keyring, when rememberPassword is ticked. publishButton asks the owner for the page
// (pageWanted), which answers with publish(); the upload runs on a thread of its own while
// publishProgress and publishLog follow its steps, so the main window stays usable. A host key seen
// for the first time and a page changed on the server since the last publish are put to the user,
// and publishing goes on only if he agrees.
class PublishWindow final : public QDialog
{
    Q_OBJECT

public:
    PublishWindow(Platform& platform, Keyring& keyring, QWidget* parent);
    ~PublishWindow() override;

    // The base directory the page is written into: the target and public address kept for it are
    // shown.
    void setBaseDirectory(const QString& directory);
    // Publishes the page written at this path.
    void publish(const QString& pagePath);
    [[nodiscard]] bool isPublishing() const { return m_thread != nullptr; }

    QLineEdit* targetField = nullptr;
    QLineEdit* userField = nullptr;
    QLineEdit* passwordField = nullptr;
    QCheckBox* rememberPassword = nullptr;
    QLineEdit* publicUrlField = nullptr;
    QPushButton* publishButton = nullptr;
    QProgressBar* publishProgress = nullptr;
    QPlainTextEdit* publishLog = nullptr;

signals:
    // The owner writes the page as "html 作成" does and calls publish() with its path.
    void pageWanted();
    // One publish ended.
    void finished(siteloom::PublishResult::Outcome outcome);

private:
    void start(const PublishRequest& request);
    void done(const PublishRequest& request, const PublishResult& result);
    void saveSettings();

    Platform& m_platform;
    Keyring& m_keyring;
    QString m_baseDirectory;
    QThread* m_thread = nullptr;
};

} // namespace siteloom
