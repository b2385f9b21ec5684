#include "filebytes.h"
#include "listfile/listfile.h"
#include "text/cp932.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace siteloom;

Q_DECLARE_METATYPE(siteloom::PageInputs)

namespace siteloom {
// Failed comparisons show the inputs (the first entries only).
char* toString(const PageInputs& inputs)
{
    const QString entries = inputs.entries.first(std::min<qsizetype>(inputs.entries.size(), 3)).join(u" | ");
    return QTest::toString(u"%1 entries [%2] %3|%4|%5|%6|%7|%8|%9"_s.arg(
        QString::number(inputs.entries.size()), entries, inputs.fileName, QString::number(inputs.background),
        inputs.backgroundImage, inputs.title, inputs.ownBanner, inputs.ownName, inputs.ownUrl));
}
} // namespace siteloom

namespace {

const QString examplePath = QStringLiteral(SITELOOM_TEST_DATA "/link-example.txt");

// The fields as the test names them in its expected outcomes, in the order of ListFileField.
const char* const fieldNames[] = {"file name",  "background image", "title",
                                  "own banner", "own name",         "own url"};
constexpr QString PageInputs::*fieldMembers[] = {&PageInputs::fileName, &PageInputs::backgroundImage,
                                                 &PageInputs::title,    &PageInputs::ownBanner,
                                                 &PageInputs::ownName,  &PageInputs::ownUrl};

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
    const QStringList entries{u"old：entry：one"_s, u"old：entry：two"_s, u"old：entry：three"_s};
    return {entries,       u"old.html"_s,    7, u"old-back.gif"_s, u"old title"_s, u"old-banner.gif"_s,
            u"old name"_s, u"old-url.html"_s};
}

// otherInputs() after a file that sets these fields, and the list and the background when given.
PageInputs after(std::initializer_list<std::pair<QString PageInputs::*, QString>> fields,
                 std::optional<QStringList> entries = std::nullopt, int background = 0)
{
    PageInputs inputs = otherInputs();
    for (const auto& [member, value] : fields)
        inputs.*member = value;
    if (entries)
        inputs.entries = *entries;
    if (background > 0)
        inputs.background = background;
    return inputs;
}

} // namespace

class tst_listfile : public QObject
{
    Q_OBJECT

private slots:
    // Each file is saved over a longer one, of which nothing may remain, and has those bytes (when
    // given); loaded over other inputs, it gives back the inputs (or what the code page reads back),
    // which save to the same bytes again.
    void saveAndLoadBack_data()
    {
        QTest::addColumn<PageInputs>("inputs");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<PageInputs>("loadsAs"); // empty: the inputs
        const QByteArray example = readBytes(examplePath);
        QVERIFY(!example.isEmpty());
        const QByteArray fields = example.sliced(example.indexOf("te001="));
        QTest::newRow("the example") << exampleInputs() << example << PageInputs();
        const auto button = [](int choice) {
            PageInputs inputs = exampleInputs();
            inputs.background = choice;
            return inputs;
        };
        QTest::newRow("no background button: no line")
            << button(0) << QByteArray(example).replace("opt03=1\r\n", "") << PageInputs();
        QTest::newRow("ninth background button")
            << button(9) << QByteArray(example).replace("opt03=", "opt09=") << PageInputs();
        PageInputs large = exampleInputs();
        large.entries.clear();
        QTest::newRow("no entries") << large << "list1=000\r\n" + fields << PageInputs();
        QByteArray lines = "list1=1001\r\n";
        for (int i = 0; i < 1001; ++i) {
            large.entries.append(u"img/b%1.gif：サイト%1：http://example.jp/%1/"_s.arg(i));
            lines += "ls" + QByteArray::number(i).rightJustified(3, '0') + '=' +
                     cp932::encode(large.entries.last()) + "\r\n";
        }
        QTest::newRow("more than 999 entries: the numbers grow a digit")
            << large << lines + fields << PageInputs();
        PageInputs marks = exampleInputs();
        marks.entries = {u"a=b：サイト=名：http://x/?q=1：続き"_s, u" 空白 ：　全角　：x "_s};
        marks.title = u"te006=title"_s;
        marks.ownName = u"名前<BR>①ⅰ～ﾀﾞｲﾋﾞﾝｸﾞ"_s;
        QTest::newRow("entries holding = and further separators") << marks << QByteArray() << PageInputs();
        // "荳｡" alone would read as the UTF-8 of "両"; the separator of a composed entry makes it
        // Windows-31J.
        PageInputs separator;
        separator.entries = {u"hand-made entry"_s, u"b.gif：site：http://example.jp/"_s};
        separator.title = u"荳｡"_s;
        QTest::newRow("UTF-8 look-alike kept Windows-31J by a separator")
            << separator << QByteArray() << PageInputs();
        // EM DASH, once refused, is saved as 0x815C, which loads as HORIZONTAL BAR, as it always did.
        PageInputs dash = exampleInputs();
        dash.entries.append(u"b.gif：サイト—日記：http://example.jp/"_s);
        dash.title = u"リンク—集"_s;
        PageInputs bar = dash;
        bar.entries.last() = u"b.gif：サイト―日記：http://example.jp/"_s;
        bar.title = u"リンク―集"_s;
        QTest::newRow("em dash read back as horizontal bar") << dash << QByteArray() << bar;
    }

