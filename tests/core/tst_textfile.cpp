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
    void exactFileRefusesWhatWouldNotReadBack_data();
    void exactFileRefusesWhatWouldNotReadBack();
    void readsLines_data();
    void readsLines();
    void rejectsInvalidEncoding_data();
    void rejectsInvalidEncoding();
    void recognisesOtherEncodings_data();
    void recognisesOtherEncodings();
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

// Text that must be kept exactly is written only when the reader gives it back: every character
// fits the code page, none is NUL, and the whole does not read as UTF-8. Otherwise the earlier file
// stays as it was, wherever the cause stands in the text, and the writer names the cause as the
// reader names it for the same text written without care.
void TestTextFile::exactFileRefusesWhatWouldNotReadBack_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<TextEncodingProblem>("refused");

    const auto none = TextEncodingProblem::None;
    const auto unencodable = TextEncodingProblem::NotWindows31J;
    const auto nul = TextEncodingProblem::NulByte;
    const auto utf8 = TextEncodingProblem::Utf8;
    const QStringList many(5000, u"ls000=b.gif：サイト：http://example.jp/"_s);
    const QStringList manyAscii(5000, u"ls000=b.gif:site:http://example.jp/"_s);
    QTest::newRow("every character fits") << QStringList{u"リンク〜\x1A"_s, u"髙﨑①"_s} << none;
    QTest::newRow("many chunks that fit") << many << none;
    QTest::newRow("in the first line") << QStringList{u"café"_s, u"b"_s} << unencodable;
    QTest::newRow("in the last line, after many chunks")
        << QStringList(many) + QStringList{u"😀"_s} << unencodable;
    QTest::newRow("in a line longer than a chunk")
        << QStringList{u"a"_s.repeated(40000) + u"é"_s} << unencodable;
    QTest::newRow("NUL") << QStringList{u"te006=a"_s + QChar(0) + u"b"_s} << nul;
    QTest::newRow("NUL after many chunks") << QStringList(many) + QStringList{QString(QChar(0))} << nul;
    // Windows-31J "荳｡" is the UTF-8 of "両".
    QTest::newRow("text that reads as UTF-8 Japanese") << QStringList{u"te006=荳｡"_s} << utf8;
    QTest::newRow("reads as UTF-8 Japanese only at the end of many chunks")
        << QStringList(manyAscii) + QStringList{u"te006=荳｡"_s} << utf8;
    QTest::newRow("a kana after the UTF-8 look-alike") << QStringList{u"te006=荳｡"_s, u"あ"_s} << none;
    QTest::newRow("ASCII only") << manyAscii << none;
}

void TestTextFile::exactFileRefusesWhatWouldNotReadBack()
{
    QFETCH(QStringList, lines);
    QFETCH(TextEncodingProblem, refused);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"list.txt"_s);
    const QByteArray earlier = "earlier=contents\r\n";
    QVERIFY(writeBytes(path, earlier));
    const auto produce = [&lines](LineWriter& writer) {
        for (const QString& line : std::as_const(lines))
            writer.writeLine(line);
    };

    FileError error;
    TextEncodingProblem problem = TextEncodingProblem::NulByte;
    const bool written = writeExactTextFile(path, produce, &error, &problem);
    QCOMPARE(written, refused == TextEncodingProblem::None);
    QCOMPARE(problem, refused);
    const QString other = dir.filePath(u"other.txt"_s);
    QVERIFY(writeTextFile(other, produce, nullptr));
    if (written) {
        QCOMPARE(readAll(path), readAll(other));
    } else {
        QCOMPARE(readAll(path), earlier);
        // Characters the code page lacks become references when written without care, which read
        // back; a NUL or UTF-8 look-alike is refused by the reader as by the writer.
        TextEncodingProblem read = TextEncodingProblem::None;
        const bool readBack = readTextLines(
            other, [](QStringView) {}, nullptr, &read);
        QCOMPARE(read, refused == TextEncodingProblem::NotWindows31J ? TextEncodingProblem::None : refused);
        QCOMPARE(readBack, read == TextEncodingProblem::None);
    }
    QVERIFY(QFile::remove(other));
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
    QStringList read;
    TextEncodingProblem problem = TextEncodingProblem::NulByte;
    QVERIFY(readTextLines(
        path, [&read](QStringView line) { read.append(line.toString()); }, nullptr, &problem));
    QCOMPARE(read, lines);
    QCOMPARE(problem, TextEncodingProblem::None);
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
    FileError error;
    TextEncodingProblem problem = TextEncodingProblem::None;
    QVERIFY(!readTextLines(
        path, [](QStringView) {}, &error, &problem));
    QVERIFY(problem != TextEncodingProblem::None);
    QCOMPARE(error.path, QDir::toNativeSeparators(path));
    QVERIFY(!error.reason.isEmpty());
}

