#include "text/cp932.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace siteloom;

namespace {

QByteArray hex(const char* digits)
{
    return QByteArray::fromHex(digits);
}

} // namespace

class TestCp932 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(cp932::isAvailable()); }

    void encodesWithMicrosoftTable_data();
    void encodesWithMicrosoftTable();
    void decodesWithMicrosoftTable_data();
    void decodesWithMicrosoftTable();
    void writesReferencesForUnencodable_data();
    void writesReferencesForUnencodable();
    void findsFirstUnencodable_data();
    void findsFirstUnencodable();
    void everyBmpCharacterIsKeptOrReferenced();
    void asciiBytesMapOneToOne();
    void encodesMixedTextAsItsCharacters_data();
    void encodesMixedTextAsItsCharacters();
    void rejectsInvalidBytes_data();
    void rejectsInvalidBytes();
};

void TestCp932::encodesWithMicrosoftTable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("backslash stays 5C") << u"\\"_s << hex("5C");
    QTest::newRow("tilde stays 7E") << u"~"_s << hex("7E");
    QTest::newRow("control 1A") << u"\x1A"_s << hex("1A");
    QTest::newRow("control 1C") << u"\x1C"_s << hex("1C");
    QTest::newRow("control 7F") << u"\x7F"_s << hex("7F");
    QTest::newRow("controls between text") << u"a\x1A\x1C\x7F"
                                              "b"_s
                                           << hex("611A1C7F62");
    QTest::newRow("hiragana and kanji") << u"あ漢字"_s << hex("82A08ABF8E9A");
    QTest::newRow("half-width katakana") << u"ｱﾟ"_s << hex("B1DF");
    QTest::newRow("fullwidth tilde") << u"～"_s << hex("8160");
    QTest::newRow("circled digit one (NEC row 13)") << u"①"_s << hex("8740");
    QTest::newRow("nearly equal prefers JIS row") << u"≒"_s << hex("81E0");
    QTest::newRow("IBM extension kanji taka") << u"髙"_s << hex("FBFC");
    QTest::newRow("IBM extension kanji saki") << u"﨑"_s << hex("FAB1");
    QTest::newRow("small roman one prefers IBM row") << u"ⅰ"_s << hex("FA40");
    QTest::newRow("fullwidth broken bar") << u"￤"_s << hex("FA55");
    QTest::newRow("user-defined area") << u"\uE000"_s << hex("F040");
    QTest::newRow("wave dash as fullwidth tilde") << u"〜"_s << hex("8160");
    QTest::newRow("double vertical line as parallel") << u"‖"_s << hex("8161");
    QTest::newRow("minus sign as fullwidth hyphen") << u"−"_s << hex("817C");
    QTest::newRow("cent sign as fullwidth cent") << u"¢"_s << hex("8191");
    QTest::newRow("pound sign as fullwidth pound") << u"£"_s << hex("8192");
    QTest::newRow("not sign as fullwidth not") << u"¬"_s << hex("81CA");
    QTest::newRow("look-alikes inside text") << u"1〜2−3"_s << hex("31816032817C33");
}

void TestCp932::encodesWithMicrosoftTable()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(cp932::encode(text), bytes);
}

void TestCp932::decodesWithMicrosoftTable_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("backslash and tilde") << hex("5C7E") << u"\\~"_s;
    QTest::newRow("controls 1A 1C 7F") << hex("1A1C7F") << u"\x1A\x1C\x7F"_s;
    QTest::newRow("hiragana and kanji") << hex("82A08ABF8E9A") << u"あ漢字"_s;
    QTest::newRow("half-width katakana") << hex("B1DF") << u"ｱﾟ"_s;
    QTest::newRow("8160 is fullwidth tilde") << hex("8160") << u"～"_s;
    QTest::newRow("8161 is parallel to") << hex("8161") << u"∥"_s;
    QTest::newRow("817C is fullwidth hyphen") << hex("817C") << u"－"_s;
    QTest::newRow("8191 8192 81CA are fullwidth") << hex("8191819281CA") << u"￠￡￢"_s;
    QTest::newRow("NEC row 13 duplicate") << hex("8790") << u"≒"_s;
    QTest::newRow("NEC-selected IBM kanji") << hex("ED40") << u"纊"_s;
    QTest::newRow("NEC-selected small roman") << hex("EEEF") << u"ⅰ"_s;
    QTest::newRow("IBM extension kanji") << hex("FBFCFAB1") << u"髙﨑"_s;
    QTest::newRow("user-defined area") << hex("F9FC") << u"\uE757"_s;
}