    void saveAndLoadBack()
    {
        QFETCH(PageInputs, inputs);
        QFETCH(QByteArray, expected);
        QFETCH(PageInputs, loadsAs);
        const QTemporaryDir dir;
        const QString path = dir.filePath(u"link.txt"_s);
        QVERIFY(writeBytes(path, QByteArray(100000, 'x')));
        ListFileSaveError saveError;
        QVERIFY(saveListFile(path, inputs, &saveError));
        if (!expected.isNull())
            QCOMPARE(readBytes(path), expected);
        PageInputs loaded = otherInputs();
        loaded.background = 0;
        ListFileReadError readError;
        std::optional<ShortEntryBlock> shortBlock;
        QVERIFY(loadListFile(path, &loaded, &readError, &shortBlock));
        QCOMPARE(loaded, loadsAs == PageInputs() ? inputs : loadsAs);
        QVERIFY(!shortBlock);
        const QByteArray saved = readBytes(path);
        QVERIFY(saveListFile(path, loaded, &saveError));
        QCOMPARE(readBytes(path), saved);
    }

    // Each file is loaded over otherInputs(). The outcome is empty for a complete file, "short R/A" for
    // a file ending inside its block (R entries read of A announced), "too long: WHERE LENGTH" for a
    // value longer than its text box, which refuses the file: the value that stands in the end (a later
    // line or count line replaces it), the first field in the fields' order, else the first entry,
    // counted as the list counts it.
    void loading_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<PageInputs>("expected");
        QTest::addColumn<QString>("outcome");
        // The lines of each file are given one to a line of the text, and saved in Windows-31J with CR LF.
        const auto row = [](const char* name, const QString& text, const PageInputs& expected,
                            const QString& outcome = {}) {
            QTest::newRow(name) << cp932::encode(QString(text + u'\n').replace(u"\n"_s, u"\r\n"_s))
                                << expected << outcome;
        };
        const auto refused = [&](const char* name, const QString& text, const QString& outcome) {
            row(name, text, otherInputs(), u"too long: "_s + outcome);
        };
        const auto fileName = &PageInputs::fileName;
        const auto title = &PageInputs::title;
        const auto ownName = &PageInputs::ownName;
        const auto ownUrl = &PageInputs::ownUrl;
        const QString T = u"T"_s;
        const QStringList a{u"a"_s};
        const QStringList ab{u"a"_s, u"b"_s};
        const QString tooLong(textBoxCapacity + 1, u'n');
        const QString fits(textBoxCapacity, u'n');

