// Bad list files of every kind, made at test time, loaded into a shown window in a child process:
// each is refused or loaded with a clear message, and the child's peak memory stays within a small
// multiple of the file's size above what loading a tiny file costs.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 megabyte = 1024 * 1024;

// Loading may take this many times the file's size in memory: a line that waits for its end holds
// its bytes, then its text (two bytes per character) while it is parsed, and the values kept out of
// the file take up to the text's size again: four times, and one more for the allocator's slack.
constexpr qint64 memoryFactor = 5;

// A bad file: a head, `size` bytes of filling, then a tail. The filling is written a megabyte at a
// time, so that the test itself never holds a big file in memory.
enum Fill : int {
    Random = -1,     // random bytes, NUL among them
    RandomNoNul = -2 // random bytes without NUL
    // otherwise the byte itself
};

struct Content
{
    QByteArray head;
    int fill = 'x';
    qint64 size = 0;
    QByteArray tail = {};
};

bool writeContent(const QString& path, const Content& content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(content.head);
    QRandomGenerator generator(20240607);
    QByteArray chunk(megabyte, char(content.fill));
    for (qint64 left = content.size; left > 0; left -= chunk.size()) {
        if (content.fill < 0) {
            generator.fillRange(reinterpret_cast<quint32*>(chunk.data()), chunk.size() / 4);
            if (content.fill == RandomNoNul)
                chunk.replace('\0', '\x01');
        }
        file.write(chunk.constData(), std::min<qint64>(left, chunk.size()));
    }
    file.write(content.tail);
    return file.error() == QFileDevice::NoError;
}

struct ProbeResult
{
    QString failure = {}; // why the child did not report, if it did not
    QStringList messages = {};
    QStringList rows = {};
    QString title = {};
    int entries = -1;
    qint64 peakKib = -1;
    qint64 vmPeakKib = -1;
};

// Loads the file in the probe program and reads back its report. With a memory limit the probe runs
// under prlimit with that much address space, and its window holds a list of its own first.
ProbeResult probe(const QString& path, qint64 addressSpaceLimit = 0)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // No arena of a thread's own takes room, in the tiny file's run that the limits are measured from
    // as in the others: one there would add 64 MiB to every limit.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"MALLOC_ARENA_MAX"_s, u"1"_s);
    child.setProcessEnvironment(environment);
    if (addressSpaceLimit > 0) {
        child.start(u"prlimit"_s, {u"--as=%1"_s.arg(addressSpaceLimit), u"--"_s,
                                   QStringLiteral(SITELOOM_LOADPROBE), u"--filled"_s, path});
    } else {
        child.start(QStringLiteral(SITELOOM_LOADPROBE), {path});
    }
    // A hang guard, not a speed goal: loading any of these files takes seconds at most.
    if (!child.waitForFinished(180'000) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0)
        return {.failure =
                    u"the probe failed (exit code %1): %2"_s.arg(child.exitCode()).arg(child.errorString())};
    const QJsonObject report = QJsonDocument::fromJson(child.readAllStandardOutput()).object();
    return {.messages = report[u"messages"_s].toVariant().toStringList(),
            .rows = report[u"rows"_s].toVariant().toStringList(),
            .title = report[u"title"_s].toString(),
            .entries = report[u"entries"_s].toInt(-1),
            .peakKib = report[u"peakKib"_s].toInteger(-1),
            .vmPeakKib = report[u"vmPeakKib"_s].toInteger(-1)};
}

} // namespace