void TestCp932::decodesWithMicrosoftTable()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const std::optional<QString> decoded = cp932::decode(bytes);
    QVERIFY(decoded);
    QCOMPARE(*decoded, text);
}

void TestCp932::writesReferencesForUnencodable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("emoji pair is one reference") << u"😀"_s << QByteArray("&#128512;");
    QTest::newRow("e acute") << u"é"_s << QByteArray("&#233;");
    QTest::newRow("rare BMP kanji") << u"鷗"_s << QByteArray("&#40407;");
    QTest::newRow("rare supplementary kanji") << u"𠮟"_s << QByteArray("&#134047;");
    QTest::newRow("yen sign") << u"¥"_s << QByteArray("&#165;");
    QTest::newRow("em dash") << u"—"_s << QByteArray("&#8212;");
    QTest::newRow("next to kana and kanji") << u"あé漢"_s << hex("82A0") + "&#233;" + hex("8ABF");
    QTest::newRow("next to half-width and NEC/IBM")
        << u"ｱ😀髙①"_s << hex("B1") + "&#128512;" + hex("FBFC8740");
    QTest::newRow("adjacent references") << u"😀😀é"_s << QByteArray("&#128512;&#128512;&#233;");
    QTest::newRow("lone high surrogate") << u"a"_s + QChar(0xD83D) + u"b"_s << QByteArray("a&#55357;b");
    QTest::newRow("lone high surrogate at end") << u"a"_s + QChar(0xD83D) << QByteArray("a&#55357;");
    QTest::newRow("lone low surrogate") << QString(QChar(0xDE00)) << QByteArray("&#56832;");
    QTest::newRow("swapped surrogates")
        << QString(QChar(0xDE00)) + QChar(0xD83D) << QByteArray("&#56832;&#55357;");
    // ICU drops these silently; the code page cannot hold them, so they must not vanish.
    QTest::newRow("soft hyphen") << u"a\u00ADb"_s << QByteArray("a&#173;b");
    QTest::newRow("zero width joiner in emoji") << u"👨\u200D👩"_s << QByteArray("&#128104;&#8205;&#128105;");
    QTest::newRow("variation selector") << u"☺\uFE0F"_s << QByteArray("&#9786;&#65039;");
    QTest::newRow("byte order mark") << u"\uFEFFa"_s << QByteArray("&#65279;a");
    // ICU maps this private-use character one way to 8782 (numero sign); Windows does not.
    QTest::newRow("private use F86F") << u"\uF86F"_s << QByteArray("&#63599;");
    QTest::newRow("C1 control") << u"\u0080"_s << QByteArray("&#128;");
    QTest::newRow("replacement character") << u"\uFFFD"_s << QByteArray("&#65533;");
}

void TestCp932::writesReferencesForUnencodable()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(cp932::encode(text), bytes);
}

void TestCp932::findsFirstUnencodable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qsizetype>("index");

    QTest::newRow("empty") << QString() << qsizetype(-1);
    QTest::newRow("all encodable") << u"a漢ｱ髙①\x1A"_s << qsizetype(-1);
    QTest::newRow("look-alikes count as encodable") << u"〜‖−¢£¬"_s << qsizetype(-1);
    QTest::newRow("e acute after kanji") << u"漢é"_s << qsizetype(1);
    QTest::newRow("emoji pair after text") << u"ab😀"_s << qsizetype(2);
    QTest::newRow("lone low surrogate") << u"a"_s + QChar(0xDC00) << qsizetype(1);
    QTest::newRow("zero width joiner") << u"a\u200D"_s << qsizetype(1);
    QTest::newRow("private use F86F") << u"\uF86F"_s << qsizetype(0);
}

void TestCp932::findsFirstUnencodable()
{
    QFETCH(QString, text);
    QFETCH(qsizetype, index);
    QCOMPARE(cp932::firstUnencodable(text), index);
}