        QTest::newRow("the example") << readBytes(examplePath) << exampleInputs() << QString();
        row("hand-made file: the block swallows the background line",
            u"te006=ABC\nlist1=3\nls000=x\nls001=y\nopt05=1\nte001=page.html"_s,
            after({{title, u"ABC"_s}, {fileName, u"page.html"_s}}, QStringList{u"x"_s, u"y"_s}));
        QTest::newRow("empty file") << QByteArray() << otherInputs() << QString();
        row("lines that match no key",
            u"\nte00\nList1=001\nls000=a\nTE006=x\nOpt02=1\nopt00=1\nopt10=1\nopt0a=1"_s, otherInputs());
        row("the value is the seventh character on, as it stands",
            u"te008\nte006x\nte001:ABC\nte009=  a = b：c  "_s,
            after({{ownName, {}}, {title, {}}, {fileName, u"ABC"_s}, {ownUrl, u"  a = b：c  "_s}}));
        row("later lines win; the background value is not examined",
            u"te001=a.html\nte001=b.html\nopt02=1\nopt09=1\nopt04"_s,
            after({{fileName, u"b.html"_s}}, std::nullopt, 4));
        row("fields before and after the block", u"te005=a.gif\nlist1=001\nls000=e\nte007=b.gif"_s,
            after({{&PageInputs::backgroundImage, u"a.gif"_s}, {&PageInputs::ownBanner, u"b.gif"_s}},
                  QStringList{u"e"_s}));
        row("count of two digits followed by other text", u"list1=02 entries\nls000=a\nls001=b\nte006=T"_s,
            after({{title, T}}, ab));
        row("count line without digits empties the list and opens no block",
            u"list1\nte006=T\nlist1=\nls000=a\nlist1= 1\nte009=U"_s,
            after({{title, T}, {ownUrl, u"U"_s}}, QStringList()));
        row("entry lines out of order, block lines not read as keys",
            u"list1=003\nls001=a\nls000=b\nte006=T"_s, after({}, QStringList()));
        row("entry value after any sixth character, or empty", u"list1=003\nls000:a=b：c：d\nls001\nls002="_s,
            after({}, QStringList{u"a=b：c：d"_s, {}, {}}));
        row("two count lines: the second block only", u"list1=002\nls000=a\nls001=b\nlist1=001\nls000=c"_s,
            after({}, QStringList{u"c"_s}));
        row("file ends inside the block: dropped lines are not read",
            u"te006=T\nlist1=005\nls000=a\njunk\nls002=b"_s, after({{title, T}}, ab), u"short 2/5"_s);
        row("count too large for any integer", u"list1=000099999999999999999999999999\nls000=a"_s,
            after({}, a), u"short 1/99999999999999999999999999"_s);
        QTest::newRow("line ends mixed, the last unended")
            << QByteArray("list1=002\nls000=a\r\nls001=b\rte006=T") << after({{title, T}}, ab) << QString();
        QTest::newRow("line ends CR alone")
            << QByteArray("list1=1\rls000=a\rte006=T\r") << after({{title, T}}, a) << QString();

