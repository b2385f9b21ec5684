#include "filebytes.h"
#include "listfile/listfile.h"
#include "text/cp932.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace siteloom;

Q_DECLARE_METATYPE(siteloom::PageInputs)

namespace siteloom {
// Failed comparisons show the inputs (the first entries only).
char* toString(const PageInputs& inputs)
{
    const QString text = u"%1 entries [%2] file=%3 bg=%4 image=%5 title=%6 own=%7|%8|%9"_s.arg(
        QString::number(inputs.entries.size()),
        inputs.entries.first(std::min<qsizetype>(inputs.entries.size(), 3)).join(u" | "), inputs.fileName,
        QString::number(inputs.background), inputs.backgroundImage, inputs.title, inputs.ownBanner,
        inputs.ownName, inputs.ownUrl);
    return qstrdup(text.toUtf8().constData());
}
} // namespace siteloom

namespace {

// The lines as a file would hold them: Windows-31J, each ended by CR LF.
QByteArray fileBytes(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += cp932::encode(line) + "\r\n";
    return bytes;
}

QByteArray written(const PageInputs& inputs)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    LineWriter writer(&buffer);
    writeListFile(inputs, writer);
    if (!writer.finish())
        return {};
    return buffer.data();
}

// The example of two entries with the third background button on, the rest at the start values.
PageInputs exampleInputs()
{
    PageInputs inputs;
    inputs.entries = {u"img/banner1.gif：サイトＡ：site1/index.html"_s,
                      u"img/banner2.gif：サイトＢ：site2/index.html"_s};
    inputs.background = 3;
    return inputs;
}

// A window state that shares nothing with the start values or the example.
PageInputs otherInputs()
{
    PageInputs inputs;
    inputs.entries = {u"old：entry：one"_s, u"old：entry：two"_s, u"old：entry：three"_s};
    inputs.fileName = u"old.html"_s;
    inputs.background = 7;
    inputs.backgroundImage = u"old-back.gif"_s;
    inputs.title = u"old title"_s;
    inputs.ownBanner = u"old-banner.gif"_s;
    inputs.ownName = u"old name"_s;
    inputs.ownUrl = u"old-url.html"_s;
    return inputs;
}

QStringList numberedEntries(int count)
{
    QStringList entries;
    for (int i = 0; i < count; ++i)
        entries.append(u"img/b%1.gif：サイト%1：http://example.jp/%1/"_s.arg(i));
    return entries;
}

} // namespace

class tst_listfile : public QObject
{
    Q_OBJECT

private slots:
    void writesTheExampleByteForByte();
    void loadsTheExampleOverAnotherState();
    void handMadeFileLineByLine_data();
    void handMadeFileLineByLine();
    void readingRules_data();
    void readingRules();
    void valuesTooLongForTheirBoxes_data();
    void valuesTooLongForTheirBoxes();
    void lineEnds_data();
    void lineEnds();
    void roundTrip_data();
    void roundTrip();
    void largeListsKeepTheWriterForm();
    void noBackgroundButtonWritesNoLine();
    void savingOverALongerFile();
    void unencodableTextWritesNothing_data();
    void unencodableTextWritesNothing();
    void textReadingAsUtf8WritesNothing();
};

void tst_listfile::writesTheExampleByteForByte()
{
    const QByteArray golden = readBytes(QStringLiteral(SITELOOM_TEST_DATA "/link-example.txt"));
    QVERIFY(!golden.isEmpty());
    QCOMPARE(written(exampleInputs()), golden);

    const QTemporaryDir dir;
    const QString path = dir.filePath(u"link.txt"_s);
    ListFileSaveError error;
    QVERIFY(saveListFile(path, exampleInputs(), &error));
    QCOMPARE(readBytes(path), golden);
}

void tst_listfile::loadsTheExampleOverAnotherState()
{
    PageInputs inputs = otherInputs();
    ListFileReadError error;
    std::optional<ShortEntryBlock> shortBlock;
    QVERIFY(
        loadListFile(QStringLiteral(SITELOOM_TEST_DATA "/link-example.txt"), &inputs, &error, &shortBlock));
    QCOMPARE(inputs, exampleInputs());
    QVERIFY(!shortBlock);
}

