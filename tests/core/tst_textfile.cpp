#include "text/textfile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace siteloom;

namespace {

// A device that fills up like a disk: it takes what fits, then fails every write.
class FailingDevice : public QIODevice
{
public:
    explicit FailingDevice(qint64 capacity) : m_capacity(capacity) { open(QIODevice::WriteOnly); }

    QByteArray written;
    int writesAfterFailure = 0;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        const qint64 room = std::min(size, m_capacity - written.size());
        if (m_failed || room == 0) {
            writesAfterFailure += m_failed ? 1 : 0;
            m_failed = true;
            return -1;
        }
        written.append(data, room);
        return room;
    }

private:
    qint64 m_capacity;
    bool m_failed = false;
};

// Pieces with their Windows-31J bytes, written out here rather than computed by the encoder.
struct Piece
{
    QString text;
    QByteArray bytes;
};
const QList<Piece>& pieces()
{
    static const QList<Piece> list{
        {u"link"_s, "link"},
        {u"リンク"_s, QByteArray::fromHex("838A8393834E")},
        {u"髙﨑① ｱｲｳ"_s, QByteArray::fromHex("FBFCFAB1874020B1B2B3")},
        {u" = "_s, " = "},
        // Pieces from here on need handling beside ICU's own conversion.
        {u"😀"_s, "&#128512;"},
        {u"café"_s, "caf&#233;"},
        {u"〜"_s, QByteArray::fromHex("8160")},
        {u"\x1A\x7F"_s, QByteArray::fromHex("1A7F")},
    };
    return list;
}

mode_t fileMode(const QString& path)
{
    struct stat info
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : mode_t(-1);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

const auto writeTwoLines = [](LineWriter& writer) {
    writer.writeLine(u"あ"_s);
    writer.writeLine(u"b"_s);
};
const QByteArray twoLinesBytes = QByteArray::fromHex("82A00D0A620D0A");

} // namespace

class TestTextFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void lineWriterMatchesBytewiseExpectation_data();
    void lineWriterMatchesBytewiseExpectation();
    void lineWriterReportsFailedWrites_data();
    void lineWriterReportsFailedWrites();
    void newFileGetsUmaskPermissions_data();
    void newFileGetsUmaskPermissions();
    void replacedFileKeepsPermissionsAndOnlyNewBytes_data();
    void replacedFileKeepsPermissionsAndOnlyNewBytes();
    void unwritablePathFailsWithoutLeftovers_data();
    void unwritablePathFailsWithoutLeftovers();
    void failedWriteKeepsEarlierFile();
    void exactFileRefusesUnencodable_data();
    void exactFileRefusesUnencodable();
    void readsLines_data();
    void readsLines();
    void rejectsInvalidEncoding_data();
    void rejectsInvalidEncoding();
    void missingFileFails();

private:
    QTemporaryDir m_dir;
};

void TestTextFile::lineWriterMatchesBytewiseExpectation_data()
{
    QTest::addColumn<QList<int>>("lineLengths"); // pieces per line
    QTest::addColumn<bool>("plainOnly");         // no piece that needs special handling

    QTest::newRow("no lines") << QList<int>{} << false;
    QTest::newRow("one empty line") << QList<int>{0} << false;
    QList<int> shortLines;
    for (int i = 0; i < 30000; ++i)
        shortLines << (i * 7) % 11;
    QTest::newRow("short lines over many chunks") << shortLines << false;
    QTest::newRow("plain short lines over many chunks") << shortLines << true;
    QTest::newRow("line longer than a chunk between short lines")
        << QList<int>{3, 1, 40000, 2, 0, 5} << false;
    QTest::newRow("plain line longer than a chunk") << QList<int>{3, 40000, 2} << true;
}

void TestTextFile::lineWriterMatchesBytewiseExpectation()
{
    QFETCH(QList<int>, lineLengths);
    QFETCH(bool, plainOnly);
    const QList<Piece> usable = plainOnly ? pieces().first(4) : pieces();
    QBuffer buffer;
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    LineWriter writer(&buffer);
    QByteArray expected;
    int next = 0;
    for (const int length : lineLengths) {
        QString line;
        for (int i = 0; i < length; ++i, ++next) {
            const Piece& piece = usable.at((next * 5 + next / 9) % usable.size());
            line += piece.text;
            expected += piece.bytes;
        }
        writer.writeLine(line);
        expected += "\r\n";
    }
    QVERIFY(writer.finish());
    QVERIFY(buffer.data() == expected); // QCOMPARE would print megabytes
}

void TestTextFile::lineWriterReportsFailedWrites_data()
{
    QTest::addColumn<qint64>("capacity");
    QTest::addColumn<bool>("succeeds");

    // 10,000 lines of "リンク = link" make 150,000 bytes; a chunk holds 2731 lines, 40,965 bytes.
    QTest::newRow("fails in the first chunk") << qint64(1000) << false;
    QTest::newRow("fails in the second chunk") << qint64(50000) << false;
    QTest::newRow("fails in the final flush") << qint64(140000) << false;
    QTest::newRow("one byte short") << qint64(149999) << false;
    QTest::newRow("room for everything") << qint64(150000) << true;
}