class tst_badfiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString path = m_dir.filePath(u"tiny.txt"_s);
        QVERIFY(writeContent(path, {"list1=001\r\nls000=a\r\n"}));
        const ProbeResult tiny = probe(path);
        QVERIFY2(tiny.failure.isEmpty(), qPrintable(tiny.failure));
        QCOMPARE(tiny.messages, QStringList{u"読込み完了"_s});
        m_baselineKib = tiny.peakKib;
        m_baselineVmKib = tiny.vmPeakKib;
        qInfo("loading a tiny file: peak %lld MiB", m_baselineKib / 1024);
    }

    void badFile_data()
    {
        QTest::addColumn<Content>("content");
        QTest::addColumn<QString>(
            "message");                   // what the one message says, after the file's path for a refusal
        QTest::addColumn<int>("entries"); // in the list afterwards; the start list is empty

        const QString notText = u"テキストファイルではありません（NUL 文字を含んでいます）。"_s;
        const qint64 mb50 = 50 * megabyte;
        const QString tooLong = u"が長すぎます（52428800文字。入力欄には32767文字までしか入りません）。"_s;
        QTest::newRow("200 MB of random bytes") << Content{{}, Random, 200 * megabyte} << notText << 0;
        QTest::newRow("200 MB of random bytes without NUL")
            << Content{{}, RandomNoNul, 200 * megabyte}
            << u"Shift_JIS（CP932）のテキストファイルではありません。"_s << 0;
        QTest::newRow("one line of 50 MB, no key in it") << Content{{}, 'A', mb50} << u"読込み完了"_s << 0;
        QTest::newRow("a title of 50 MB")
            << Content{"te006=", 'T', mb50} << u"「トップのタイトル名」"_s + tooLong << 0;
        // An entry goes into the list whole, however far beyond its boxes; the list lays out its text.
        QTest::newRow("an entry of 100,000 characters")
            << Content{"list1=001\r\nls000=a\x81\x46", 'n', 100'000, "\x81\x46u\r\n"} << u"読込み完了"_s << 1;
        QTest::newRow("50 MB of line ends") << Content{{}, '\n', mb50} << u"読込み完了"_s << 0;
        QTest::newRow("a count of 2,000,000,000")
            << Content{"list1=2000000000\r\nls000=a\r\nls001=b\r\n"}
            << u"リストの項目は、2000000000件のうち2件だけ読み込みました。"_s << 2;
    }

    void badFile()
    {
        QFETCH(Content, content);
        QFETCH(QString, message);
        QFETCH(int, entries);

        const QString path = m_dir.filePath(u"bad.txt"_s);
        QVERIFY(writeContent(path, content));
        const qint64 size = QFileInfo(path).size();
        const ProbeResult result = probe(path);
        QFile::remove(path);

        QVERIFY2(result.failure.isEmpty(), qPrintable(result.failure));
        QCOMPARE(result.messages.size(), 1);
        QVERIFY2(result.messages.constFirst().contains(message), qPrintable(result.messages.constFirst()));
        QCOMPARE(result.entries, entries);

        const qint64 usedKib = result.peakKib - m_baselineKib;
        if (size >= megabyte)
            qInfo("%lld MiB file: peak %lld MiB, %.2f times the file above a tiny file's", size / megabyte,
                  result.peakKib / 1024, double(usedKib) * 1024 / double(size));
#ifndef __SANITIZE_ADDRESS__ // the sanitizer's own bookkeeping and quarantine cost memory of their own
        QVERIFY2(usedKib * 1024 <= memoryFactor * size + 16 * megabyte,
                 qPrintable(u"%1 KiB above a tiny file's for a file of %2 bytes"_s.arg(usedKib).arg(size)));
#endif
    }

    // A list of 3,000,000 entries (about 40 MB) in a window with 64 MB of room to spare: the load runs
    // out of memory while the new list is built, and the window keeps its list and fields.
    void outOfMemoryLeavesTheWindowAsItWas()
    {
#ifdef __SANITIZE_ADDRESS__
        QSKIP("the sanitizer reserves more address space than any limit leaves");
#endif
        const QString path = m_dir.filePath(u"huge.txt"_s);
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            constexpr int entries = 3'000'000;
            file.write("list1=" + QByteArray::number(entries) + "\r\n");
            QByteArray chunk;
            for (int i = 0; i < entries; ++i) {
                chunk += "ls" + QByteArray::number(i).rightJustified(3, '0') + "=b\x81\x46n\x81\x46u\r\n";
                if (chunk.size() > megabyte || i == entries - 1) {
                    QCOMPARE(file.write(chunk), chunk.size());
                    chunk.clear();
                }
            }
        }
        const ProbeResult result = probe(path, (m_baselineVmKib + 64 * 1024) * 1024);
        QFile::remove(path);

        QVERIFY2(result.failure.isEmpty(), qPrintable(result.failure));
        QCOMPARE(result.messages.size(), 1);
        QVERIFY2(result.messages.constFirst().startsWith(
                     u"メモリが足りないため、ファイルを読み込めませんでした。\n"_s),
                 qPrintable(result.messages.constFirst()));
        QCOMPARE(result.rows, (QStringList{u"a：b：c"_s, u"d：e：f"_s, u"g：h：i"_s}));
        QCOMPARE(result.entries, 3);
        QCOMPARE(result.title, u"前のタイトル"_s);
    }

private:
    QTemporaryDir m_dir;
    qint64 m_baselineKib = 0;
    qint64 m_baselineVmKib = 0;
};

QTEST_GUILESS_MAIN(tst_badfiles)
#include "tst_badfiles.moc"