// Each row is the hand-made file cut after one more line: what the lines so far have set.
void tst_listfile::handMadeFileLineByLine_data()
{
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<PageInputs>("expected");
    QTest::addColumn<int>("shortRead"); // -1: the block is complete

    PageInputs expected = otherInputs();
    expected.title = u"ABC"_s;
    QTest::newRow("title line") << 1 << expected << -1;
    expected.entries.clear();
    QTest::newRow("count line empties the list") << 2 << expected << 0;
    expected.entries = {u"x"_s};
    QTest::newRow("first entry") << 3 << expected << 1;
    expected.entries = {u"x"_s, u"y"_s};
    QTest::newRow("second entry") << 4 << expected << 2;
    QTest::newRow("background line swallowed by the block") << 5 << expected << -1;
    expected.fileName = u"page.html"_s;
    QTest::newRow("file name after the block") << 6 << expected << -1;
}

void tst_listfile::handMadeFileLineByLine()
{
    QFETCH(int, lineCount);
    QFETCH(PageInputs, expected);
    QFETCH(int, shortRead);
    const QStringList file = {u"te006=ABC"_s, u"list1=3"_s, u"ls000=x"_s,
                              u"ls001=y"_s,   u"opt05=1"_s, u"te001=page.html"_s};
    const ListFileContent content = parseListFile(file.first(lineCount));
    PageInputs inputs = otherInputs();
    applyListFile(content, &inputs);
    QCOMPARE(inputs, expected);
    QCOMPARE(content.shortBlock.has_value(), shortRead >= 0);
    if (content.shortBlock) {
        QCOMPARE(content.shortBlock->entriesRead, shortRead);
        QCOMPARE(content.shortBlock->entriesAnnounced, u"3"_s);
    }
}