        refused("title one longer than its box", u"te006="_s + tooLong, u"title 32768"_s);
        row("too long, then replaced by one as long as its box", u"te006="_s + tooLong + u"\nte006="_s + fits,
            after({{title, fits}}));
        refused("fields named in their order, not the file's",
                u"te009="_s + tooLong + u"x\nte005="_s + tooLong, u"background image 32768"_s);
        refused("a field after a long entry", u"list1=001\nls000=a："_s + tooLong + u"\nte008="_s + tooLong,
                u"own name 32768"_s);
        // Entries go into the list whole, however long their fields; only the edit button refuses them.
        const QString longEntry = fits + u'：' + fits + u'：' + fits;
        row("long entry whose every field fits", u"list1=001\nls000="_s + longEntry,
            after({}, QStringList{longEntry}));
        row("site URL of an entry longer than its box", u"list1=002\nls000=a\nls001=a：b："_s + tooLong,
            after({}, QStringList{u"a"_s, u"a：b："_s + tooLong}));
        row("entry without a separator, longer than a box", u"list1=001\nls000="_s + tooLong,
            after({}, QStringList{tooLong}));
    }

    void loading()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(PageInputs, expected);
        QFETCH(QString, outcome);
        const QTemporaryDir dir;
        const QString path = dir.filePath(u"link.txt"_s);
        QVERIFY(writeBytes(path, bytes));
        PageInputs inputs = otherInputs();
        ListFileReadError error;
        std::optional<ShortEntryBlock> shortBlock;
        QString actual;
        if (!loadListFile(path, &inputs, &error, &shortBlock)) {
            QVERIFY(error.tooLong);
            const TooLongValue& where = *error.tooLong;
            actual =
                u"too long: %1 %2"_s.arg(QString::fromLatin1(fieldNames[int(where.field)])).arg(where.length);
            QCOMPARE(error.file.path, QDir::toNativeSeparators(path));
            QCOMPARE(error.encoding, TextEncodingProblem::None);
        } else if (shortBlock) {
            actual = u"short %1/%2"_s.arg(shortBlock->entriesRead).arg(shortBlock->entriesAnnounced);
        }
        QCOMPARE(actual, outcome);
        QCOMPARE(inputs, expected);
    }

    // Where the first character the file cannot hold stands: "entry I at P: U+XXXX" or "FIELD at P:
    // U+XXXX", in the order the file is written; or "reads as UTF-8" for a file whose only non-ASCII
    // text is a pair like "荳｡", which a reader takes for UTF-8.
    void unsavableTextWritesNothing_data()
    {
        QTest::addColumn<PageInputs>("inputs");
        QTest::addColumn<QString>("refusal");
        PageInputs inputs = exampleInputs();
        inputs.entries.append(u"a：한국：b"_s);
        inputs.title = u"€"_s;
        QTest::newRow("entry before field: third entry") << inputs << u"entry 2 at 2: U+D55C"_s;
        for (const ListFileField field : listFileFields) {
            PageInputs one = exampleInputs();
            one.*fieldMembers[int(field)] = u"ab😀"_s;
            const char* name = fieldNames[int(field)];
            QTest::addRow("character beyond the BMP in %s", name)
                << one << QString::fromLatin1(name) + u" at 2: U+1F600"_s;
        }
        PageInputs lone = exampleInputs();
        lone.ownName = QString(QChar(0xD800));
        QTest::newRow("lone surrogate") << lone << u"own name at 0: U+D800"_s;
        // A NUL would make the file read as a binary file.
        PageInputs nul = exampleInputs();
        nul.entries[1].insert(4, QChar(0));
        QTest::newRow("NUL in an entry") << nul << u"entry 1 at 4: U+0000"_s;
        PageInputs utf8;
        utf8.entries = {u"an entry of a hand-made file"_s};
        utf8.title = u"荳｡"_s;
        QTest::newRow("text that reads as UTF-8") << utf8 << u"reads as UTF-8"_s;
    }

    void unsavableTextWritesNothing()
    {
        QFETCH(PageInputs, inputs);
        QFETCH(QString, refusal);
        const QTemporaryDir dir;
        const QString path = dir.filePath(u"link.txt"_s);
        QVERIFY(writeBytes(path, "old content\r\n"));
        ListFileSaveError error;
        QVERIFY(!saveListFile(path, inputs, &error));
        QCOMPARE(error.unencodable.has_value(), !error.readsAsUtf8);
        QString actual = u"reads as UTF-8"_s;
        if (const std::optional<UnencodableText>& where = error.unencodable) {
            actual = u"%1 at %2: U+%3"_s
                         .arg(where->entry >= 0 ? u"entry %1"_s.arg(where->entry)
                                                : QString::fromLatin1(fieldNames[int(where->field)]))
                         .arg(where->position)
                         .arg(QString::number(uint(where->character), 16).toUpper().rightJustified(4, u'0'));
        }
        QCOMPARE(actual, refusal);
        QCOMPARE(readBytes(path), "old content\r\n");
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"link.txt"_s});
    }
};

QTEST_GUILESS_MAIN(tst_listfile)
#include "tst_listfile.moc"
