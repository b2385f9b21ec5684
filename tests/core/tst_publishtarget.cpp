#include "publish/publishtarget.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace siteloom;

class tst_PublishTarget : public QObject
{
    Q_OBJECT

private slots:
    // The address as the transfer library gets it: FTPS is explicit TLS on an ftp:// connection,
    // and an FTP path starts at the root.
    void readsTargets_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("problem");
        QTest::addColumn<QByteArray>("pageUrl");
        QTest::newRow("ftp") << u"ftp://me@host/dir"_s << int(TargetProblem::None)
                             << QByteArray("ftp://host/%2Fdir/link%20page.html");
        QTest::newRow("ftps") << u"ftps://me@host:2121/a/b/"_s << int(TargetProblem::None)
                              << QByteArray("ftp://host:2121/%2Fa/b/link%20page.html");
        QTest::newRow("sftp") << u" sftp://me@host/home/me/ "_s << int(TargetProblem::None)
                              << QByteArray("sftp://host/home/me/link%20page.html");
        QTest::newRow("webdav") << u"https://me@[::1]/dav/"_s << int(TargetProblem::None)
                                << QByteArray("https://[::1]/dav/link%20page.html");
        QTest::newRow("empty") << u""_s << int(TargetProblem::Empty) << QByteArray();
        QTest::newRow("unknown scheme")
            << u"gopher://me@host/"_s << int(TargetProblem::UnknownScheme) << QByteArray();
        QTest::newRow("no user") << u"ftp://host/dir/"_s << int(TargetProblem::NoUser) << QByteArray();
        QTest::newRow("password in address")
            << u"ftp://me:pw@host/"_s << int(TargetProblem::PasswordInAddress) << QByteArray();
        QTest::newRow("query") << u"https://me@host/dav/?x=1"_s << int(TargetProblem::NotDirectory)
                               << QByteArray();
    }
    void readsTargets()
    {
        QFETCH(QString, address);
        QFETCH(int, problem);
        QFETCH(QByteArray, pageUrl);
        TargetProblem found = TargetProblem::None;
        const std::optional<PublishTarget> target = parsePublishTarget(address, &found);
        QCOMPARE(int(found), problem);
        QCOMPARE(target ? targetFileUrl(*target, u"link page.html"_s) : QByteArray(), pageUrl);
    }

    // A page changed on the server is one whose bytes differ, whatever its size and time.
    void comparesRemotePages_data()
    {
        QTest::addColumn<QByteArray>("recorded");
        QTest::addColumn<QByteArray>("now");
        QTest::addColumn<bool>("unchanged");
        const QByteArray a = "exists=1\nsize=10\nsha256=" + QByteArray(64, 'a') + '\n';
        QTest::newRow("same bytes") << a << a << true;
        QTest::newRow("same size, other bytes")
            << a << QByteArray("exists=1\nsize=10\nsha256=" + QByteArray(64, 'b')) << false;
        QTest::newRow("gone since") << a << QByteArray("exists=0\nsize=-1\n") << true;
        QTest::newRow("none recorded, one there") << QByteArray("exists=0\nsize=-1\n") << a << false;
    }
    void comparesRemotePages()
    {
        QFETCH(QByteArray, recorded);
        QFETCH(QByteArray, now);
        QFETCH(bool, unchanged);
        QCOMPARE(remotePageUnchanged(parseRemotePage(recorded).value(), parseRemotePage(now).value()),
                 unchanged);
        QCOMPARE(formatRemotePage(parseRemotePage(recorded).value()), recorded);
    }

    void checksCharsets_data()
    {
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<bool>("fits");
        QTest::newRow("none declared") << QByteArray("text/html") << true;
        QTest::newRow("Shift_JIS quoted") << QByteArray("text/html; charset=\"Shift_JIS\"") << true;
        QTest::newRow("Windows-31J") << QByteArray("text/html;charset=Windows-31J") << true;
        QTest::newRow("UTF-8") << QByteArray("text/html; charset=UTF-8") << false;
        QTest::newRow("EUC-JP") << QByteArray("text/html; charset=euc-jp") << false;
    }
    void checksCharsets()
    {
        QFETCH(QByteArray, contentType);
        QFETCH(bool, fits);
        QCOMPARE(charsetFitsPage(declaredCharset(contentType)), fits);
    }

    // The temporary name never stands for the page and never meets another run's.
    void temporaryNamesAreHiddenAndDistinct()
    {
        QCOMPARE(temporaryUploadName(u"link.html"_s, 0xbeef), u".link.html.siteloom-beef.part"_s);
        for (quint64 nonce : {0ull, 1ull, 0xffffffffffffffffull}) {
            const QString name = temporaryUploadName(u"link.html"_s, nonce);
            QVERIFY(name.startsWith(u'.') && name != temporaryUploadName(u"link.html"_s, nonce + 1));
        }
    }
};

QTEST_GUILESS_MAIN(tst_PublishTarget)
#include "tst_publishtarget.moc"