void tst_listfile::readingRules_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<PageInputs>("expected");
    QTest::addColumn<QString>("shortOf"); // "read/announced" when the file ends inside the block

    const PageInputs before = otherInputs();
    const auto with = [&](auto change) {
        PageInputs inputs = before;
        change(inputs);
        return inputs;
    };
    const auto entries = [&](QStringList list) { return with([&](PageInputs& i) { i.entries = list; }); };

    QTest::newRow("empty file") << QStringList() << before << QString();
    QTest::newRow("keys in the wrong case")
        << QStringList{u"List1=001"_s, u"ls000=a"_s, u"TE006=x"_s, u"Opt02=1"_s} << before << QString();
    QTest::newRow("lines shorter than five characters")
        << QStringList{u""_s, u"te00"_s, u"list"_s, u"opt0"_s} << before << QString();
    QTest::newRow("key alone empties its field")
        << QStringList{u"te008"_s} << with([](PageInputs& i) { i.ownName.clear(); }) << QString();
    QTest::newRow("six characters give an empty value")
        << QStringList{u"te006x"_s} << with([](PageInputs& i) { i.title.clear(); }) << QString();
    QTest::newRow("sixth character other than =")
        << QStringList{u"te006:ABC"_s} << with([](PageInputs& i) { i.title = u"ABC"_s; }) << QString();
    QTest::newRow("value kept as it stands")
        << QStringList{u"te009=  a = b：c  "_s} << with([](PageInputs& i) { i.ownUrl = u"  a = b：c  "_s; })
        << QString();
    QTest::newRow("duplicate field lines: the later wins")
        << QStringList{u"te001=a.html"_s, u"te001=b.html"_s}
        << with([](PageInputs& i) { i.fileName = u"b.html"_s; }) << QString();
    QTest::newRow("background value not examined")
        << QStringList{u"opt05=0"_s} << with([](PageInputs& i) { i.background = 5; }) << QString();
    QTest::newRow("several background lines: the last wins")
        << QStringList{u"opt02=1"_s, u"opt09=1"_s, u"opt04"_s}
        << with([](PageInputs& i) { i.background = 4; }) << QString();
    QTest::newRow("background keys out of range")
        << QStringList{u"opt00=1"_s, u"opt10=1"_s, u"opt0a=1"_s} << before << QString();
    QTest::newRow("fields before and after the block")
        << QStringList{u"te005=a.gif"_s, u"list1=001"_s, u"ls000=e"_s, u"te007=b.gif"_s}
        << with([](PageInputs& i) {
               i.backgroundImage = u"a.gif"_s;
               i.entries = {u"e"_s};
               i.ownBanner = u"b.gif"_s;
           })
        << QString();
    QTest::newRow("one-digit count") << QStringList{u"list1=5"_s, u"ls000=a"_s, u"ls001=b"_s,
                                                    u"ls002=c"_s, u"ls003=d"_s, u"ls004=e"_s}
                                     << entries({u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s}) << QString();
    QTest::newRow("two-digit count") << QStringList{u"list1=02"_s, u"ls000=a"_s, u"ls001=b"_s, u"te006=T"_s}
                                     << with([](PageInputs& i) {
                                            i.entries = {u"a"_s, u"b"_s};
                                            i.title = u"T"_s;
                                        })
                                     << QString();
    QTest::newRow("count followed by other text")
        << QStringList{u"list1=001 entries"_s, u"ls000=a"_s} << entries({u"a"_s}) << QString();
    QTest::newRow("count of four digits with a leading zero")
        << QStringList{u"list1=0001"_s, u"ls000=a"_s} << entries({u"a"_s}) << QString();
    QTest::newRow("count line without a count empties the list")
        << QStringList{u"list1="_s, u"ls000=a"_s} << entries({}) << QString();
    QTest::newRow("count line of the key alone empties the list")
        << QStringList{u"list1"_s, u"te006=T"_s} << with([](PageInputs& i) {
               i.entries.clear();
               i.title = u"T"_s;
           })
        << QString();
    QTest::newRow("count after a space is no count")
        << QStringList{u"list1= 1"_s, u"te006=T"_s} << with([](PageInputs& i) {
               i.entries.clear();
               i.title = u"T"_s;
           })
        << QString();
    QTest::newRow("entry lines out of order")
        << QStringList{u"list1=002"_s, u"ls001=a"_s, u"ls000=b"_s} << entries({}) << QString();
    QTest::newRow("a dropped block line is not read as a key")
        << QStringList{u"list1=002"_s, u"ls000=a"_s, u"te006=T"_s} << entries({u"a"_s}) << QString();
    QTest::newRow("entry line with another sixth character")
        << QStringList{u"list1=001"_s, u"ls000:a"_s} << entries({u"a"_s}) << QString();
    QTest::newRow("entry line of the key alone is an empty entry")
        << QStringList{u"list1=002"_s, u"ls000"_s, u"ls001="_s} << entries({QString(), QString()})
        << QString();
    QTest::newRow("entry holding = and further separators")
        << QStringList{u"list1=001"_s, u"ls000=a=b：c：d：e=f"_s} << entries({u"a=b：c：d：e=f"_s})
        << QString();
    QTest::newRow("two count lines: the second block only")
        << QStringList{u"list1=002"_s, u"ls000=a"_s, u"ls001=b"_s, u"list1=001"_s, u"ls000=c"_s}
        << entries({u"c"_s}) << QString();
    QTest::newRow("file ends inside the block")
        << QStringList{u"te006=T"_s, u"list1=005"_s, u"ls000=a"_s, u"ls001=b"_s} << with([](PageInputs& i) {
               i.title = u"T"_s;
               i.entries = {u"a"_s, u"b"_s};
           })
        << u"2/5"_s;
    QTest::newRow("entries read exclude dropped block lines")
        << QStringList{u"list1=4"_s, u"ls000=a"_s, u"junk"_s} << entries({u"a"_s}) << u"1/4"_s;
    QTest::newRow("count too large for any integer")
        << QStringList{u"list1=000099999999999999999999999999"_s, u"ls000=a"_s} << entries({u"a"_s})
        << u"1/99999999999999999999999999"_s;
}

void tst_listfile::readingRules()
{
    QFETCH(QStringList, lines);
    QFETCH(PageInputs, expected);
    QFETCH(QString, shortOf);

    const QTemporaryDir dir;
    const QString path = dir.filePath(u"link.txt"_s);
    QVERIFY(writeBytes(path, fileBytes(lines)));
    PageInputs inputs = otherInputs();
    ListFileReadError error;
    std::optional<ShortEntryBlock> shortBlock;
    QVERIFY(loadListFile(path, &inputs, &error, &shortBlock));
    QCOMPARE(inputs, expected);
    const QString actualShort =
        shortBlock ? QString::number(shortBlock->entriesRead) + u'/' + shortBlock->entriesAnnounced
                   : QString();
    QCOMPARE(actualShort, shortOf);
}