void TestTextFile::lineWriterReportsFailedWrites()
{
    QFETCH(qint64, capacity);
    QFETCH(bool, succeeds);
    FailingDevice device(capacity);
    LineWriter writer(&device);
    for (int i = 0; i < 10000; ++i)
        writer.writeLine(u"リンク = link"_s);
    QCOMPARE(writer.finish(), succeeds);
    QCOMPARE(device.writesAfterFailure, 0);
    if (succeeds)
        QCOMPARE(device.written.size(), 150000);
}

void TestTextFile::newFileGetsUmaskPermissions_data()
{
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("mode");

    QTest::newRow("umask 022") << 0022 << 0644;
    QTest::newRow("umask 027") << 0027 << 0640;
    QTest::newRow("umask 077") << 0077 << 0600;
    QTest::newRow("umask 002") << 0002 << 0664;
}

void TestTextFile::newFileGetsUmaskPermissions()
{
    QFETCH(int, mask);
    QFETCH(int, mode);
    const QString path = m_dir.filePath(u"new-%1.html"_s.arg(mask, 0, 8));
    const mode_t previous = ::umask(mode_t(mask));
    FileError error;
    const bool written = writeTextFile(path, writeTwoLines, &error);
    ::umask(previous);
    QVERIFY2(written, qPrintable(error.reason));
    QCOMPARE(readAll(path), twoLinesBytes);
    QCOMPARE(int(fileMode(path)), mode);
}

void TestTextFile::replacedFileKeepsPermissionsAndOnlyNewBytes_data()
{
    QTest::addColumn<int>("mode");

    QTest::newRow("private file") << 0600;
    QTest::newRow("executable file") << 0755;
    QTest::newRow("group-writable file") << 0664;
}

void TestTextFile::replacedFileKeepsPermissionsAndOnlyNewBytes()
{
    QFETCH(int, mode);
    const QString path = m_dir.filePath(u"replace-%1.txt"_s.arg(mode, 0, 8));
    QVERIFY(writeBytes(path, QByteArray(10000, 'x')));
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
    QVERIFY(writeTextFile(path, writeTwoLines, nullptr));
    QCOMPARE(readAll(path), twoLinesBytes);
    QCOMPARE(int(fileMode(path)), mode);
}

void TestTextFile::unwritablePathFailsWithoutLeftovers_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("directoryAtPath");

    QTest::newRow("directory standing at the path") << u"taken/index.html"_s << true;
    QTest::newRow("missing directory") << u"missing/index.html"_s << false;
}

void TestTextFile::unwritablePathFailsWithoutLeftovers()
{
    QFETCH(QString, name);
    QFETCH(bool, directoryAtPath);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    if (directoryAtPath)
        QVERIFY(QDir().mkpath(path));
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    FileError error;
    QVERIFY(!writeTextFile(path, writeTwoLines, &error));
    QCOMPARE(error.path, QDir::toNativeSeparators(path));
    QVERIFY(!error.reason.isEmpty());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    if (directoryAtPath)
        QVERIFY(QDir(path).isEmpty());
}

// The file size limit makes writes fail part-way, as a full disk would.
void TestTextFile::failedWriteKeepsEarlierFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"list.txt"_s);
    const QByteArray earlier = "earlier=contents\r\n";
    QVERIFY(writeBytes(path, earlier));

    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previousLimit{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &previousLimit), 0);
    rlimit limit = previousLimit;
    limit.rlim_cur = 100000;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    FileError error;
    const bool written = writeTextFile(
        path,
        [](LineWriter& writer) {
            for (int i = 0; i < 20000; ++i)
                writer.writeLine(u"key%1=値"_s.arg(i));
        },
        &error);
    ::setrlimit(RLIMIT_FSIZE, &previousLimit);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!written);
    QCOMPARE(error.reason, QString::fromLocal8Bit(std::strerror(EFBIG)));
    QCOMPARE(readAll(path), earlier);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{u"list.txt"_s});
}

// Text that must be kept exactly is written only when every character fits the code page; a
// character that does not leaves the earlier file as it was, wherever it stands in the text.
void TestTextFile::exactFileRefusesUnencodable_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("refused");

    const QStringList many(5000, u"ls000=b.gif：サイト：http://example.jp/"_s);
    QTest::newRow("every character fits") << QStringList{u"リンク〜\x1A"_s, u"髙﨑①"_s} << false;
    QTest::newRow("many chunks that fit") << many << false;
    QTest::newRow("in the first line") << QStringList{u"café"_s, u"b"_s} << true;
    QTest::newRow("in the last line, after many chunks") << QStringList(many) + QStringList{u"😀"_s} << true;
    QTest::newRow("in a line longer than a chunk") << QStringList{u"a"_s.repeated(40000) + u"é"_s} << true;
}

