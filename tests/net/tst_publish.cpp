#include "programrun.h"
#include "publish/publisher.h"
#include "publishservers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace siteloom;
using Outcome = PublishResult::Outcome;

namespace {

// Two pages of the same size, as moving an entry gives: "リンク" in Shift_JIS, then its halves swapped.
const QByteArray pageA = "<html><body>\x83\x8a\x83\x93\x83\x4e A</body></html>\r\n";
const QByteArray pageB = "<html><body>\x83\x4e\x83\x8a\x83\x93 B</body></html>\r\n";

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class tst_Publish : public QObject
{
    Q_OBJECT

    std::unique_ptr<PublishServers> m_servers;
    QTemporaryDir m_state;

    PublishRequest request(const PublishServers& servers, const QString& scheme, const QByteArray& page)
    {
        PublishRequest r;
        TargetProblem problem;
        r.target = parsePublishTarget(servers.address(scheme), &problem).value();
        r.password = scheme.startsWith(u"http") ? PublishServers::davPassword : QString();
        r.pageName = u"link.html"_s;
        r.page = page;
        r.publicUrl = servers.publicUrl(u"pub"_s, u"link.html"_s);
        r.caFile = servers.caFile();
        r.knownHosts = m_state.filePath(u"known_hosts"_s);
        r.keyFiles = {servers.home() + u"/.ssh/id_ed25519"_s};
        r.recordDirectory = m_state.filePath(u"records"_s);
        return r;
    }
    QString site(const PublishServers& servers) const { return servers.siteDirectory() + u"/link.html"_s; }
    QStringList siteFiles(const PublishServers& servers) const
    {
        return QDir(servers.siteDirectory()).entryList(QDir::Files | QDir::Hidden);
    }
    void addProtocols()
    {
        QTest::addColumn<QString>("scheme");
        QTest::newRow("ftp") << u"ftp"_s;
        QTest::newRow("ftps") << u"ftps"_s;
        QTest::newRow("sftp") << u"sftp"_s;
        QTest::newRow("webdav") << u"http"_s;
        QTest::newRow("webdav over https") << u"https"_s;
    }

private slots:
    void initTestCase()
    {
        m_servers = std::make_unique<PublishServers>();
        QVERIFY2(m_servers->error().isEmpty(), qPrintable(m_servers->error()));
    }

    void init()
    {
        for (const QString& name : siteFiles(*m_servers))
            QFile::remove(m_servers->siteDirectory() + u'/' + name);
        QDir(m_state.filePath(u"records"_s)).removeRecursively();
        writeFile(m_state.filePath(u"known_hosts"_s), m_servers->knownHostsLine().toLatin1());
    }

    void publishesAndProves_data() { addProtocols(); }
    void publishesAndProves()
    {
        QFETCH(QString, scheme);
        for (const QByteArray& page : {pageA, pageB}) {
            const PublishResult result = publishPage(request(*m_servers, scheme, page));
            QCOMPARE(result.lines, (QStringList{u"サーバーのページの確認…"_s, u"一時ファイルの送信…"_s,
                                                u"ページの置き換え…"_s, u"公開の記録…"_s, u"公開しました"_s,
                                                u"公開アドレスの確認…"_s, u"確認済み"_s}));
            QCOMPARE(result.outcome, Outcome::Verified);
            QCOMPARE(readFile(site(*m_servers)), page);
            QCOMPARE(siteFiles(*m_servers), QStringList{u"link.html"_s});
        }
    }

    void pageEditedOnServerIsKept_data() { addProtocols(); }
    void pageEditedOnServerIsKept()
    {
        QFETCH(QString, scheme);
        PublishRequest r = request(*m_servers, scheme, pageA);
        QCOMPARE(publishPage(r).outcome, Outcome::Verified);
        writeFile(site(*m_servers), pageB);
        const PublishResult refused = publishPage(r);
        QCOMPARE(refused.outcome, Outcome::RemoteChanged);
        QVERIFY(refused.lines.last().contains(u"前回の公開のあとで変更されています"_s));
        QCOMPARE(readFile(site(*m_servers)), pageB);
        r.force = true;
        QCOMPARE(publishPage(r).outcome, Outcome::Verified);
        QCOMPARE(readFile(site(*m_servers)), pageA);
    }

    void refusesWithItsReason_data()
    {
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("reason");
        QTest::newRow("wrong password") << u"http"_s << u"password"_s << u"ログインできません"_s;
        QTest::newRow("untrusted certificate") << u"ftps"_s << u"system trust"_s << u"証明書を信頼できない"_s;
        QTest::newRow("untrusted certificate, webdav")
            << u"https"_s << u"system trust"_s << u"証明書を信頼できない"_s;
        QTest::newRow("changed host key") << u"sftp"_s << u"host key"_s << u"前回と違います"_s;
    }
    void refusesWithItsReason()
    {
        QFETCH(QString, scheme);
        QFETCH(QString, change);
        QFETCH(QString, reason);
        writeFile(site(*m_servers), pageB);
        PublishRequest r = request(*m_servers, scheme, pageA);
        if (change == u"password")
            r.password = u"wrong"_s;
        else if (change == u"system trust")
            r.caFile.clear();
        else
            writeFile(r.knownHosts, m_servers->knownHostsLine().replace(u"AAAAC3"_s, u"AAAAC4"_s).toLatin1());
        const PublishResult result = publishPage(r);
        QCOMPARE(result.outcome, Outcome::Failed);
        QVERIFY2(result.lines.last().contains(reason), qPrintable(result.lines.join(u'\n')));
        QVERIFY(result.lines.last().endsWith(u"サーバーのページは元のままです。"_s));
        QCOMPARE(readFile(site(*m_servers)), pageB);
    }

    void unknownHostKeyIsAcceptedOnce()
    {
        PublishRequest r = request(*m_servers, u"sftp"_s, pageA);
        writeFile(r.knownHosts, {});
        const PublishResult asked = publishPage(r);
        QCOMPARE(asked.outcome, Outcome::HostKeyUnknown);
        QCOMPARE(asked.hostKeyFingerprint, m_servers->hostKeyFingerprint());
        QVERIFY(asked.lines.last().contains(m_servers->hostKeyFingerprint()));
        QVERIFY(!QFile::exists(site(*m_servers)));
        r.acceptedHostKey = asked.hostKeyFingerprint;
        QCOMPARE(publishPage(r).outcome, Outcome::Verified);
        r.acceptedHostKey.clear();
        QCOMPARE(publishPage(r).outcome, Outcome::Verified);
    }

    void publicAddressIsChecked_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("report");
        QTest::newRow("stale copy")
            << u"stale"_s << u"（送ったページ 36 バイト、公開アドレス 36 バイト、14 バイト目から違います）"_s;
        QTest::newRow("declared UTF-8") << u"utf8"_s << u"文字コードを utf-8 と宣言しています"_s;
    }
    void publicAddressIsChecked()
    {
        QFETCH(QString, kind);
        QFETCH(QString, report);
        writeFile(m_servers->staleDirectory() + u"/link.html"_s, pageB);
        PublishRequest r = request(*m_servers, u"ftp"_s, pageA);
        r.publicUrl = m_servers->publicUrl(kind, u"link.html"_s);
        const PublishResult result = publishPage(r);
        QCOMPARE(result.outcome, Outcome::Unverified);
        QVERIFY(result.lines.contains(u"公開しました"_s));
        QVERIFY2(result.lines.last().contains(report), qPrintable(result.lines.join(u'\n')));
    }