// A value longer than its text box holds would be cut off there, so the file is refused and names
// the value: the value that stands in the end (a later line or count line replaces it), the first
// field in the fields' order, else the first entry, counted as the list counts it.
void tst_listfile::valuesTooLongForTheirBoxes_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<qsizetype>("entry"); // -2: the file loads
    QTest::addColumn<ListFileField>("field");
    QTest::addColumn<qsizetype>("length");

    const auto text = [](char16_t c, qsizetype length) { return QString(length, QChar(c)); };
    const QString tooLong = text(u'n', textBoxCapacity + 1);
    const QString fits = text(u'n', textBoxCapacity);
    const auto title = ListFileField::Title;
    const auto none = ListFileField::FileName;
    const qsizetype loads = -2;
    const qsizetype inField = -1;
    const qsizetype first = 0;
    const qsizetype second = 1;

    QTest::newRow("title one longer than its box")
        << QStringList{u"te006="_s + tooLong} << inField << title << textBoxCapacity + 1;
    QTest::newRow("title as long as its box")
        << QStringList{u"te006="_s + fits} << loads << none << qsizetype(0);
    QTest::newRow("too long, then replaced by a later line")
        << QStringList{u"te006="_s + tooLong, u"te006=T"_s} << loads << none << qsizetype(0);
    QTest::newRow("fields named in their order, not the file's")
        << QStringList{u"te009="_s + tooLong + u'x', u"te005="_s + tooLong} << inField
        << ListFileField::BackgroundImage << textBoxCapacity + 1;
    QTest::newRow("a field before an entry")
        << QStringList{u"list1=001"_s, u"ls000=a："_s + tooLong, u"te008="_s + tooLong} << inField
        << ListFileField::OwnName << textBoxCapacity + 1;
    QTest::newRow("site URL of the second entry")
        << QStringList{u"list1=002"_s, u"ls000=a"_s, u"ls001=a：b："_s + tooLong + u"：c"_s} << second << none
        << textBoxCapacity + 3;
    QTest::newRow("entry without a separator, all banner URL")
        << QStringList{u"list1=001"_s, u"ls000="_s + tooLong} << first << none << textBoxCapacity + 1;
    QTest::newRow("long entry whose every field fits")
        << QStringList{u"list1=001"_s, u"ls000="_s + fits + u'：' + fits + u'：' + fits} << loads << none
        << qsizetype(0);
    QTest::newRow("entries counted without dropped block lines")
        << QStringList{u"list1=003"_s, u"ls000=a"_s, u"junk"_s, u"ls002=："_s + tooLong} << second << none
        << textBoxCapacity + 1;
    QTest::newRow("in a block the file ends inside")
        << QStringList{u"list1=005"_s, u"ls000=a"_s, u"ls001="_s + tooLong} << second << none
        << textBoxCapacity + 1;
    QTest::newRow("in a block a later count line replaces")
        << QStringList{u"list1=001"_s, u"ls000="_s + tooLong, u"list1=001"_s, u"ls000=a"_s} << loads << none
        << qsizetype(0);
    QTest::newRow("in a block a later empty count line replaces")
        << QStringList{u"list1=001"_s, u"ls000="_s + tooLong, u"list1=000"_s} << loads << none
        << qsizetype(0);
}

void tst_listfile::valuesTooLongForTheirBoxes()
{
    QFETCH(QStringList, lines);
    QFETCH(qsizetype, entry);
    QFETCH(ListFileField, field);
    QFETCH(qsizetype, length);

    const QTemporaryDir dir;
    const QString path = dir.filePath(u"link.txt"_s);
    QVERIFY(writeBytes(path, fileBytes(lines)));
    PageInputs inputs = otherInputs();
    ListFileReadError error;
    const bool loaded = loadListFile(path, &inputs, &error);
    QCOMPARE(loaded, entry == -2);
    if (loaded)
        return;
    QCOMPARE(inputs, otherInputs());
    QVERIFY(error.tooLong);
    QCOMPARE(*error.tooLong, (TooLongValue{entry, field, length}));
    QCOMPARE(error.file.path, QDir::toNativeSeparators(path));
    QCOMPARE(error.encoding, TextEncodingProblem::None);
}

