#include "text/cp932.h"

#include <QRandomGenerator>
#include <QStringDecoder>
#include <QStringEncoder>
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
    void emptyBytesAreEmptyText()
    {
        QCOMPARE(cp932::decode(QByteArray()), std::optional<QString>(QString()));
    }

    // Every BMP character is either written so that it reads back as itself (or, for the seven
    // look-alikes, as the code page's form) or becomes a reference, and firstUnencodable agrees.
    // ASCII, controls included, is written byte for byte (ICU swaps 1A, 1C and 7F).
    void everyBmpCharacterIsKeptOrReferenced()
    {
        const QString lookAlikeFrom = u"〜‖−¢£¬—"_s;
        const QString lookAlikeTo = u"～∥－￠￡￢―"_s;
        int kept = 0;
        for (char32_t c = 0; c < 0x10000; ++c) {
            if (c >= 0xD800 && c < 0xE000)
                continue;
            // Not QString::fromUcs4(), which drops a leading U+FEFF as a byte order mark.
            const QString text{QChar(char16_t(c))};
            const QByteArray bytes = cp932::encode(text);
            const QByteArray hexCode = QByteArray::number(uint(c), 16);
            const char* const code = hexCode.constData();
            if (bytes == "&#" + QByteArray::number(uint(c)) + ';') {
                QVERIFY2(cp932::firstUnencodable(text) == 0, code);
                continue;
            }
            const qsizetype lookAlike = lookAlikeFrom.indexOf(QChar(c));
            const QString expected = lookAlike < 0 ? text : lookAlikeTo.at(lookAlike);
            QVERIFY2(c >= 0x80 || bytes == QByteArray(1, char(c)), code);
            QVERIFY2(bytes.size() <= 2, code);
            QVERIFY2(cp932::decode(bytes) == expected, code);
            QVERIFY2(cp932::firstUnencodable(text) == -1, code);
            ++kept;
        }
        // 128 ASCII + 63 half-width katakana + the double-byte characters + 7 look-alikes.
        QCOMPARE(kept, 9404);
    }

    // The conversion looks its answers up in tables asked of ICU when the program was built: every
    // byte and byte pair reads, and every character that needs no correction writes, as the ICU
    // here gives it.
    void tablesGiveIcusAnswers()
    {
        for (int first = 0x80; first <= 0xFF; ++first) {
            for (int second = -1; second <= 0xFF; ++second) {
                if (second == 0x1A || second == 0x1C || second == 0x7F)
                    continue; // ASCII controls ICU swaps, corrected apart
                QByteArray bytes(1, char(first));
                if (second >= 0)
                    bytes += char(second);
                QStringDecoder icu("Windows-31J", QStringConverter::Flag::Stateless);
                const QString read = icu.decode(bytes);
                const std::optional<QString> expected =
                    icu.hasError() ? std::nullopt : std::optional<QString>(read);
                QVERIFY2(cp932::decode(bytes) == expected, bytes.toHex().constData());
            }
        }
        const QString corrected = u"〜‖−¢£¬—\u001A\u001C\u007F"_s;
        for (char32_t c = 1; c < 0x10000; c = c == 0xD7FF ? 0xE000 : c + 1) {
            const QString text{QChar(char16_t(c))};
            if (cp932::firstUnencodable(text) == 0 || corrected.contains(QChar(char16_t(c))))
                continue;
            QStringEncoder icu("Windows-31J", QStringConverter::Flag::Stateless);
            QVERIFY2(cp932::encode(text) == QByteArray(icu.encode(text)),
                     QByteArray::number(uint(c), 16).constData());
        }
    }

    // Characters held twice by the code page: Windows writes the first form and reads both.
    void duplicatesAsOnWindows_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QByteArray>("alsoRead");
        QTest::newRow("nearly equal: JIS row, not NEC row 13") << u"≒"_s << hex("81E0") << hex("8790");
        QTest::newRow("small roman one: IBM row, not NEC-selected") << u"ⅰ"_s << hex("FA40") << hex("EEEF");
        QTest::newRow("broken bar: IBM row, not NEC-selected") << u"￤"_s << hex("FA55") << hex("EEFA");
        QTest::newRow("kanji: IBM extension, not NEC-selected") << u"纊"_s << hex("FA5C") << hex("ED40");
        QTest::newRow("kanji taka: IBM extension, not NEC-selected") << u"髙"_s << hex("FBFC") << hex("EEE0");
    }

    void duplicatesAsOnWindows()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, written);
        QFETCH(QByteArray, alsoRead);
        QCOMPARE(cp932::encode(text), written);
        QCOMPARE(cp932::decode(written), std::optional<QString>(text));
        QCOMPARE(cp932::decode(alsoRead), std::optional<QString>(text));
    }

    // Texts beyond single BMP characters: code points beyond the BMP and broken surrogates become
    // one reference each, between the bytes of what the code page holds.
    void encodesWithReferences_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qsizetype>("firstUnencodable");
        QTest::newRow("empty") << QString() << QByteArray() << qsizetype(-1);
        QTest::newRow("look-alikes inside text") << u"1〜2−3"_s << hex("31816032817C33") << qsizetype(-1);
        // EM DASH is written as 0x815C, which reads back as HORIZONTAL BAR (the look-alikes above).
        QTest::newRow("em dash between kana") << u"あ—い"_s << hex("82A0815C82A2") << qsizetype(-1);
        QTest::newRow("emoji pair is one reference") << u"😀"_s << QByteArray("&#128512;") << qsizetype(0);
        QTest::newRow("rare supplementary kanji") << u"𠮟"_s << QByteArray("&#134047;") << qsizetype(0);
        QTest::newRow("references between kana, kanji, half-width and NEC/IBM")
            << u"あé漢ｱ😀髙①"_s << hex("82A0") + "&#233;" + hex("8ABFB1") + "&#128512;" + hex("FBFC8740")
            << qsizetype(1);
        QTest::newRow("adjacent references after text")
            << u"ab😀😀é"_s << QByteArray("ab&#128512;&#128512;&#233;") << qsizetype(2);
        QTest::newRow("zero width joiner in emoji")
            << u"👨\u200D👩"_s << QByteArray("&#128104;&#8205;&#128105;") << qsizetype(0);
        QTest::newRow("lone high surrogate")
            << u"a"_s + QChar(0xD83D) + u"b"_s << QByteArray("a&#55357;b") << qsizetype(1);
        QTest::newRow("lone high surrogate at end")
            << u"a"_s + QChar(0xD83D) << QByteArray("a&#55357;") << qsizetype(1);
        QTest::newRow("lone low surrogate")
            << u"a"_s + QChar(0xDE00) << QByteArray("a&#56832;") << qsizetype(1);
        QTest::newRow("swapped surrogates")
            << QString(QChar(0xDE00)) + QChar(0xD83D) << QByteArray("&#56832;&#55357;") << qsizetype(0);
    }

    void encodesWithReferences()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(qsizetype, firstUnencodable);
        bool referenced = firstUnencodable < 0;
        QCOMPARE(cp932::encode(text, &referenced), bytes);
        QCOMPARE(referenced, firstUnencodable >= 0);
        QCOMPARE(cp932::firstUnencodable(text), firstUnencodable);
    }

    // ASCII stretches of eight or more are copied byte for byte, shorter ones go to ICU with the text
    // around them, and runs are cut every 16,384 units: whichever way a text is cut up, it must come
    // out as its characters would one by one.
    void encodesMixedTextAsItsCharacters_data()
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
            QTest::addRow("%d ASCII before a look-alike", length)
                << ascii + u"〜"_s + ascii + u"①"_s << false;
        }
        QTest::newRow("kana across the run limit") << u"あ"_s.repeated(16384 + 100) + u"a"_s << false;
        QTest::newRow("short ASCII across the run limit")
            << (u"あいうabc"_s).repeated(5000) + u"\x1C"_s << false;
        QTest::newRow("reference after the run limit") << u"漢"_s.repeated(20000) + u"é"_s << true;
    }

    void encodesMixedTextAsItsCharacters()
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

    void rejectsInvalidBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        for (const char* single : {"80", "A0", "FD", "FE", "FF"})
            QTest::addRow("single %s", single) << hex(single);
        QTest::newRow("invalid byte inside text") << hex("6162FF6364");
        QTest::newRow("lead byte then space") << hex("8120");
        QTest::newRow("lead byte then 7F") << hex("817F");
        QTest::newRow("unassigned pair") << hex("8540");
        QTest::newRow("lone lead byte at end") << hex("82A08A");
        QTest::newRow("lone lead byte after ASCII") << QByteArray("abc\xE0");
        QTest::newRow("typical UTF-8 Japanese file")
            << u"# リンク集の設定\ntitle=新着情報のページ\nfooter=最終更新日\n"_s.toUtf8();
    }

    void rejectsInvalidBytes()
    {
        QFETCH(QByteArray, bytes);
        QCOMPARE(cp932::decode(bytes), std::nullopt);
    }

    // Every byte and every lead and trail byte pair comes back through decode() and encode() exactly
    // when comesBackEnd() passes over it; NUL, CR and LF stop it anyway.
    void comesBackEndIsTheRoundTrip()
    {
        const auto check = [](const QByteArray& bytes) {
            const std::optional<QString> text = cp932::decode(bytes);
            const bool comesBack = text && cp932::encode(*text) == bytes && !bytes.contains('\0') &&
                                   !bytes.contains('\r') && !bytes.contains('\n');
            QVERIFY2((cp932::comesBackEnd(bytes, 0, 0) == bytes.size()) == comesBack,
                     bytes.toHex().constData());
        };
        for (int byte = 0; byte <= 0xFF; ++byte)
            check(QByteArray(1, char(byte)));
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            for (int trail = 0; trail <= 0xFF; ++trail)
                check(QByteArray{char(lead), char(trail)});
        }
    }

    // Longer text is looked at sixteen bytes at a time: the answer is still the one found a character
    // at a time, wherever it starts, with lead bytes in runs, at the sixteenth place and at the end.
    void comesBackEndLooksAtLongTextAsCharacters()
    {
        const auto characterByCharacter = [](const QByteArray& bytes, qsizetype i, quint16 stopPair) {
            while (i < bytes.size()) {
                const auto lead = uchar(bytes[i]);
                const qsizetype length =
                    (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC) ? 2 : 1;
                const QByteArray character = bytes.mid(i, length);
                const std::optional<QString> text = cp932::decode(character);
                if (character.size() < length || !text || cp932::encode(*text) != character ||
                    character.contains('\0') || character.contains('\r') || character.contains('\n') ||
                    (length == 2 && ((lead << 8) | uchar(character[1])) == stopPair))
                    return i;
                i += length;
            }
            return bytes.size();
        };
        const QByteArrayList pieces{"http://www.example.jp/~u/",
                                    "a",
                                    "\t",
                                    "\xB1",
                                    "\x81\x46",
                                    "\x82\xA0\x82\xA2",
                                    "\x83\x5E\x83\x43",
                                    "\x81\x81\x81",
                                    "\xE0\xE0\xE0\xE0\x40",
                                    "\x87\x90",
                                    "\xED\x40",
                                    "\x81\x20",
                                    "\xFF",
                                    "\r",
                                    QByteArray(1, '\0'),
                                    "\x82"};
        QRandomGenerator random(932);
        for (int round = 0; round < 20000; ++round) {
            QByteArray bytes;
            for (int k = int(random.bounded(1, 24)); k > 0; --k)
                bytes += pieces[random.bounded(pieces.size())];
            const qsizetype from = random.bounded(bytes.size() + 1);
            for (const quint16 stopPair : {quint16(0x8146), quint16(0)})
                QVERIFY2(cp932::comesBackEnd(bytes, from, stopPair) ==
                             characterByCharacter(bytes, from, stopPair),
                         (QByteArray::number(from) + ' ' + bytes.toHex()).constData());
        }
    }

    void comesBackEnd_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("end");
        const QByteArray longAscii =
            QByteArray("http://www.example.jp/~user/\tindex.html?a=1&b=2").repeated(3);
        QTest::newRow("long ASCII with a tab") << longAscii << 0 << int(longAscii.size());
        QTest::newRow("kana and half-width kana") << hex("82A082A2 B1 61") << 0 << 6;
        QTest::newRow("separator where a character starts") << hex("616282A0 8146 63") << 0 << 4;
        QTest::newRow("separator bytes across two characters") << hex("8181 4661") << 0 << 4;
        QTest::newRow("from past the separator") << hex("61 8146 62") << 3 << 4;
        QTest::newRow("CR ends it") << QByteArray("ab\r\ncd") << 0 << 2;
        QTest::newRow("NEC row 13 duplicate of a JIS symbol") << hex("6162 8790") << 0 << 2;
        QTest::newRow("lone lead byte at end") << hex("616282") << 0 << 2;
        QTest::newRow("controls ICU swaps, corrected") << hex("61 1A 1C 7F") << 0 << 4;
    }

    void comesBackEnd()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, from);
        QFETCH(int, end);
        QCOMPARE(cp932::comesBackEnd(bytes, from, 0x8146), end);
    }
};

QTEST_GUILESS_MAIN(TestCp932)
#include "tst_cp932.moc"