// Every BMP character is either written so that it reads back as itself (or, for the six
// look-alikes, as the code page's form) or becomes a reference, and firstUnencodable agrees.
void TestCp932::everyBmpCharacterIsKeptOrReferenced()
{
    const QString lookAlikeFrom = u"〜‖−¢£¬"_s;
    const QString lookAlikeTo = u"～∥－￠￡￢"_s;
    int kept = 0;
    for (char32_t c = 0; c < 0x10000; ++c) {
        if (c >= 0xD800 && c < 0xE000)
            continue;
        // Not QString::fromUcs4(), which drops a leading U+FEFF as a byte order mark.
        const QString text{QChar(char16_t(c))};
        const QByteArray bytes = cp932::encode(text);
        const QByteArray reference = "&#" + QByteArray::number(uint(c)) + ';';
        if (bytes == reference) {
            QVERIFY2(cp932::firstUnencodable(text) == 0, qPrintable(QString::number(c, 16)));
            continue;
        }
        const qsizetype lookAlike = lookAlikeFrom.indexOf(QChar(c));
        const QString expected = lookAlike < 0 ? text : lookAlikeTo.at(lookAlike);
        QVERIFY2(bytes.size() <= 2, qPrintable(QString::number(c, 16)));
        QVERIFY2(cp932::decode(bytes) == expected, qPrintable(QString::number(c, 16)));
        QVERIFY2(cp932::firstUnencodable(text) == -1, qPrintable(QString::number(c, 16)));
        ++kept;
    }
    // 128 ASCII + 63 half-width katakana + the double-byte characters + 6 look-alikes.
    QCOMPARE(kept, 9403);
}

void TestCp932::asciiBytesMapOneToOne()
{
    QByteArray bytes;
    QString text;
    for (int i = 0; i < 0x80; ++i) {
        bytes += char(i);
        text += QChar(i);
    }
    QCOMPARE(cp932::encode(text), bytes);
    QCOMPARE(cp932::decode(bytes), std::optional<QString>(text));
}

// ASCII stretches of eight or more are copied byte for byte, shorter ones go to ICU with the text
// around them, and runs are cut every 16,384 units: whichever way a text is cut up, it must come
// out as its characters would one by one.
void TestCp932::encodesMixedTextAsItsCharacters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("referenced");

    for (const int length : {1, 7, 8, 9, 17}) {
        const QString ascii = u"<a href=\"x\">"_s.repeated(2).left(length);
        QTest::addRow("%d ASCII between kana", length) << u"あ"_s + ascii + u"い"_s << false;
        QTest::addRow("%d ASCII at both ends", length) << ascii + u"漢ｱ"_s + ascii << false;
        QTest::addRow("%d ASCII with a swapped control", length)
            << u"あ"_s + ascii + u"\x1A"_s + ascii + u"\x7Fい"_s << false;
        QTest::addRow("%d ASCII before a reference", length) << u"あ"_s + ascii + u"😀"_s + ascii << true;
        QTest::addRow("%d ASCII before a look-alike", length) << ascii + u"〜"_s + ascii + u"①"_s << false;
    }
    QTest::newRow("kana across the run limit") << u"あ"_s.repeated(16384 + 100) + u"a"_s << false;
    QTest::newRow("short ASCII across the run limit") << (u"あいうabc"_s).repeated(5000) + u"\x1C"_s << false;
    QTest::newRow("reference after the run limit") << u"漢"_s.repeated(20000) + u"é"_s << true;
}

void TestCp932::encodesMixedTextAsItsCharacters()
{
    QFETCH(QString, text);
    QFETCH(bool, referenced);
    QByteArray oneByOne;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype units = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        oneByOne += cp932::encode(QStringView(text).sliced(i, units));
        i += units - 1;
    }
    bool wroteReference = !referenced;
    QCOMPARE(cp932::encode(text, &wroteReference), oneByOne);
    QCOMPARE(wroteReference, referenced);
    const qsizetype first = cp932::firstUnencodable(text);
    QCOMPARE(first >= 0, referenced);
    if (referenced)
        QVERIFY(cp932::encode(QStringView(text).first(first), &wroteReference).size() ==
                oneByOne.indexOf("&#"));
}

void TestCp932::rejectsInvalidBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("single 80") << hex("80");
    QTest::newRow("single A0") << hex("A0");
    QTest::newRow("single FD") << hex("FD");
    QTest::newRow("single FE") << hex("FE");
    QTest::newRow("single FF") << hex("FF");
    QTest::newRow("invalid byte inside text") << hex("6162FF6364");
    QTest::newRow("lead byte then space") << hex("8120");
    QTest::newRow("lead byte then 7F") << hex("817F");
    QTest::newRow("unassigned pair") << hex("8540");
    QTest::newRow("lead byte alone") << hex("81");
    QTest::newRow("lone lead byte at end") << hex("82A08A");
    QTest::newRow("lone lead byte after ASCII") << QByteArray("abc\xE0");
    QTest::newRow("typical UTF-8 Japanese file")
        << u"# リンク集の設定\ntitle=新着情報のページ\nfooter=最終更新日\n"_s.toUtf8();
}

void TestCp932::rejectsInvalidBytes()
{
    QFETCH(QByteArray, bytes);
    QCOMPARE(cp932::decode(bytes), std::nullopt);
}

QTEST_GUILESS_MAIN(TestCp932)
#include "tst_cp932.moc"