// Which files are taken for UTF-8 or binary rather than Windows-31J text. The reader takes the file
// a piece at a time; what tells a file apart may stand anywhere in it, or across two pieces.
void TestTextFile::recognisesOtherEncodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<TextEncodingProblem>("problem");

    const auto none = TextEncodingProblem::None;
    const auto utf8 = TextEncodingProblem::Utf8;
    const auto nul = TextEncodingProblem::NulByte;
    const auto invalid = TextEncodingProblem::NotWindows31J;
    QTest::newRow("UTF-8 byte-order mark") << QByteArray("\xEF\xBB\xBFlist1=000\r\n") << utf8;
    QTest::newRow("short UTF-8 Japanese that is also valid Windows-31J")
        << u"list1=001\r\nls000=こんにちは\r\n"_s.toUtf8() << utf8;
    QTest::newRow("UTF-8 full-width letters") << u"te006=ＡＢＣ\r\n"_s.toUtf8() << utf8;
    QTest::newRow("Windows-31J Japanese")
        << QByteArray::fromHex("746530303633838A8393834E8F570D0A") /* te006=リンク集 */ << none;
    QTest::newRow("half-width katakana that happen to be two-byte UTF-8")
        << QByteArray::fromHex("6C733030303DC3BDC4814662") /* ls000=ﾃｽﾄ：Fb */ << none;
    QTest::newRow("UTF-8 without Japanese reads as Windows-31J") << u"te008=café\r\n"_s.toUtf8() << none;
    QTest::newRow("Windows-31J that is UTF-8 Japanese throughout")
        << QByteArray::fromHex("746530303633E4B8A1") /* te006=荳｡, the UTF-8 of 両 */ << utf8;
    QTest::newRow("NUL byte") << QByteArray("list1=001\r\nls000=a\0b\r\n", 21) << nul;
    QTest::newRow("UTF-16 with its byte-order mark") << QByteArray::fromHex("FFFE6C00690073007400") << nul;
    QTest::newRow("UTF-8 Japanese cut off") << QByteArray("te006=\xE3\x81\x93\xE3\x81") << invalid;

    const QByteArray ascii = QByteArray("te008=ascii\r\n").repeated(20000); // 260 KB: several pieces
    const QByteArray japanese = u"te006=リンク集\r\n"_s.toUtf8();
    QTest::newRow("UTF-8 Japanese only after many pieces of ASCII") << ascii + japanese << utf8;
    QTest::newRow("UTF-8 Japanese that is not Windows-31J, over many pieces")
        << u"リンク=東京のサイト\r\n"_s.toUtf8().repeated(20000) << utf8;
    // A read ends after 65,536 bytes: the first byte of "あ" (E3 81 82) ends one, the rest begins the next.
    QTest::newRow("UTF-8 character across two reads")
        << QByteArray(65535, 'x') + u"あ\r\n"_s.toUtf8() << utf8;
    QTest::newRow("UTF-8 byte-order mark, NUL pieces later")
        << QByteArray("\xEF\xBB\xBF") + ascii + QByteArray(1, '\0') << nul;
    QTest::newRow("not Windows-31J, NUL pieces later")
        << QByteArray("te006=\x82\r\n") + ascii + QByteArray(1, '\0') << nul;
    QTest::newRow("NUL in a line longer than a piece")
        << QByteArray(100000, 'x') + QByteArray(1, '\0') + QByteArray(100000, 'x') << nul;
    QTest::newRow("UTF-8 look-alike, then Windows-31J kana pieces later")
        << QByteArray::fromHex("746530303633E4B8A10D0A") + ascii + QByteArray::fromHex("82A0") << none;
    QTest::newRow("UTF-8 Japanese, then a lone lead byte pieces later")
        << japanese + ascii + "\x82" << invalid;
}

void TestTextFile::recognisesOtherEncodings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(TextEncodingProblem, problem);
    const QString path = m_dir.filePath(u"other.txt"_s);
    QVERIFY(writeBytes(path, bytes));
    FileError error;
    TextEncodingProblem found = TextEncodingProblem::NulByte;
    const bool read = readTextLines(
        path, [](QStringView) {}, &error, &found);
    QCOMPARE(found, problem);
    QCOMPARE(read, problem == TextEncodingProblem::None);
    if (!read)
        QCOMPARE(error.path, QDir::toNativeSeparators(path));
}

void TestTextFile::missingFileFails()
{
    const QString path = m_dir.filePath(u"absent.txt"_s);
    FileError error;
    TextEncodingProblem problem = TextEncodingProblem::NulByte;
    QVERIFY(!readTextLines(
        path, [](QStringView) {}, &error, &problem));
    QCOMPARE(problem, TextEncodingProblem::None);
    QCOMPARE(error.path, QDir::toNativeSeparators(path));
    QVERIFY(!error.reason.isEmpty());
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
