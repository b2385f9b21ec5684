#include "filebytes.h"
#include "linkentry/linkentry.h"
#include "programrun.h"
#include "testhttpserver.h"
#include "text/cp932.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace siteloom;

// siteloom --check, run as a script runs it, against a server of the test's own.
class tst_checkcommand : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_server.listen());
        const QByteArray gif(
            "GIF89a\x58\0\x1f\0\x80\0\0\0\0\0\xff\xff\xff,\0\0\0\0\x58\0\x1f\0\0\x02\x01\x2c\0;", 34);
        m_server.answer(u"/"_s, TestHttpServer::Response::of(200, "<a href='/own'>", "text/html"));
        m_server.answer(u"/b.gif"_s, TestHttpServer::Response::of(200, gif));
        m_server.answer(u"/stall"_s, TestHttpServer::Response::stalling());
        m_server.answer(u"/text.gif"_s, TestHttpServer::Response::of(200, "<p>no image</p>", "text/html"));
        QVERIFY(m_dir.isValid());
    }

    void check_data()
    {
        QTest::addColumn<QString>("list"); // "SITEPATH BANNERPATH OWNPATH"; "-": no entries; null: no file
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out"); // the first line, with the server's address as "@"
        QTest::addColumn<QString>("err");

        QTest::newRow("all well: a table, exit 0")
            << u"/ b.gif /own"_s << QStringList() << 0
            << u"1\tサイト\tok\tok\tfound\tバナー: GIF 88×31 34 バイト"_s << QString();
        QTest::newRow("dead site: exit 1")
            << u"/gone b.gif /own"_s << QStringList() << 1
            << u"1\tサイト\tbroken\tok\tunknown\tサイト: HTTP 404 / バナー: GIF 88×31 34 バイト"_s
            << QString();
        QTest::newRow("banner that is no image: a problem, exit 1")
            << u"/ text.gif /own"_s << QStringList() << 1
            << u"1\tサイト\tok\tnot-image\tfound\tバナー: 画像として読めません"_s << QString();
        QTest::newRow("json") << u"/ b.gif /elsewhere"_s << QStringList{u"--json"_s} << 1 << u"json"_s
                              << QString();
        QTest::newRow("short time limit")
            << u"/stall b.gif /own"_s << QStringList{u"--timeout"_s, u"0.3"_s, u"--jobs"_s, u"1"_s} << 1
            << u"1\tサイト\ttimeout\tok\tunknown\tサイト: 0.3 秒以内に応答がありません / バナー: GIF 88×31 34 バイト"_s
            << QString();
        QTest::newRow("file that does not load: exit 1, nothing checked")
            << QString() << QStringList() << 1 << QString() << u"ファイルを読み込めませんでした。"_s;
        QTest::newRow("list without entries: said, exit 1")
            << u"-"_s << QStringList() << 1 << QString() << u"リストファイルに項目がありません。"_s;
    }

    void check()
    {
        QFETCH(QString, list);
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);

        const QString file = m_dir.filePath(u"list.txt"_s);
        QFile::remove(file);
        if (list == u"-")
            QVERIFY(writeBytes(file, "list1=000\r\nte001=page.html\r\n"));
        else if (!list.isEmpty()) {
            const QStringList parts = list.split(u' ');
            const QString line =
                composeEntry({m_server.url(u'/' + parts[1]), u"サイト"_s, m_server.url(parts[0])});
            QVERIFY(writeBytes(file, cp932::encode(u"list1=001\r\nls000="_s + line + u"\r\nte009="_s +
                                                   m_server.url(parts[2]) + u"\r\n"_s)));
        }

        const ProgramRun run = runProgram(QStringList{u"--check"_s, file} + options, m_dir.path());
        QCOMPARE(run.exitCode, exitCode);
        if (out == u"json"_s) {
            const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8()).object();
            const QJsonObject entry = json[u"entries"_s].toArray().first().toObject();
            QCOMPARE(entry[u"site"_s][u"status"_s].toString(), u"ok"_s);
            QCOMPARE(entry[u"banner"_s][u"width"_s].toInt(), 88);
            QCOMPARE(entry[u"backlink"_s][u"status"_s].toString(), u"not-found"_s);
            QCOMPARE(json[u"summary"_s].toObject(), QJsonObject({{u"entries"_s, 1}, {u"problems"_s, 1}}));
        } else {
            QCOMPARE(run.out.section(u'\n', 0, 0), out);
        }
        if (err.isEmpty())
            QCOMPARE(run.err, QString()); // no progress when standard error is no terminal
        else
            QVERIFY2(run.err.startsWith(err), qPrintable(run.err));
    }

    // A report that cannot reach its reader (standard output a pipe nobody reads any more) is no
    // success, even when every link is well: the reason on standard error, exit 1.
    void reportThatCannotBeWritten()
    {
        const QString file = m_dir.filePath(u"well.txt"_s);
        const QString line = composeEntry({m_server.url(u"/b.gif"_s), u"サイト"_s, m_server.url(u"/"_s)});
        QVERIFY(writeBytes(file, cp932::encode(u"list1=001\r\nls000="_s + line + u"\r\nte009="_s +
                                               m_server.url(u"/own"_s) + u"\r\n"_s)));
        int ends[2];
        QCOMPARE(::pipe(ends), 0);
        ::close(ends[0]); // the reader is gone before the program starts
        QProcess process;
        process.setChildProcessModifier([&ends] { ::dup2(ends[1], STDOUT_FILENO); });
        process.start(QStringLiteral(SITELOOM_BINARY), {u"--check"_s, file});
        QVERIFY(process.waitForStarted());
        ::close(ends[1]);
        // Events are handled meanwhile, so that the test's own server answers the program.
        while (!process.waitForFinished(5))
            QCoreApplication::processEvents();
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(err.startsWith(u"確認の結果を標準出力に書き出せませんでした。\n"_s), qPrintable(err));
    }

private:
    TestHttpServer m_server;
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(tst_checkcommand)
#include "tst_checkcommand.moc"