    // The servers write no more than 4 KB to a file: vsftpd dies mid-upload, sshd refuses the write.
    void oldPageStaysWhole_data()
    {
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<QString>("reason");
        QTest::newRow("ftp connection cut") << u"ftp"_s << u"一時ファイルの送信"_s;
        QTest::newRow("sftp quota full") << u"sftp"_s << u"一時ファイルの送信"_s;
    }
    void oldPageStaysWhole()
    {
        QFETCH(QString, scheme);
        QFETCH(QString, reason);
        const PublishServers limited(4096);
        QVERIFY2(limited.error().isEmpty(), qPrintable(limited.error()));
        writeFile(limited.siteDirectory() + u"/link.html"_s, pageB);
        PublishRequest r = request(limited, scheme, pageA.repeated(1000));
        r.knownHosts = m_state.filePath(u"limited_known_hosts"_s);
        writeFile(r.knownHosts, limited.knownHostsLine().toLatin1());
        const PublishResult result = publishPage(r);
        QCOMPARE(result.outcome, Outcome::Failed);
        QVERIFY2(result.lines.last().contains(reason), qPrintable(result.lines.join(u'\n')));
        QVERIFY(result.lines.last().endsWith(u"サーバーのページは元のままです。"_s));
        QCOMPARE(readFile(limited.siteDirectory() + u"/link.html"_s), pageB);
        QCOMPARE(siteFiles(limited), QStringList{u"link.html"_s});
    }

    // The real program: exit statuses, and the page alone on the server.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("onServer");
        QTest::newRow("uploaded and verified") << QStringList{} << 0 << QStringList{u"link.html"_s};
        QTest::newRow("dry run changes nothing") << QStringList{u"--dry-run"_s} << 0 << QStringList{};
        QTest::newRow("stale public address")
            << QStringList{u"--public-url"_s, u"stale"_s} << 1 << QStringList{u"link.html"_s};
        QTest::newRow("no such target") << QStringList{u"--to"_s, u"gopher://x/"_s} << 1 << QStringList{};
        QTest::newRow("option given twice")
            << QStringList{u"--force"_s, u"--to"_s, u"a"_s, u"--to"_s, u"b"_s} << 2 << QStringList{};
    }
    void commandLine()
    {
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QStringList, onServer);
        QTemporaryDir work;
        QVERIFY(QFile::copy(QStringLiteral(SITELOOM_TEST_DATA "/link-example.txt"),
                            work.filePath(u"list.txt"_s)));
        QStringList arguments{u"--publish"_s, u"list.txt"_s};
        if (!options.contains(u"--to"_s))
            arguments << u"--to"_s << m_servers->address(u"ftp"_s);
        const qsizetype url = options.indexOf(u"--public-url"_s);
        const QString kind = url >= 0 ? options.takeAt(url + 1) : u"pub"_s;
        if (url >= 0)
            options.removeAt(url);
        arguments << u"--public-url"_s << m_servers->publicUrl(kind, u"link.html"_s) << options;
        const ProgramRun run =
            runProgram(arguments, work.path(), {}, {u"XDG_STATE_HOME="_s + m_state.filePath(u"cli"_s)});
        QVERIFY2(run.exitCode == exitCode, qPrintable(run.out + run.err));
        QCOMPARE(siteFiles(*m_servers), onServer);
        if (!onServer.isEmpty())
            QCOMPARE(readFile(site(*m_servers)), readFile(work.filePath(u"link.html"_s)));
        if (exitCode == 0 && onServer.isEmpty())
            QVERIFY(run.out.contains(u"何も送っていません"_s));
    }
};

QTEST_GUILESS_MAIN(tst_Publish)
#include "tst_publish.moc"
