#include "filebytes.h"
#include "text/csv.h"
#include "text/textfile.h"

#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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
using Piece = std::pair<QString, QByteArray>;
const QList<Piece> pieces{
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

mode_t fileMode(const QString& path)
{
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : mode_t(-1);
}

void writeLines(LineWriter& writer, const QStringList& lines)
{
    for (const QString& line : lines)
        writer.writeLine(line);
}

const QByteArray earlier = "earlier=contents\r\n";

void writeTwoLines(LineWriter& writer)
{
    writeLines(writer, {u"あ"_s, u"b"_s});
}

} // namespace

class TestTextFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void writesBytesInChunks_data()
    {
        QTest::addColumn<QList<int>>("lineLengths"); // pieces per line
        QTest::addColumn<bool>("plainOnly");         // no piece that needs special handling
        QTest::addColumn<qint64>("capacity"); // of the device; 0 or less: the whole text's size plus this

        QList<int> shortLines;
        for (int i = 0; i < 30000; ++i)
            shortLines << (i * 7) % 11;
        QTest::newRow("no lines") << QList<int>{} << false << qint64(0);
        QTest::newRow("one empty line") << QList<int>{0} << false << qint64(0);
        QTest::newRow("short lines over many chunks") << shortLines << false << qint64(0);
        QTest::newRow("plain short lines over many chunks") << shortLines << true << qint64(0);
        QTest::newRow("line longer than a chunk between short lines")
            << QList<int>{3, 1, 40000, 2, 0, 5} << false << qint64(0);
        QTest::newRow("plain line longer than a chunk") << QList<int>{3, 40000, 2} << true << qint64(0);
        // A chunk holds 32 Ki characters, 40 to 60 KB here.
        QTest::newRow("disk full in the first chunk") << shortLines << false << qint64(1000);
        QTest::newRow("disk full in the second chunk") << shortLines << false << qint64(70000);
        QTest::newRow("disk full one byte short, in the final flush") << shortLines << false << qint64(-1);
    }

    // What the writer hands the device is the text's bytes exactly; after the first failed write it
    // hands on nothing more and reports the failure.
    void writesBytesInChunks()
    {
        QFETCH(QList<int>, lineLengths);
        QFETCH(bool, plainOnly);
        QFETCH(qint64, capacity);
        const QList<Piece> usable = plainOnly ? pieces.first(4) : pieces;
        QStringList lines;
        QByteArray expected;
        int next = 0;
        for (const int length : lineLengths) {
            lines.append(QString());
            for (int i = 0; i < length; ++i, ++next) {
                const Piece& piece = usable.at((next * 5 + next / 9) % usable.size());
                lines.last() += piece.first;
                expected += piece.second;
            }
            expected += "\r\n";
        }
        if (capacity <= 0)
            capacity += expected.size();
        FailingDevice device(capacity);
        LineWriter writer(&device);
        writeLines(writer, lines);
        QCOMPARE(writer.finish(), capacity == expected.size());
        QCOMPARE(device.writesAfterFailure, 0);
        QVERIFY(device.written == expected.left(capacity)); // QCOMPARE would print megabytes
    }

    // A new file gets what the umask leaves; a replaced one keeps its own mode and only the new bytes.
    void writtenFileGetsPermissions_data()
    {
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("earlierMode"); // -1: no earlier file
        QTest::addColumn<int>("mode");

        QTest::newRow("new file, umask 022") << 0022 << -1 << 0644;
        QTest::newRow("new file, umask 077") << 0077 << -1 << 0600;
        QTest::newRow("new file, umask 002") << 0002 << -1 << 0664;
        QTest::newRow("replaced private file") << 0022 << 0600 << 0600;
        QTest::newRow("replaced executable file") << 0022 << 0755 << 0755;
        // Only root may replace these; Qt alone gave them back writable for their owner (0644, 0600).
        QTest::newRow("replaced read-only file, by root") << 0022 << 0444 << 0444;
        QTest::newRow("replaced owner-read-only file, by root") << 0022 << 0400 << 0400;
        QTest::newRow("replaced file others may write, by root") << 0077 << 0466 << 0466;
    }

    void writtenFileGetsPermissions()
    {
        QFETCH(int, mask);
        QFETCH(int, earlierMode);
        QFETCH(int, mode);
        const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        if (earlierMode >= 0 && (earlierMode & 0200) == 0 && ::geteuid() != 0)
            QSKIP("only root may replace a file its owner may not write");
        if (earlierMode >= 0) {
            QVERIFY(writeBytes(path, QByteArray(10000, 'x')));
            QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(earlierMode)), 0);
        }
        const mode_t previous = ::umask(mode_t(mask));
        FileError error;
        const bool written = writeTextFile(path, writeTwoLines, &error);
        ::umask(previous);
        QVERIFY2(written, qPrintable(error.reason));
        QCOMPARE(readBytes(path), QByteArray::fromHex("82A00D0A620D0A"));
        QCOMPARE(int(fileMode(path)), mode);
    }

    // The file size limit makes writes fail part-way, as a full disk would: wherever the limit falls,
    // the earlier file stays and no temporary file is left. The writer hands over pieces of 32 Ki
    // characters; through Qt's write buffer a last piece under 16 KiB was written only on closing,
    // unchecked, and a file cut short replaced the earlier one.
    void fullDiskKeepsEarlierFile_data()
    {
        QTest::addColumn<int>("lines"); // of 8 bytes each; a piece holds 4,682 of them
        QTest::addColumn<qint64>("limit");
        QTest::newRow("small file: inside its only piece") << 1000 << qint64(4096);
        QTest::newRow("small file: one byte short") << 1000 << qint64(7999);
        QTest::newRow("four pieces and a short one: inside the last") << 20000 << qint64(155000);
        QTest::newRow("inside the second piece") << 20000 << qint64(60000);
    }

    void fullDiskKeepsEarlierFile()
    {
        QFETCH(int, lines);
        QFETCH(qint64, limit);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"list.txt"_s);
        QVERIFY(writeBytes(path, earlier));
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit previousLimit{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &previousLimit), 0);
        rlimit newLimit = previousLimit;
        newLimit.rlim_cur = rlim_t(limit);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &newLimit), 0);
        FileError error;
        const bool written = writeTextFile(
            path, [lines](LineWriter& w) { writeLines(w, QStringList(lines, u"key=値"_s)); }, &error);
        ::setrlimit(RLIMIT_FSIZE, &previousLimit);
        std::signal(SIGXFSZ, previousHandler);

        QVERIFY(!written);
        QCOMPARE(error.path, QDir::toNativeSeparators(path));
        QCOMPARE(error.reason, u"ファイルが大きすぎます"_s);
        QCOMPARE(readBytes(path), earlier);
        QCOMPARE(filesIn(dir.path()), QStringList{u"list.txt"_s});
    }

    // Text that must be kept exactly is written only when the reader gives it back: every character
    // fits the code page, none is NUL, and the whole does not read as UTF-8. Otherwise the earlier file
    // stays as it was, wherever the cause stands in the text, and the writer names the cause as the
    // reader names it for the same text written without care.
    void exactFileRefusesWhatWouldNotReadBack_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<TextEncodingProblem>("refused");

        using enum TextEncodingProblem;
        const QStringList many(5000, u"ls000=b.gif：サイト：http://example.jp/"_s);
        const QStringList manyAscii(5000, u"ls000=b.gif:site:http://example.jp/"_s);
        QTest::newRow("every character fits") << QStringList{u"リンク〜\x1A"_s, u"髙﨑①"_s} << None;
        QTest::newRow("ASCII only") << manyAscii << None;
        QTest::newRow("in the last line, after many chunks") << many + QStringList{u"😀"_s} << NotWindows31J;
        QTest::newRow("in a line longer than a chunk")
            << QStringList{u"a"_s.repeated(40000) + u"é"_s} << NotWindows31J;
        QTest::newRow("NUL after many chunks") << many + QStringList{QString(QChar(0))} << NulByte;
        // Windows-31J "荳｡" is the UTF-8 of "両".
        QTest::newRow("text that reads as UTF-8 Japanese") << QStringList{u"te006=荳｡"_s} << Utf8;
        QTest::newRow("reads as UTF-8 Japanese only at the end of many chunks")
            << manyAscii + QStringList{u"te006=荳｡"_s} << Utf8;
        QTest::newRow("a kana after the UTF-8 look-alike") << QStringList{u"te006=荳｡"_s, u"あ"_s} << None;
    }

    void exactFileRefusesWhatWouldNotReadBack()
    {
        QFETCH(QStringList, lines);
        QFETCH(TextEncodingProblem, refused);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"list.txt"_s);
        QVERIFY(writeBytes(path, earlier));
        const auto produce = [&lines](LineWriter& writer) { writeLines(writer, lines); };

        FileError error;
        TextEncodingProblem problem = TextEncodingProblem::NulByte;
        const bool written = writeExactTextFile(path, produce, &error, &problem);
        QCOMPARE(written, refused == TextEncodingProblem::None);
        QCOMPARE(problem, refused);
        const QString other = dir.filePath(u"other.txt"_s);
        QVERIFY(writeTextFile(other, produce, nullptr));
        QCOMPARE(readBytes(path), written ? readBytes(other) : earlier);
        // Characters the code page lacks become references when written without care, which read back;
        // a NUL or UTF-8 look-alike is refused by the reader as by the writer.
        TextEncodingProblem read = TextEncodingProblem::NulByte;
        const bool readBack = readTextLines(
            other, [](QStringView) {}, nullptr, &read);
        QCOMPARE(readBack, read == TextEncodingProblem::None);
        QCOMPARE(read, refused == TextEncodingProblem::NotWindows31J ? TextEncodingProblem::None : refused);
        QVERIFY(QFile::remove(other));
        QCOMPARE(filesIn(dir.path()), QStringList{u"list.txt"_s});
    }

    // How a file's bytes split into lines, and which files are taken for UTF-8, binary or broken rather
    // than Windows-31J text. The reader takes the file 64 KiB at a time: what stands across the edge of
    // a piece must read as it would anywhere else, and what tells a file apart may stand anywhere.
    void readsLines_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // null: no file at all
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<TextEncodingProblem>("problem");

        using enum TextEncodingProblem;
        const auto row = [](const char* name, const QByteArray& bytes, const QStringList& lines = {},
                            TextEncodingProblem problem = TextEncodingProblem::None) {
            QTest::newRow(name) << bytes << lines << problem;
        };
        row("missing file", QByteArray());
        row("empty file", QByteArray(""));
        row("mixed endings, last line without one", "a\r\nb\nc\rd", {u"a"_s, u"b"_s, u"c"_s, u"d"_s});
        row("only a line end", "\r\n", {QString()});
        row("blank lines kept", "a\r\n\r\n\nb", {u"a"_s, {}, {}, u"b"_s});
        row("LF CR is two ends", "a\n\rb", {u"a"_s, {}, u"b"_s});
        row("Japanese key=value", QByteArray::fromHex("96BC914F3D8ABF8E9A0D0AB1FBFC3D8160"),
            {u"名前=漢字"_s, u"ｱ髙=～"_s});
        const QByteArray filler(65535, 'x');
        const QString fillerText(65535, u'x');
        row("CR LF across two pieces", filler + "\r\nb\r\n", {fillerText, u"b"_s});
        row("CR alone at the end of a piece", filler + "\rb\rc", {fillerText, u"b"_s, u"c"_s});
        row("two-byte character across two pieces", filler + QByteArray::fromHex("82A00D0A"),
            {fillerText + u"あ"_s});
        row("line longer than three pieces", "a\r\n" + QByteArray::fromHex("82A0").repeated(100000) + "\r\nz",
            {u"a"_s, u"あ"_s.repeated(100000), u"z"_s});

        row("UTF-8 byte-order mark", "\xEF\xBB\xBFlist1=000\r\n", {}, Utf8);
        row("short UTF-8 Japanese that is also valid Windows-31J",
            u"list1=001\r\nls000=こんにちは\r\n"_s.toUtf8(), {}, Utf8);
        // Japanese of one kind alone tells UTF-8 as well as hiragana does.
        row("UTF-8 katakana only", u"te006=カタカナ\r\n"_s.toUtf8(), {}, Utf8);
        row("UTF-8 kanji only", u"te006=漢字\r\n"_s.toUtf8(), {}, Utf8);
        row("UTF-8 full-width letters only", u"te006=ＡＢＣ\r\n"_s.toUtf8(), {}, Utf8);
        row("half-width katakana that happen to be two-byte UTF-8",
            QByteArray::fromHex("6C733030303DC3BDC4814662"), {u"ls000=ﾃｽﾄ：b"_s});
        row("UTF-8 without Japanese reads as Windows-31J", u"te008=café"_s.toUtf8(), {u"te008=cafﾃｩ"_s});
        row("NUL byte", QByteArray("list1=001\r\nls000=a\0b\r\n", 21), {}, NulByte);
        row("UTF-8 Japanese cut off", "te006=\xE3\x81\x93\xE3\x81", {}, NotWindows31J);

        const QByteArray ascii = QByteArray("te008=ascii\r\n").repeated(20000); // 260 KB: several pieces
        const QByteArray japanese = u"te006=リンク集\r\n"_s.toUtf8();
        row("UTF-8 Japanese only after many pieces of ASCII", ascii + japanese, {}, Utf8);
        row("UTF-8 Japanese that is not Windows-31J, over many pieces",
            u"リンク=東京のサイト\r\n"_s.toUtf8().repeated(20000), {}, Utf8);
        // A read ends after 65,536 bytes: the first byte of "あ" (E3 81 82) ends one, the rest begins the
        // next.
        row("UTF-8 character across two reads", filler + u"あ\r\n"_s.toUtf8(), {}, Utf8);
        row("UTF-8 byte-order mark, NUL pieces later", "\xEF\xBB\xBF" + ascii + QByteArray(1, '\0'), {},
            NulByte);
        row("not Windows-31J, NUL pieces later", "te006=\x82\r\n" + ascii + QByteArray(1, '\0'), {}, NulByte);
        row("NUL in a line longer than a piece",
            QByteArray(100000, 'x') + QByteArray(1, '\0') + QByteArray(100000, 'x'), {}, NulByte);
        row("UTF-8 look-alike, then Windows-31J kana pieces later",
            "te006=\xE4\xB8\xA1\r\n" + ascii + QByteArray::fromHex("82A0"),
            QStringList{u"te006=荳｡"_s} + QStringList(20000, u"te008=ascii"_s) + QStringList{u"あ"_s});
        row("UTF-8 Japanese, then a lone lead byte pieces later", japanese + ascii + "\x82", {},
            NotWindows31J);
        row("lead byte before a line end, pieces later", QByteArray(200000, 'x') + "\r\n\x82\r\nmore\r\n", {},
            NotWindows31J);
    }

    void readsLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QFETCH(TextEncodingProblem, problem);
        const QString path = m_dir.filePath(u"read.txt"_s);
        QFile::remove(path);
        if (!bytes.isNull())
            QVERIFY(writeBytes(path, bytes));
        QStringList read;
        FileError error;
        TextEncodingProblem found = TextEncodingProblem::NulByte;
        const bool ok = readTextLines(
            path, [&read](QStringView line) { read.append(line.toString()); }, &error, &found);
        QCOMPARE(found, problem);
        QCOMPARE(ok, !bytes.isNull() && problem == TextEncodingProblem::None);
        if (ok) {
            QVERIFY(read == lines); // QCOMPARE would print megabytes
        } else {
            QCOMPARE(error.path, QDir::toNativeSeparators(path));
            QVERIFY(!error.reason.isEmpty());
        }
    }

    // A file that must be new takes the path only where nothing stands as it is put in place: what
    // stands there is kept, a symbolic link is not followed (not even one to nowhere), and no
    // temporary file is left.
    void newFileNeverReplaces_data()
    {
        QTest::addColumn<QString>("standing");  // what stands at the path beforehand
        QTest::addColumn<QStringList>("files"); // the directory afterwards
        QTest::newRow("nothing: written") << QString() << QStringList{u"new.txt"_s};
        QTest::newRow("a file") << u"file"_s << QStringList{u"new.txt"_s};
        QTest::newRow("a symbolic link to nowhere") << u"dangling"_s << QStringList{u"new.txt"_s};
        QTest::newRow("a symbolic link to a file") << u"link"_s << QStringList{u"new.txt"_s, u"other.txt"_s};
    }

    void newFileNeverReplaces()
    {
        QFETCH(QString, standing);
        QFETCH(QStringList, files);
        const QDir dir(m_dir.filePath(QString::fromLatin1(QTest::currentDataTag())));
        QVERIFY(dir.mkpath(u"."_s));
        const QString path = dir.filePath(u"new.txt"_s);
        if (standing == u"file")
            QVERIFY(writeBytes(path, earlier));
        else if (standing == u"dangling")
            QVERIFY(QFile::link(dir.filePath(u"nowhere.txt"_s), path));
        else if (standing == u"link")
            QVERIFY(writeBytes(dir.filePath(u"other.txt"_s), earlier) && QFile::link(u"other.txt"_s, path));

        const mode_t previous = ::umask(0022);
        FileError error;
        const bool written = writeExactTextFile(path, writeTwoLines, &error, nullptr, ExistingFile::Keep);
        ::umask(previous);
        QCOMPARE(written, standing.isEmpty());
        QCOMPARE(error.exists, !standing.isEmpty());
        if (written) {
            QCOMPARE(readBytes(path), QByteArray::fromHex("82A00D0A620D0A"));
            QCOMPARE(int(fileMode(path)), 0644);
        } else {
            QCOMPARE(readBytes(path), standing == u"dangling" ? QByteArray() : earlier);
        }
        QCOMPARE(dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot), files);
    }

    // A CSV cell as a spreadsheet must read it: text, never a formula, never a control character.
    void csvCell_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("cell");
        QTest::newRow("plain") << u"サイト"_s << u"サイト"_s;
        QTest::newRow("comma and quotes") << u"a, \"b\""_s << u"\"a, \"\"b\"\"\""_s;
        QTest::newRow("formula") << u"=HYPERLINK(\"x\")"_s << u"\"'=HYPERLINK(\"\"x\"\")\""_s;
        QTest::newRow("plus") << u"+1"_s << u"'+1"_s;
        QTest::newRow("formula behind a control character") << u"\t=1"_s << u"'=1"_s;
        QTest::newRow("line breaks, tab, DEL and C1 dropped") << u"a\r\nb\tc\x7F\u0085d"_s << u"abcd"_s;
        QTest::newRow("formula sign inside") << u"a=b"_s << u"a=b"_s;
    }

    void csvCell()
    {
        QFETCH(QString, field);
        QFETCH(QString, cell);
        QCOMPARE(csvField(field), cell);
    }

    // Whatever a field holds, its cell holds no control character and does not begin a formula.
    void csvCellIsAlwaysText()
    {
        const QRegularExpression formulaOrControl(u"^\"?[=+\\-@]|[\\x{0}-\\x{1F}\\x{7F}-\\x{9F}]"_s);
        auto* random = QRandomGenerator::global();
        const QString alphabet = u"=+-@,\"a あ\r\n\t\x01\x1F\x7F\u0080\u009F"_s;
        for (int i = 0; i < 2000; ++i) {
            QString field;
            for (int n = random->bounded(6); n > 0; --n)
                field.append(alphabet[random->bounded(alphabet.size())]);
            const QString cell = csvField(field);
            QVERIFY2(!formulaOrControl.match(cell).hasMatch(), qPrintable(cell));
        }
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