void TestTextFile::exactFileRefusesUnencodable()
{
    QFETCH(QStringList, lines);
    QFETCH(bool, refused);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"list.txt"_s);
    const QByteArray earlier = "earlier=contents\r\n";
    QVERIFY(writeBytes(path, earlier));
    const auto produce = [&lines](LineWriter& writer) {
        for (const QString& line : std::as_const(lines))
            writer.writeLine(line);
    };

    FileError error;
    bool unencodable = !refused;
    const bool written = writeExactTextFile(path, produce, &error, &unencodable);
    QCOMPARE(written, !refused);
    QCOMPARE(unencodable, refused);
    if (refused) {
        QCOMPARE(readAll(path), earlier);
    } else {
        const QString other = dir.filePath(u"other.txt"_s);
        QVERIFY(writeTextFile(other, produce, nullptr));
        QCOMPARE(readAll(path), readAll(other));
        QVERIFY(QFile::remove(other));
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{u"list.txt"_s});
}

void TestTextFile::readsLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("LF") << QByteArray("a\nb\n") << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("CR") << QByteArray("a\rb\r") << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("mixed endings") << QByteArray("a\r\nb\nc\rd")
                                   << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s};
    QTest::newRow("last line without ending") << QByteArray("a\r\nb") << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("only a line end") << QByteArray("\r\n") << QStringList{QString()};
    QTest::newRow("blank lines kept") << QByteArray("a\r\n\r\n\nb") << QStringList{u"a"_s, {}, {}, u"b"_s};
    QTest::newRow("LF CR is two ends") << QByteArray("a\n\rb") << QStringList{u"a"_s, {}, u"b"_s};
    QTest::newRow("Japanese key=value") << QByteArray::fromHex("96BC914F3D8ABF8E9A0D0AB1FBFC3D8160")
                                        << QStringList{u"名前=漢字"_s, u"ｱ髙=～"_s};
    // The reader takes the file 64 KiB at a time: what stands across the edge of a piece must read
    // as it would anywhere else.
    const QByteArray filler(65535, 'x');
    const QString fillerText(65535, u'x');
    QTest::newRow("CR LF across two pieces") << filler + "\r\nb\r\n" << QStringList{fillerText, u"b"_s};
    QTest::newRow("CR alone at the end of a piece")
        << filler + "\rb\rc" << QStringList{fillerText, u"b"_s, u"c"_s};
    QTest::newRow("two-byte character across two pieces")
        << filler + QByteArray::fromHex("82A00D0A") << QStringList{fillerText + u"あ"_s};
    QTest::newRow("line longer than three pieces")
        << QByteArray("a\r\n") + QByteArray::fromHex("82A0").repeated(100000) + "\r\nz"
        << QStringList{u"a"_s, u"あ"_s.repeated(100000), u"z"_s};
    QStringList many;
    QByteArray manyBytes;
    for (int i = 0; i < 20000; ++i) {
        many.append(u"ls%1=リンク"_s.arg(i));
        manyBytes += "ls" + QByteArray::number(i) + "=" + QByteArray::fromHex("838A8393834E") + "\n";
    }
    QTest::newRow("many lines over many pieces") << manyBytes << many;
}

void TestTextFile::readsLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    const QString path = m_dir.filePath(u"read.txt"_s);
    QVERIFY(writeBytes(path, bytes));
    QStringList read{u"stale"_s};
    bool invalid = true;
    QVERIFY(readTextFile(path, &read, nullptr, &invalid));
    QCOMPARE(read, lines);
    QVERIFY(!invalid);
}

void TestTextFile::rejectsInvalidEncoding_data()
{
    QTest::addColumn<QByteArray>("bytes");

    // Short UTF-8 Japanese is often valid Windows-31J by accident ("東京" reads as "譚ｱ莠ｬ");
    // a file of a few lines practically never is.
    QTest::newRow("UTF-8 Japanese") << u"タイトル=新着情報\r\nリンク=東京のサイト\r\n"_s.toUtf8();
    QTest::newRow("lone lead byte at end") << QByteArray("a=b\r\n\x82");
    QTest::newRow("lone lead byte at the end, pieces later") << QByteArray(200000, 'x') + "\r\n\x82";
    QTest::newRow("lead byte before a line end, pieces later")
        << QByteArray(200000, 'x') + "\r\n\x82\r\nmore\r\n";
}

void TestTextFile::rejectsInvalidEncoding()
{
    QFETCH(QByteArray, bytes);
    const QString path = m_dir.filePath(u"invalid.txt"_s);
    QVERIFY(writeBytes(path, bytes));
    QStringList lines{u"kept"_s};
    FileError error;
    bool invalid = false;
    QVERIFY(!readTextFile(path, &lines, &error, &invalid));
    QVERIFY(invalid);
    QCOMPARE(error.path, QDir::toNativeSeparators(path));
    QCOMPARE(lines, QStringList{u"kept"_s});
}

void TestTextFile::missingFileFails()
{
    const QString path = m_dir.filePath(u"absent.txt"_s);
    QStringList lines;
    FileError error;
    bool invalid = true;
    QVERIFY(!readTextFile(path, &lines, &error, &invalid));
    QVERIFY(!invalid);
    QCOMPARE(error.path, QDir::toNativeSeparators(path));
    QVERIFY(!error.reason.isEmpty());
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