void tst_listfile::lineEnds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("CR LF") << QByteArray("list1=002\r\nls000=a\r\nls001=b\r\nte006=T\r\n");
    QTest::newRow("LF alone") << QByteArray("list1=002\nls000=a\nls001=b\nte006=T\n");
    QTest::newRow("CR alone") << QByteArray("list1=002\rls000=a\rls001=b\rte006=T\r");
    QTest::newRow("mixed, last line unended") << QByteArray("list1=002\nls000=a\r\nls001=b\rte006=T");
}

void tst_listfile::lineEnds()
{
    QFETCH(QByteArray, bytes);
    const QTemporaryDir dir;
    const QString path = dir.filePath(u"link.txt"_s);
    QVERIFY(writeBytes(path, bytes));
    PageInputs inputs;
    ListFileReadError error;
    QVERIFY(loadListFile(path, &inputs, &error));
    QCOMPARE(inputs.entries, (QStringList{u"a"_s, u"b"_s}));
    QCOMPARE(inputs.title, u"T"_s);
}

void tst_listfile::roundTrip_data()
{
    QTest::addColumn<PageInputs>("inputs");
    for (int choice = 1; choice <= backgroundChoices; ++choice) {
        PageInputs inputs = exampleInputs();
        inputs.background = choice;
        QTest::addRow("background button %d", choice) << inputs;
    }
    PageInputs empty = exampleInputs();
    empty.entries = {QString(), u"：："_s};
    empty.fileName.clear();
    empty.backgroundImage.clear();
    empty.title.clear();
    empty.ownBanner.clear();
    empty.ownName.clear();
    empty.ownUrl.clear();
    QTest::newRow("empty fields and entries") << empty;
    PageInputs marks = exampleInputs();
    marks.entries = {u"a=b：サイト=名：http://x/?q=1：続き"_s, u" 空白 ：　全角　：x "_s};
    marks.title = u"te006=title"_s;
    marks.ownName = u"名前<BR>①ⅰ～"_s;
    QTest::newRow("entries holding = and further separators") << marks;
    for (const int count : {0, 999, 1000, 20000}) {
        PageInputs inputs = exampleInputs();
        inputs.entries = numberedEntries(count);
        QTest::addRow("%d entries", count) << inputs;
    }
}

void tst_listfile::roundTrip()
{
    QFETCH(PageInputs, inputs);
    const QTemporaryDir dir;
    const QString path = dir.filePath(u"link.txt"_s);
    ListFileSaveError saveError;
    QVERIFY(saveListFile(path, inputs, &saveError));
    PageInputs loaded = otherInputs();
    ListFileReadError readError;
    std::optional<ShortEntryBlock> shortBlock;
    QVERIFY(loadListFile(path, &loaded, &readError, &shortBlock));
    QCOMPARE(loaded, inputs);
    QVERIFY(!shortBlock);
}

void tst_listfile::largeListsKeepTheWriterForm()
{
    PageInputs inputs;
    inputs.entries = numberedEntries(1001);
    const QList<QByteArray> lines = written(inputs).split('\n');
    QCOMPARE(lines[0], "list1=1001\r");
    QVERIFY(lines[1].startsWith("ls000=img/b0.gif"));
    QVERIFY(lines[1000].startsWith("ls999=img/b999.gif"));
    QVERIFY(lines[1001].startsWith("ls1000=img/b1000.gif"));
    QCOMPARE(lines[1002], "te001=link.html\r");
}

void tst_listfile::noBackgroundButtonWritesNoLine()
{
    PageInputs inputs = exampleInputs();
    inputs.background = 0;
    const QByteArray bytes = written(inputs);
    QCOMPARE(bytes.count("\r\n"), inputs.entries.size() + 7);
    QVERIFY(!bytes.contains("opt"));
}

