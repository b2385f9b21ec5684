// Bad list files of every kind, made at test time, loaded into a shown window in a child process:
// each is refused or loaded with a clear message, and the child's peak memory stays within a small
// multiple of the file's size above what loading a tiny file costs.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 megabyte = 1024 * 1024;

// Loading may take this many times the file's size in memory: a line that waits for its end holds
// its bytes, then its text (two bytes per character) while it is parsed, and the values kept out of
// the file take up to the text's size again: four times, and one more for the allocator's slack.
constexpr qint64 memoryFactor = 5;

// Writes a file piece by piece, so that the test itself never holds a big file in memory.
using Producer = std::function<void(QFile&)>;

Producer bytes(const QByteArray& content)
{
    return [content](QFile& file) { file.write(content); };
}

// The same byte, or random bytes (none of them NUL if asked), up to the given size.
Producer repeated(char byte, qint64 size)
{
    return [byte, size](QFile& file) {
        const QByteArray chunk(megabyte, byte);
        for (qint64 left = size; left > 0; left -= chunk.size())
            file.write(chunk.constData(), std::min<qint64>(left, chunk.size()));
    };
}

Producer random(qint64 size, bool withNul)
{
    return [size, withNul](QFile& file) {
        QRandomGenerator generator(20240607);
        QByteArray chunk(megabyte, Qt::Uninitialized);
        for (qint64 left = size; left > 0; left -= chunk.size()) {
            generator.fillRange(reinterpret_cast<quint32*>(chunk.data()), chunk.size() / 4);
            if (!withNul)
                chunk.replace('\0', '\x01');
            file.write(chunk.constData(), std::min<qint64>(left, chunk.size()));
        }
    };
}

Producer concatenated(const QList<Producer>& parts)
{
    return [parts](QFile& file) {
        for (const Producer& part : parts)
            part(file);
    };
}

struct ProbeResult
{
    QStringList messages;
    int entries = -1;
    qint64 peakKib = -1;
    QString failure; // why the child did not report, if it did not
};

// Loads the file in the probe program and reads back its report.
ProbeResult probe(const QString& path)
{
    ProbeResult result;
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QStringLiteral(SITELOOM_LOADPROBE), {path});
    // A hang guard, not a speed goal: loading any of these files takes seconds at most.
    if (!child.waitForFinished(180'000)) {
        child.kill();
        child.waitForFinished();
        result.failure = u"the probe did not finish: "_s + child.errorString();
        return result;
    }
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        result.failure = u"the probe failed with exit code %1"_s.arg(child.exitCode());
        return result;
    }
    const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
    for (const QByteArray& line : lines) {
        const qsizetype space = line.indexOf(' ');
        const QByteArray key = line.left(space);
        const QString value = QString::fromUtf8(line.mid(space + 1));
        if (key == "message")
            result.messages.append(QString(value).replace(u"\\n"_s, u"\n"_s));
        else if (key == "entries")
            result.entries = value.toInt();
        else if (key == "peak-kib")
            result.peakKib = value.toLongLong();
    }
    return result;
}

} // namespace

class tst_badfiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void badFile_data();
    void badFile();

private:
    QTemporaryDir m_dir;
    qint64 m_baselineKib = 0;
};

void tst_badfiles::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString path = m_dir.filePath(u"tiny.txt"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("list1=001\r\nls000=a\x81\x46"
               "b\x81\x46"
               "c\r\n");
    file.close();
    const ProbeResult tiny = probe(path);
    QVERIFY2(tiny.failure.isEmpty(), qPrintable(tiny.failure));
    QCOMPARE(tiny.messages, QStringList{u"読込み完了"_s});
    m_baselineKib = tiny.peakKib;
    qInfo("loading a tiny file: peak %lld MiB", m_baselineKib / 1024);
}

void tst_badfiles::badFile_data()
{
    QTest::addColumn<Producer>("content");
    QTest::addColumn<QString>("message"); // what the one message says, after the file's path for a refusal
    QTest::addColumn<int>("entries");     // in the list afterwards; the start list is empty

    const QString notText = u"テキストファイルではありません（NUL 文字を含んでいます）。"_s;
    QTest::newRow("200 MB of random bytes") << random(200 * megabyte, true) << notText << 0;
    QTest::newRow("200 MB of random bytes without NUL")
        << random(200 * megabyte, false) << u"Shift_JIS（CP932）のテキストファイルではありません。"_s << 0;
    QTest::newRow("one line of 50 MB, no key in it") << repeated('A', 50 * megabyte) << u"読込み完了"_s << 0;
    QTest::newRow("a title of 50 MB")
        << concatenated({bytes("te006="), repeated('T', 50 * megabyte)})
        << u"「トップのタイトル名」が長すぎます（52428800文字。入力欄には32767文字までしか入りません）。"_s
        << 0;
    QTest::newRow("an entry of 50 MB")
        << concatenated(
               {bytes("list1=001\r\nls000=a\x81\x46"), repeated('n', 50 * megabyte), bytes("\x81\x46u\r\n")})
        << u"リストの1番目の項目が長すぎます（52428800文字。入力欄には32767文字までしか入りません）。"_s << 0;
    QTest::newRow("50 MB of line ends") << repeated('\n', 50 * megabyte) << u"読込み完了"_s << 0;
    QTest::newRow("a count of 2,000,000,000")
        << bytes("list1=2000000000\r\nls000=a\x81\x46"
                 "b\x81\x46"
                 "c\r\nls001=d\x81\x46"
                 "e\x81\x46"
                 "f\r\n")
        << u"リストの項目は、2000000000件のうち2件だけ読み込みました。"_s << 2;
    QTest::newRow("UTF-8")
        << bytes(u"list1=001\r\nls000=バナー：サイト：http://example.jp/\r\nte006=リンク\r\n"_s.toUtf8())
        << u"UTF-8 で保存されたファイルのようです。"_s << 0;
    QTest::newRow("NUL bytes") << bytes(QByteArray("list1=001\r\nls000=a\0b\r\n", 21)) << notText << 0;
}

void tst_badfiles::badFile()
{
    QFETCH(Producer, content);
    QFETCH(QString, message);
    QFETCH(int, entries);

    const QString path = m_dir.filePath(u"bad.txt"_s);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        content(file);
        QVERIFY(file.error() == QFileDevice::NoError);
    }
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

QTEST_GUILESS_MAIN(tst_badfiles)
#include "tst_badfiles.moc"
