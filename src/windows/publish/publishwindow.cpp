#include "publishwindow.h"

#include "messages/publishmessages.h"
#include "platform.h"
#include "publish/keyring.h"
#include "ui/ui.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

const QString settingsApplication = u"siteloom"_s;
constexpr int stepCount = int(PublishStep::Verify) + 1;

} // namespace

PublishWindow::PublishWindow(Platform& platform, Keyring& keyring, QWidget* parent)
    : QDialog(parent), m_platform(platform), m_keyring(keyring)
{
    setObjectName(u"publishWindow"_s);
    setWindowTitle(u"公開"_s);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    const auto field = [this, form](const char* name, const QString& label, const QString& placeholder) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QLatin1StringView(name));
        edit->setPlaceholderText(placeholder);
        form->addRow(label, edit);
        return edit;
    };
    targetField =
        field("targetField", u"公開先"_s, u"ftp://host/dir/  sftp://host/home/me/  https://host/dav/"_s);
    userField = field("userField", u"ユーザー名"_s, QString());
    passwordField = field("passwordField", u"パスワード"_s, u"キーリングにあるときは空のまま"_s);
    passwordField->setEchoMode(QLineEdit::Password);
    rememberPassword = new QCheckBox(u"パスワードをキーリングに保存する"_s, this);
    rememberPassword->setObjectName(u"rememberPassword"_s);
    form->addRow(QString(), rememberPassword);
    publicUrlField = field("publicUrlField", u"公開アドレス"_s, u"http://www.example.jp/~me/link.html"_s);
    publishButton = new QPushButton(u"公開"_s, this);
    publishButton->setObjectName(u"publishButton"_s);
    layout->addWidget(publishButton, 0, Qt::AlignRight);
    publishProgress = new QProgressBar(this);
    publishProgress->setObjectName(u"publishProgress"_s);
    publishProgress->setRange(0, stepCount);
    publishProgress->setValue(0);
    layout->addWidget(publishProgress);
    publishLog = new QPlainTextEdit(this);
    publishLog->setObjectName(u"publishLog"_s);
    publishLog->setReadOnly(true);
    layout->addWidget(publishLog, 1);
    resize(fontMetrics().averageCharWidth() * 70, fontMetrics().height() * 24);
    keepTextBoxesSingleLine(this);
    exposeObjectNames(this);

    connect(publishButton, &QPushButton::clicked, this, [this] {
        if (!isPublishing())
            emit pageWanted();
    });
}

PublishWindow::~PublishWindow()
{
    // An upload under way is waited for: its thread reads this window's request.
    if (m_thread)
        m_thread->wait();
}

void PublishWindow::setBaseDirectory(const QString& directory)
{
    m_baseDirectory = directory;
    const QUrl target(m_platform.readSetting(settingsApplication, publishSettingsSection.toString(),
                                             publishSettingKey(directory, PublishSetting::Target)));
    userField->setText(target.userName());
    targetField->setText(target.adjusted(QUrl::RemoveUserInfo).toString());
    publicUrlField->setText(m_platform.readSetting(settingsApplication, publishSettingsSection.toString(),
                                                   publishSettingKey(directory, PublishSetting::PublicUrl)));
}

void PublishWindow::saveSettings()
{
    QUrl target(targetField->text().trimmed());
    target.setUserName(userField->text().trimmed());
    (void)m_platform.writeSetting(settingsApplication, publishSettingsSection.toString(),
                                  publishSettingKey(m_baseDirectory, PublishSetting::Target),
                                  target.toString());
    (void)m_platform.writeSetting(settingsApplication, publishSettingsSection.toString(),
                                  publishSettingKey(m_baseDirectory, PublishSetting::PublicUrl),
                                  publicUrlField->text().trimmed());
}

void PublishWindow::publish(const QString& pagePath)
{
    if (isPublishing())
        return;
    publishLog->clear();
    publishProgress->setValue(0);
    QUrl address(targetField->text().trimmed());
    address.setUserName(userField->text().trimmed());
    TargetProblem problem = TargetProblem::None;
    const std::optional<PublishTarget> target = parsePublishTarget(address.toString(), &problem);
    if (!target) {
        publishLog->appendPlainText(targetProblemMessage(problem));
        return;
    }
    saveSettings();
    QFile file(pagePath);
    if (!file.open(QIODevice::ReadOnly)) {
        publishLog->appendPlainText(
            publishStepFailedMessage(PublishStep::Upload, TransferFailure::Other, file.errorString()));
        return;
    }
    PublishRequest request;
    request.target = *target;
    request.pageName = QFileInfo(pagePath).fileName();
    request.page = file.readAll();
    request.publicUrl = publicUrlField->text().trimmed();
    const QString key = keyringKey(targetAddress(*target));
    if (!passwordField->text().isEmpty()) {
        request.password = passwordField->text();
        if (rememberPassword->isChecked())
            (void)m_keyring.write(key, request.password);
    } else if (const std::optional<QString> kept = m_keyring.read(key)) {
        request.password = *kept;
    }
    start(request);
}

void PublishWindow::start(const PublishRequest& request)
{
    publishButton->setEnabled(false);
    QPointer<PublishWindow> self(this);
    const PublishProgress progress = [self](PublishStep step, const QString& line) {
        QMetaObject::invokeMethod(self, [self, step, line] {
            if (!self)
                return;
            self->publishProgress->setValue(int(step));
            self->publishLog->appendPlainText(line);
        });
    };
    auto* result = new PublishResult;
    m_thread = QThread::create([request, progress, result] { *result = publishPage(request, progress); });
    connect(m_thread, &QThread::finished, this, [this, request, result] {
        m_thread->deleteLater();
        m_thread = nullptr;
        const PublishResult ended = *result;
        delete result;
        done(request, ended);
    });
    m_thread->start();
}

void PublishWindow::done(const PublishRequest& request, const PublishResult& result)
{
    publishButton->setEnabled(true);
    // The whole account in its order: the steps as they ran, and what each gave.
    publishLog->setPlainText(result.lines.join(u'\n'));
    using Outcome = PublishResult::Outcome;
    if (result.outcome == Outcome::Verified)
        publishProgress->setValue(stepCount);
    PublishRequest again = request;
    MessageRequest question;
    question.icon = QMessageBox::Warning;
    question.buttons = QMessageBox::Yes | QMessageBox::No;
    question.defaultButton = QMessageBox::No;
    if (result.outcome == Outcome::HostKeyUnknown) {
        question.text = result.lines.last() + u"\n\n受け入れますか？"_s;
        question.objectName = u"hostKeyQuestion"_s;
        again.acceptedHostKey = result.hostKeyFingerprint;
    } else if (result.outcome == Outcome::RemoteChanged) {
        question.text = result.lines.last() + u"\n\nそれでも上書きしますか？"_s;
        question.objectName = u"overwriteQuestion"_s;
        again.force = true;
    } else {
        emit finished(result.outcome);
        return;
    }
    if (m_platform.messageBox(this, question) == QMessageBox::Yes) {
        start(again);
        return;
    }
    emit finished(result.outcome);
}

} // namespace siteloom
