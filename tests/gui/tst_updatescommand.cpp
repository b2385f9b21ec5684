#include "filebytes.h"
#include "programrun.h"
#include "testhttpserver.h"
#include "text/cp932.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace siteloom;

// siteloom --updates and --export --format opml, run as a script runs them, against a loopback site
// whose feed changes between two runs.
class tst_updatescommand : public QObject
{
    Q_OBJECT

private slots:
    void reportsTheChangeOfASecondRun()
    {
        TestHttpServer server;
        QVERIFY(server.listen());
        QByteArray item = "first";
        server.answerWith([&item](const TestHttpServer::Request& request) {
            using Response = TestHttpServer::Response;
            if (request.path == u"/a/")
                return Response::of(200, "<link rel=feed href=/a/feed.json>", "text/html");
            if (request.path == u"/a/feed.json")
                return Response::of(
                    200,
                    "{\"version\": \"https://jsonfeed.org/version/1.1\", \"items\": [{\"title\": \"" + item +
                        "\", \"url\": \"/a/" + item + "\"}]}",
                    "application/feed+json");
            return Response::of(200, "<p>no feed</p>", "text/html");
        });
        QTemporaryDir dir;
        const QStringList state = {u"XDG_STATE_HOME="_s + dir.filePath(u"state"_s)};
        QVERIFY(writeBytes(dir.filePath(u"list.txt"_s),
                           cp932::encode(u"list1=002\r\nls000=：日記：%1\r\nls001=：静か：%2\r\n"_s.arg(
                               server.url(u"/a/"_s), server.url(u"/b/"_s)))));

        ProgramRun run = runProgram({u"--updates"_s, u"list.txt"_s}, dir.path(), {}, state);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, u"1\t日記\tnew\t-\t\n2\t静か\tnew\t-\t\n"_s);

        item = "second";
        run = runProgram({u"--updates"_s, u"list.txt"_s, u"--json"_s, u"--updates-page"_s, u"updates.html"_s},
                         dir.path(), {}, state);
        QCOMPARE(run.exitCode, 0);
        const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8()).object();
        const QJsonObject first = json[u"entries"_s].toArray()[0].toObject();
        QCOMPARE(first[u"status"_s].toString(), u"updated"_s);
        QCOMPARE(first[u"method"_s].toString(), u"feed"_s);
        QCOMPARE(first[u"title"_s].toString(), u"second"_s);
        QCOMPARE(first[u"link"_s].toString(), server.url(u"/a/second"_s));
        QCOMPARE(json[u"entries"_s].toArray()[1].toObject()[u"status"_s].toString(), u"unchanged"_s);
        QCOMPARE(json[u"summary"_s].toObject(),
                 (QJsonObject{{u"entries"_s, 2}, {u"updated"_s, 1}, {u"unknown"_s, 0}}));
        // The page of updates is written as the link page is: Shift_JIS, CR LF, the updated site first.
        const QByteArray page = readBytes(dir.filePath(u"updates.html"_s));
        QVERIFY(page.contains("\r\n<tr><td><a href=\"" + server.url(u"/a/"_s).toLatin1() + "\">" +
                              cp932::encode(u"日記"_s)));
        QVERIFY(page.indexOf(cp932::encode(u"日記"_s)) < page.indexOf(cp932::encode(u"静か"_s)));

        run = runProgram(
            {u"--export"_s, u"list.txt"_s, u"--format"_s, u"opml"_s, u"--output"_s, u"feeds.opml"_s},
            dir.path(), {}, state);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(QString::fromUtf8(readBytes(dir.filePath(u"feeds.opml"_s))),
                 u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<opml version=\"2.0\">\r\n  <head>\r\n"
                 "    <title>リ　ン　ク　集</title>\r\n  </head>\r\n  <body>\r\n    <outline type=\"rss\" "
                 "text=\"日記\" "
                 "title=\"日記\" xmlUrl=\"%1\" htmlUrl=\"%2\"/>\r\n  </body>\r\n</opml>\r\n"_s.arg(
                     server.url(u"/a/feed.json"_s), server.url(u"/a/"_s)));
    }

    void aListThatDoesNotLoadExitsWithOne()
    {
        QTemporaryDir dir;
        QCOMPARE(runProgram({u"--updates"_s, u"missing.txt"_s}, dir.path()).exitCode, 1);
    }

    // A state home that cannot take the state (a file stands where its folder would go): the check
    // still ran, and the user is told that the next one starts anew.
    void aStateThatCannotBeKeptIsSaid()
    {
        QTemporaryDir dir;
        QVERIFY(writeBytes(dir.filePath(u"state"_s), "a file"));
        QVERIFY(writeBytes(dir.filePath(u"list.txt"_s),
                           cp932::encode(u"list1=001\r\nls000=：a：mailto:a@example.com\r\n"_s)));
        const ProgramRun run = runProgram({u"--updates"_s, u"list.txt"_s}, dir.path(), {},
                                          {u"XDG_STATE_HOME="_s + dir.filePath(u"state"_s)});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.startsWith(u"更新チェックの記録を保存できませんでした。"_s), qPrintable(run.err));
        QCOMPARE(run.out, u"1\ta\tunknown\t-\thttp または https のアドレスではありません。\n"_s);
    }
};

QTEST_GUILESS_MAIN(tst_updatescommand)
#include "tst_updatescommand.moc"