void tst_listfile::savingOverALongerFile()
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(u"link.txt"_s);
    PageInputs longer = exampleInputs();
    longer.entries = numberedEntries(500);
    ListFileSaveError error;
    QVERIFY(saveListFile(path, longer, &error));
    QVERIFY(saveListFile(path, exampleInputs(), &error));
    QCOMPARE(readBytes(path), written(exampleInputs()));
}

void tst_listfile::unencodableTextWritesNothing_data()
{
    QTest::addColumn<PageInputs>("inputs");
    QTest::addColumn<int>("entry");
    QTest::addColumn<ListFileField>("field");
    QTest::addColumn<int>("position");
    QTest::addColumn<uint>("character");

    PageInputs inputs = exampleInputs();
    inputs.entries.append(u"a：한국：b"_s);
    inputs.title = u"€"_s;
    QTest::newRow("entry before field: third entry")
        << inputs << 2 << ListFileField::FileName << 2 << 0xD55Cu;
    const QList<std::pair<ListFileField, QString PageInputs::*>> fields = {
        {ListFileField::FileName, &PageInputs::fileName},
        {ListFileField::BackgroundImage, &PageInputs::backgroundImage},
        {ListFileField::Title, &PageInputs::title},
        {ListFileField::OwnBanner, &PageInputs::ownBanner},
        {ListFileField::OwnName, &PageInputs::ownName},
        {ListFileField::OwnUrl, &PageInputs::ownUrl}};
    for (const auto& [field, member] : fields) {
        PageInputs one = exampleInputs();
        one.*member = u"ab😀"_s;
        QTest::addRow("character beyond the BMP in %s", qPrintable(listFileKey(field)))
            << one << -1 << field << 2 << 0x1F600u;
    }
    PageInputs lone = exampleInputs();
    lone.ownName = QString(QChar(0xD800));
    QTest::newRow("lone surrogate") << lone << -1 << ListFileField::OwnName << 0 << 0xD800u;
    // A NUL would make the file read as a binary file.
    PageInputs nul = exampleInputs();
    nul.entries[1].insert(4, QChar(0));
    QTest::newRow("NUL in an entry") << nul << 1 << ListFileField::FileName << 4 << 0u;
}

void tst_listfile::unencodableTextWritesNothing()
{
    QFETCH(PageInputs, inputs);
    QFETCH(int, entry);
    QFETCH(ListFileField, field);
    QFETCH(int, position);
    QFETCH(uint, character);

    const QTemporaryDir dir;
    const QString path = dir.filePath(u"link.txt"_s);
    const QByteArray old = "old content\r\n";
    QVERIFY(writeBytes(path, old));
    ListFileSaveError error;
    QVERIFY(!saveListFile(path, inputs, &error));
    QVERIFY(error.unencodable);
    QCOMPARE(error.unencodable->entry, entry);
    if (entry < 0)
        QCOMPARE(error.unencodable->field, field);
    QCOMPARE(error.unencodable->position, position);
    QCOMPARE(uint(error.unencodable->character), character);
    QCOMPARE(readBytes(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"link.txt"_s});
}

// Windows-31J "荳｡" is the UTF-8 of "両": a file whose only non-ASCII text is such a pair would be
// taken for UTF-8 when loaded, so it is not written; one kana anywhere makes it Windows-31J again,
// and so does the separator "：" of any entry the window composes.
void tst_listfile::textReadingAsUtf8WritesNothing()
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(u"link.txt"_s);
    const QByteArray old = "old content\r\n";
    QVERIFY(writeBytes(path, old));
    PageInputs inputs;
    inputs.entries = {u"an entry of a hand-made file"_s};
    inputs.title = u"荳｡"_s;
    ListFileSaveError error;
    QVERIFY(!saveListFile(path, inputs, &error));
    QVERIFY(error.readsAsUtf8);
    QVERIFY(!error.unencodable);
    QCOMPARE(readBytes(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"link.txt"_s});

    inputs.entries.append(u"b.gif：site：http://example.jp/"_s);
    QVERIFY(saveListFile(path, inputs, &error));
    PageInputs loaded;
    ListFileReadError readError;
    QVERIFY(loadListFile(path, &loaded, &readError));
    QCOMPARE(loaded, inputs);
}

QTEST_GUILESS_MAIN(tst_listfile)
#include "tst_listfile.moc"
