#include "fakekeyring.h"
#include "fakeplatform.h"
#include "guitest.h"
#include "main1/main1.h"
#include "publish/publishwindow.h"
#include "publishservers.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace siteloom;

class tst_publish_window : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareGuiTest(); }

    // 公開 writes the page and uploads it on a thread of its own, the main window usable meanwhile;
    // the password typed once is kept in the keyring and nowhere else.
    void publishesFromTheMenu()
    {
        const PublishServers servers;
        QVERIFY2(servers.error().isEmpty(), qPrintable(servers.error()));
        QTemporaryDir base;
        FakePlatform platform;
        main1 window(platform);
        auto keyring = std::make_unique<FakeKeyring>();
        FakeKeyring& kept = *keyring;
        window.setKeyring(std::move(keyring));
        window.Label1->setText(base.path());
        window.Text4->setText(u"link.html"_s);
        setListRows(window, {u"img/a.gif：サイトＡ：http://a.example/"_s});
        window.show();

        window.publishAction->trigger();
        PublishWindow* publish = window.publishWindowShown();
        QVERIFY(publish && publish->isVisible() && !publish->isModal());
        publish->targetField->setText(servers.address(u"http"_s).remove(u"me@"_s));
        publish->userField->setText(u"me"_s);
        publish->passwordField->setText(PublishServers::davPassword);
        publish->rememberPassword->setChecked(true);
        publish->publicUrlField->setText(servers.publicUrl(u"pub"_s, u"link.html"_s));
        QSignalSpy finished(publish, &PublishWindow::finished);
        publish->publishButton->click();
        QVERIFY(publish->isPublishing() && window.isEnabled() && !publish->publishButton->isEnabled());
        QVERIFY(finished.wait(60000));

        QCOMPARE(finished.first().first().value<PublishResult::Outcome>(), PublishResult::Outcome::Verified);
        QCOMPARE(publish->publishLog->toPlainText().split(u'\n').last(), u"確認済み"_s);
        QCOMPARE(publish->publishProgress->value(), publish->publishProgress->maximum());
        QFile local(base.filePath(u"link.html"_s)), remote(servers.siteDirectory() + u"/link.html"_s);
        QVERIFY(local.open(QIODevice::ReadOnly) && remote.open(QIODevice::ReadOnly));
        QCOMPARE(remote.readAll(), local.readAll());
        QCOMPARE(kept.secrets.values(), QStringList{PublishServers::davPassword});
        QVERIFY(platform.settings.values().contains(servers.address(u"http"_s)));
        for (const QString& value : platform.settings.values())
            QVERIFY(!value.contains(PublishServers::davPassword));
        QCOMPARE(platform.messages.size(), 0);
    }
};

QTEST_MAIN(tst_publish_window)
#include "tst_publish_window.moc"
