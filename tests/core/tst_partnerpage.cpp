#include "html/htmldocument.h"
#include "html/htmltokenizer.h"
#include "linkcheck/checkadvice.h"
#include "linkcheck/checkresult.h"
#include "linkcheck/partnerpage.h"
#include "linkentry/linkentry.h"
#include "weburl/weburl.h"

#include <QJsonDocument>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace siteloom;

namespace {

const QString partner = u"http://own.example/links/"_s;
const QString own = u"http://own.example/"_s;
const QString ownWithQuery = u"http://own.example/相互/?p=1&q=2"_s;
const QString banner = u"http://own.example/img/own.gif"_s;

// The link back as the page's tree shows it, the way the link check searched pages before it
// scanned them: the first base element, then every a, area and img.
BacklinkStatus treeLinksBack(const QString& html, const QString& ownUrl = own)
{
    const HtmlDocument page(html);
    QString base = partner;
    if (const QList<int> bases = page.elements(u"base"); !bases.isEmpty()) {
        if (const QString href = page.attribute(bases.first(), u"href"); !href.isNull())
            base = resolveUrl(partner, href);
    }
    const auto refersTo = [&](QStringView tag, QStringView attribute, const QString& target) {
        for (int node : page.elements(tag)) {
            const QString value = page.attribute(node, attribute);
            if (!value.isNull() && comparableUrl(resolveUrl(base, value)) == comparableUrl(target))
                return true;
        }
        return false;
    };
    if (refersTo(u"a", u"href", ownUrl) || refersTo(u"area", u"href", ownUrl) ||
        refersTo(u"img", u"src", banner))
        return BacklinkStatus::Found;
    return page.truncated() ? BacklinkStatus::Unknown : BacklinkStatus::NotFound;
}

} // namespace

class tst_partnerpage : public QObject
{
    Q_OBJECT

private slots:
    void charsetsAndLinkBack_data()
    {
        QTest::addColumn<QByteArray>("charset");
        QTest::addColumn<QString>("namedBy"); // "header", "meta", "header, meta wrong" or "" (detected)
        QTest::addColumn<bool>("linksBack");

        QTest::newRow("Shift_JIS by header, links back") << "Shift_JIS"_ba << u"header"_s << true;
        QTest::newRow("Shift_JIS by meta, no link back") << "Shift_JIS"_ba << u"meta"_s << false;
        QTest::newRow("Shift_JIS by header over a meta naming EUC-JP, links back")
            << "Shift_JIS"_ba << u"header, meta wrong"_s << true;
        QTest::newRow("Shift_JIS detected, links back") << "Shift_JIS"_ba << QString() << true;
        QTest::newRow("EUC-JP by header, no link back") << "EUC-JP"_ba << u"header"_s << false;
        QTest::newRow("EUC-JP by meta, links back") << "EUC-JP"_ba << u"meta"_s << true;
        QTest::newRow("EUC-JP detected, links back") << "EUC-JP"_ba << QString() << true;
        QTest::newRow("UTF-8 by meta, links back") << "UTF-8"_ba << u"meta"_s << true;
        QTest::newRow("UTF-8 detected, no link back") << "UTF-8"_ba << QString() << false;
    }

    // The owner's address holds Japanese, so a page read in the wrong charset cannot match it.
    void charsetsAndLinkBack()
    {
        QFETCH(QByteArray, charset);
        QFETCH(QString, namedBy);
        QFETCH(bool, linksBack);

        const QString own = u"http://own.example/相互リンク/"_s;
        const QString meta = namedBy == u"meta"_s
                                 ? u"<meta charset=\"%1\">"_s.arg(QString::fromLatin1(charset))
                             : namedBy.endsWith(u"wrong"_s) ? u"<meta charset=\"EUC-JP\">"_s
                                                            : QString();
        const QString page =
            u"<html><head>"_s + meta +
            u"<title>リンク集</title></head><body>"
            u"<p>いつもお世話になっております。こちらは私たちの友達のホームページを集めた一覧です。"
            u"日本語で書かれた個人のサイトばかりですが、どうぞ気軽に訪ねてみてください。</p>"_s +
            (linksBack ? u"<a href=\"http://own.example/相互リンク/\">お友達</a>"_s
                       : u"<a href=\"http://own.example/相互/\">別のページ</a>"_s) +
            u"</body></html>"_s;
        QStringEncoder encoder(charset.constData());
        QVERIFY(encoder.isValid());
        const QByteArray body = encoder.encode(page);
        const QByteArray contentType =
            namedBy.startsWith(u"header"_s) ? "text/html; charset=" + charset : "text/html"_ba;

        const QString decoded = decodePartnerPage(body, contentType);
        QCOMPARE(decoded, page);
        QCOMPARE(pageLinksBack(decoded, u"http://partner.example/", own, {}) == BacklinkStatus::Found,
                 linksBack);
    }

    // The link back as the scan finds it and as the page's tree shows it, on the link check's
    // partner pages and on pages with what a scan must not be fooled by (the spellings of a link and
    // the comments, scripts and text areas that hold it as text are scanFindsWhatTheTreeFinds'). The
    // tree stops where nesting or attributes go beyond any real page; the scan reads on, and is
    // unknown only where a tag that could hold the link kept some attributes unread.
    void scanAgainstTree_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("scanned");
        QTest::addColumn<QString>("tree");
        const QString link = u"<a href='http://own.example/'>back</a>"_s;
        const auto row = [](const char* name, const QString& page, const QString& scanned,
                            const QString& tree) { QTest::newRow(name) << page << scanned << tree; };
        row("banner through the base element", u"<base href='/img/'><img src='own.gif'>"_s, u"found"_s,
            u"found"_s);
        row("base after the link", u"<a href='../'>x</a><base href='http://own.example/a/'>"_s, u"found"_s,
            u"found"_s);
        row("only the first base counts",
            u"<base href='http://own.example/'><base href='http://b.example/'><a href='./'>x</a>"_s,
            u"found"_s, u"found"_s);
        row("link escaped as text", u"&lt;a href='http://own.example/'&gt;"_s, u"not-found"_s,
            u"not-found"_s);
        row("other page of the site", u"<a href='http://own.example/x'>x</a>"_s, u"not-found"_s,
            u"not-found"_s);
        row("link before nesting too deep", link + u"<div>"_s.repeated(5000), u"found"_s, u"found"_s);
        row("link after nesting too deep", u"<div>"_s.repeated(5000) + link, u"found"_s, u"unknown"_s);
        row("link after an element of 100,000 attributes", u"<p"_s + u" a"_s.repeated(100000) + u">"_s + link,
            u"found"_s, u"unknown"_s);
        QString manyAttributes;
        for (int i = 0; i < 100; ++i)
            manyAttributes += u" data-%1"_s.arg(i);
        row("link past the attributes read", u"<a"_s + manyAttributes + u" href='http://own.example/'>"_s,
            u"unknown"_s, u"found"_s);
        row("many, but usual, attributes", u"<p"_s + u" data-x=\"1 2 3\""_s.repeated(40) + u">"_s + link,
            u"found"_s, u"found"_s);
        row("page read whole, no link", u"<div>"_s.repeated(2000), u"not-found"_s, u"not-found"_s);
    }

    void scanAgainstTree()
    {
        QFETCH(QString, page);
        QFETCH(QString, scanned);
        QFETCH(QString, tree);
        QString reason;
        const BacklinkStatus found = pageLinksBack(page, partner, own, banner, &reason);
        QCOMPARE(statusKeyword(found), scanned);
        QCOMPARE(reason.isEmpty(), found != BacklinkStatus::Unknown);
        QCOMPARE(statusKeyword(treeLinksBack(page)), tree);
    }

    // Pages put together from links written every way, and from the places a link is only text:
    // the scan and the tree find the same link back.
    void scanFindsWhatTheTreeFinds()
    {
        const QStringList targets = {u"http://own.example/相互/?p=1&amp;q=2"_s,
                                     u"HTTP://OWN.EXAMPLE:80/%E7%9B%B8%E4%BA%92/?p=1&#38;q=2"_s,
                                     u"/相互/?p=1&q=2"_s,
                                     u"http://own.example/相互/?p=1"_s,
                                     u"../img/own.gif"_s,
                                     u"http://own.example/img/own.gif"_s,
                                     u"//OWN.EXAMPLE:80/相互/?p=1&amp;q=2"_s,
                                     u"http://other.example/"_s,
                                     u"https://own.example/相互/?p=1&q=2"_s,
                                     u"mailto:own@own.example"_s};
        const QStringList links = {u"<a href=\"%1\">x</a>"_s, u"<a href=%1>"_s,
                                   u"<A HREF = '%1'>"_s,      u"<area shape=rect href='%1'>"_s,
                                   u"<img src=\"%1\">"_s,     u"<img alt=x src=%1 />"_s,
                                   u"<base href='%1'>"_s};
        const QStringList wrappers = {u"%1"_s,
                                      u"<!-- %1 -->"_s,
                                      u"<!--->%1<!---->"_s,
                                      u"<!--%1--->"_s,
                                      u"<script>var s = '%1';</script>"_s,
                                      u"<textarea>%1</textarea>"_s,
                                      u"<p title='%1'>"_s,
                                      u"<table><tr><td>%1</td></tr></table>"_s,
                                      u"<ul><li>%1<li>x</ul>"_s};
        const QStringList filler = {u"<div>"_s, u"</div>"_s, u"<p>日本語&nbsp;&copy;</p>"_s, u"<br>"_s,
                                    u"text & more"_s};
        QRandomGenerator random(7);
        const auto pick = [&](const QStringList& list) { return list[random.bounded(int(list.size()))]; };
        int found = 0;
        int fromBytes = 0;
        for (int i = 0; i < 400; ++i) {
            QString page = u"<html><body>"_s;
            for (int part = random.bounded(1, 8); part > 0; --part)
                page += pick(filler) + pick(wrappers).arg(pick(links).arg(pick(targets)));
            const BacklinkStatus scanned = pageLinksBack(page, partner, ownWithQuery, banner);
            QCOMPARE(scanned, treeLinksBack(page, ownWithQuery));
            found += scanned == BacklinkStatus::Found;
            // The page's bytes, searched as they are, where that tells: the answer of the page decoded.
            const QByteArray charset = QByteArrayList{"Shift_JIS", "EUC-JP", "UTF-8"}[random.bounded(3)];
            QByteArray body = QStringEncoder(charset.constData()).encode(page);
            // Now and then a lead byte cut off before a tag, which the decoder must not take the tag
            // into.
            if (const qsizetype tag = body.indexOf('<', random.bounded(body.size()));
                tag >= 0 && random.bounded(3) == 0)
                body.insert(tag, charset == "UTF-8" ? '\xE3' : charset == "EUC-JP" ? '\xA4' : '\x82');
            const QByteArray type = random.bounded(2) ? "text/html; charset=" + charset : "text/html"_ba;
            if (const std::optional<BacklinkStatus> quick =
                    bodyLinksBack(body, type, partner, ownWithQuery, banner)) {
                QCOMPARE(*quick, pageLinksBack(decodePartnerPage(body, type), partner, ownWithQuery, banner));
                ++fromBytes;
            }
        }
        QVERIFY(found > 40 && found < 360);
        QVERIFY(fromBytes > 100);
    }

    // Reading only some tags' attributes, as written and decoded when asked, reads the same tags,
    // values and cuts as reading everything, on pages of what a tag's end can hide behind.
    void tagsOnlyReadsWhatTheFullReadReads()
    {
        const QStringList pieces = {u"<a href='x>y' title=\"<a href=z>\">"_s,
                                    u"<IMG SRC=a&amp;b alt=日本語 src=dup>"_s,
                                    u"<a href>"_s,
                                    u"<a href=\"\" HREF=2>"_s,
                                    u"<base\thref=&#x41;&copy&ampx=1\r\n>"_s,
                                    u"<iframe src=\"a\rb\0c\" />"_s,
                                    u"<area =x href=y/>"_s,
                                    u"<a"_s + u" d"_s.repeated(70) + u" href=late>"_s,
                                    u"<!-- <a href=c> -->"_s,
                                    u"<script>'<a href=s>'</script >"_s,
                                    u"<textarea><a href=t></textarea>"_s,
                                    u"<!doctype html><?x <a href=p>?>"_s,
                                    u"</a href=e><p class='<a href=q>'>"_s,
                                    u"相互リンク & < <3 </>"_s,
                                    u"<a href='unended"_s};
        const auto wanted = [](QStringView tag) { return tag == u"a" || tag == u"img" || tag == u"base"; };
        QRandomGenerator random(11);
        for (int i = 0; i < 300; ++i) {
            QString page;
            for (int part = random.bounded(1, 10); part > 0; --part)
                page += pieces[random.bounded(int(pieces.size()))];
            HtmlTokenizer full(page);
            HtmlTokenizer tagsOnly(page);
            tagsOnly.readTagsOnly(wanted);
            QString buffer;
            for (auto token = full.next(); token != HtmlTokenizer::Token::End; token = full.next()) {
                if (token == HtmlTokenizer::Token::Text)
                    continue;
                QCOMPARE(tagsOnly.next(), token);
                QCOMPARE(tagsOnly.tagName(), full.tagName());
                QCOMPARE(tagsOnly.position(), full.position());
                if (token == HtmlTokenizer::Token::EndTag || !wanted(full.tagName()))
                    continue;
                QCOMPARE(tagsOnly.attributesCut(), full.attributesCut());
                QStringList names = {u"href"_s, u"src"_s, u"none"_s};
                for (const HtmlTokenizer::Attribute& attribute : full.attributes())
                    names.append(attribute.name);
                for (const QString& name : std::as_const(names)) {
                    QCOMPARE(tagsOnly.attribute(name), full.attribute(name));
                    QCOMPARE(tagsOnly.attribute(name).isNull(), full.attribute(name).isNull());
                    QCOMPARE(tagsOnly.attributeView(name, &buffer), full.attribute(name));
                }
            }
            QCOMPARE(tagsOnly.next(), HtmlTokenizer::Token::End);
        }
    }

    // Whatever control characters a name holds, the command line's table and JSON show none as it
    // is: the table's only ones are its tabs and line ends, and the JSON reads back to the name.
    void controlCharactersEscaped()
    {
        QString name = u"名\u001B[2J"_s;
        for (char16_t c = 0; c < 0xA0; c = c == 0x1F ? 0x7F : c + 1)
            name += QChar(c);
        CheckResults results({composeEntry({u"http://"_s, name, u"http://"_s})});
        const QString table = checkTable(results);
        QVERIFY(table.contains(u"名\\u001B[2J"_s));
        for (const QChar c : table)
            QVERIFY((c.unicode() >= 0x20 && (c.unicode() < 0x7F || c.unicode() > 0x9F)) || c == u'\t' ||
                    c == u'\n');
        QCOMPARE(table.count(u'\t'), 5);

        const QByteArray json = checkJson(results);
        for (const char byte : json.chopped(1))
            QVERIFY(quint8(byte) >= 0x20 && quint8(byte) != 0x7F);
        QVERIFY(!QString::fromUtf8(json).contains(QRegularExpression(u"[\\x7F-\\x9F]"_s)));
        QCOMPARE(QJsonDocument::fromJson(json)["entries"][0]["name"].toString(), name);
    }

    // The command line's JSON: the keys of an entry, present only when known.
    void jsonShape()
    {
        CheckResults results({composeEntry({u"http://a.example/b.gif"_s, u"友達"_s, u"http://a.example/"_s}),
                              composeEntry({u"http://"_s, {}, u"http://"_s})});
        results.setUrlCheck(0, false,
                            {{}, UrlStatus::Redirected, 200, u"http://b.example/"_s, {}, {}, -1, -1, -1});
        results.setUrlCheck(0, true, {{}, UrlStatus::Ok, 200, {}, {}, u"gif"_s, 88, 31, 1234});
        results.setBacklink(0, BacklinkStatus::NotFound);
        const UrlCheck invalid{{}, UrlStatus::Invalid, 0, {}, u"why"_s, {}, -1, -1, -1};
        results.setUrlCheck(1, false, invalid);
        results.setUrlCheck(1, true, invalid);
        results.setChecked(0);
        results.setChecked(1);
        QCOMPARE(
            checkJson(results),
            R"({"entries":[{"backlink":{"status":"not-found"},"banner":{"bytes":1234,"format":"gif","height":31,)"
            R"("httpStatus":200,"status":"ok","url":"http://a.example/b.gif","usualSize":true,"width":88},)"
            R"("index":1,"name":"友達","site":{"finalUrl":"http://b.example/","httpStatus":200,)"
            R"("status":"redirected","url":"http://a.example/"}},{"backlink":{"status":"skipped"},)"
            R"("banner":{"error":"why","status":"invalid","url":"http://"},"index":2,"name":"",)"
            R"("site":{"error":"why","status":"invalid","url":"http://"}}],"summary":{"entries":2,"problems":2}})"
            "\n"_ba);
    }

    // What the window tells the user about an entry: the kinds it is counted as, how many lines
    // of advice, and the line the entry reads after 「新しいアドレスに更新」.
    void findingsAndUpdates_data()
    {
        QTest::addColumn<UrlCheck>("site");
        QTest::addColumn<UrlCheck>("banner");
        QTest::addColumn<int>("backlink"); // BacklinkStatus
        QTest::addColumn<QString>("kinds");
        QTest::addColumn<QString>("firstAdvice"); // "" when there is none
        QTest::addColumn<QString>("updated");     // "" when there is nothing to update

        const QString site = u"http://a.example/"_s;
        const QString banner = u"http://a.example/b.gif"_s;
        const auto check = [](const QString& url, UrlStatus status, int http, const QString& to = {}) {
            return UrlCheck{url, status, http, to, {}, {}, -1, -1, -1};
        };
        const UrlCheck siteOk = check(site, UrlStatus::Ok, 200);
        const UrlCheck bannerOk = check(banner, UrlStatus::Ok, 200);
        const int found = int(BacklinkStatus::Found);
        QTest::newRow("all fine") << siteOk << bannerOk << found << u""_s << u""_s << u""_s;
        QTest::newRow("site moved")
            << check(site, UrlStatus::Redirected, 200, u"https://b.example/"_s) << bannerOk << found
            << u"要更新"_s
            << u"サイトが新しいアドレスに移りました（https://b.example/）。「新しいアドレスに更新」で直せます。"_s
            << u"http://a.example/b.gif：友達：https://b.example/"_s;
        QTest::newRow("both moved")
            << check(site, UrlStatus::Redirected, 200, u"https://b.example/"_s)
            << check(banner, UrlStatus::Redirected, 200, u"https://b.example/b.gif"_s) << found << u"要更新"_s
            << u"サイトが新しいアドレスに移りました（https://b.example/）。「新しいアドレスに更新」で直せます。"_s
            << u"https://b.example/b.gif：友達：https://b.example/"_s;
        QTest::newRow("banner moved to an address a banner cannot hold")
            << siteOk << check(banner, UrlStatus::Redirected, 200, u"http://b.example/：.gif"_s) << found
            << u"要更新"_s
            << u"バナーが新しいアドレスに移りました（http://b.example/：.gif）。「新しいアドレスに更新」で直せます。"_s
            << u""_s;
        const QString standIn = QString::fromUtf16(defaultBannerUrl);
        QTest::newRow("stand-in banner: the partner's own is still to come")
            << siteOk << check(standIn, UrlStatus::Ok, 0) << found << u"要更新"_s
            << u"バナーが仮の画像のままです。相手のサイトのバナーのアドレスを入れてください。"_s << u""_s;
        QTest::newRow("former stand-in banner, which shows nowhere: replaced by the one that shows")
            << siteOk << check(u"http://siteloom.example.jp/img/whiteball.gif"_s, UrlStatus::Placeholder, 0)
            << found << u"要更新"_s
            << u"バナーが以前の仮の画像のままで、どのブラウザでも表示されません。「新しいアドレスに更新」で、"
               u"どこでも表示される仮のバナーに置き換えられます。"_s
            << standIn + u"：友達：http://a.example/"_s;
        QTest::newRow("page not found")
            << check(site, UrlStatus::Broken, 404) << bannerOk << found << u"リンク切れ"_s
            << u"ページが見つかりません。サイトが閉鎖されたか、アドレスが変わった可能性があります。"_s
            << u""_s;
        QTest::newRow("server failing")
            << check(site, UrlStatus::Broken, 503) << bannerOk << found << u"リンク切れ"_s
            << u"サイトのサーバーに障害が起きています。しばらくしてから再確認してください。"_s << u""_s;
        QTest::newRow("site gone, so its page unread")
            << check(site, UrlStatus::Unreachable, 0) << bannerOk << int(BacklinkStatus::Unknown)
            << u"リンク切れ"_s
            << u"サイトに接続できません。サイトが閉鎖されたか、サーバーが止まっている可能性があります。"_s
            << u""_s;
        QTest::newRow("no answer in time, page unread")
            << check(site, UrlStatus::Timeout, 0) << bannerOk << int(BacklinkStatus::Unknown)
            << u"確認できず"_s
            << u"サイトから時間内に返事がありませんでした。しばらくしてから再確認してください。"_s << u""_s;
        QTest::newRow("dead banner, no link back")
            << siteOk << check(banner, UrlStatus::NotImage, 200) << int(BacklinkStatus::NotFound)
            << u"リンク切れ,相互リンクなし"_s
            << u"バナーのアドレスが画像を指していません。相手のサイトで今のバナーのアドレスを確かめてください。"_s
            << u""_s;
    }

    void findingsAndUpdates()
    {
        QFETCH(UrlCheck, site);
        QFETCH(UrlCheck, banner);
        QFETCH(int, backlink);
        QFETCH(QString, kinds);
        QFETCH(QString, firstAdvice);
        QFETCH(QString, updated);

        const EntryCheck entry{1, u"友達"_s, site, banner, BacklinkStatus(backlink), {}, {}};
        const CheckFindings findings = checkFindings(entry);
        QStringList named;
        for (const auto& [set, name] : {std::pair{findings.dead, u"リンク切れ"_s},
                                        {findings.needsUpdate, u"要更新"_s},
                                        {findings.noBacklink, u"相互リンクなし"_s},
                                        {findings.unconfirmed, u"確認できず"_s}}) {
            if (set)
                named.append(name);
        }
        QCOMPARE(named.join(u','), kinds);
        QCOMPARE(checkAdvice(entry).value(0), firstAdvice);
        QCOMPARE(updatedEntry(composeEntry({banner.url, entry.name, site.url}), entry), updated);
    }

    // Whatever the answers, an entry has advice exactly when it counts as needing action, every
    // status has words, and an update only ever comes with 要更新 and keeps the name.
    void adviceWhenAndOnlyWhenActionIsNeeded()
    {
        const QList<UrlStatus> statuses{UrlStatus::Ok,          UrlStatus::Redirected, UrlStatus::Broken,
                                        UrlStatus::Unreachable, UrlStatus::Timeout,    UrlStatus::Invalid,
                                        UrlStatus::NotImage};
        for (const UrlStatus siteStatus : statuses.first(statuses.size() - 1)) {
            for (const UrlStatus bannerStatus : statuses) {
                for (const QString& bannerUrl :
                     {u"http://a.example/b.gif"_s, QString::fromUtf16(defaultBannerUrl)}) {
                    for (int backlink = 0; backlink <= int(BacklinkStatus::Skipped); ++backlink) {
                        const UrlCheck site{u"http://a.example/"_s,
                                            siteStatus,
                                            301,
                                            u"http://n.example/"_s,
                                            {},
                                            {},
                                            -1,
                                            -1,
                                            -1};
                        const UrlCheck banner{
                            bannerUrl, bannerStatus, 301, u"http://n.example/b.gif"_s, {}, {}, -1, -1, -1};
                        const EntryCheck entry{1, u"友達"_s, site, banner, BacklinkStatus(backlink), {}, {}};
                        const CheckFindings findings = checkFindings(entry);
                        QCOMPARE(checkAdvice(entry).isEmpty(), !findings.any());
                        QVERIFY(!urlStatusText(site, false).isEmpty() &&
                                !urlStatusText(banner, true).isEmpty());
                        QVERIFY(!backlinkStatusText(entry.backlink).isEmpty());
                        const QString line =
                            updatedEntry(composeEntry({bannerUrl, u"友達"_s, site.url}), entry);
                        QVERIFY(line.isEmpty() || findings.needsUpdate);
                        QCOMPARE(line.isEmpty() ? QString() : splitEntry(line).siteName,
                                 line.isEmpty() ? QString() : u"友達"_s);
                    }
                }
            }
        }
    }

    // Web addresses as the link check compares and resolves them.
    void sameAddress_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("identical") << u"http://a.jp/x.html"_s << u"http://a.jp/x.html"_s << true;
        QTest::newRow("scheme and host case") << u"HTTP://WWW.A.JP/x"_s << u"http://www.a.jp/x"_s << true;
        QTest::newRow("path case counts") << u"http://a.jp/X"_s << u"http://a.jp/x"_s << false;
        QTest::newRow("default http port") << u"http://a.jp:80/"_s << u"http://a.jp/"_s << true;
        QTest::newRow("default https port") << u"https://a.jp:443/"_s << u"https://a.jp/"_s << true;
        QTest::newRow("other port") << u"http://a.jp:8080/"_s << u"http://a.jp/"_s << false;
        QTest::newRow("empty path") << u"http://a.jp"_s << u"http://a.jp/"_s << true;
        QTest::newRow("dot segments") << u"http://a.jp/b/../c/./d"_s << u"http://a.jp/c/d"_s << true;
        QTest::newRow("fragment") << u"http://a.jp/#top"_s << u"http://a.jp/"_s << true;
        QTest::newRow("query counts") << u"http://a.jp/?p=1"_s << u"http://a.jp/"_s << false;
        QTest::newRow("blanks around") << u" http://a.jp/ "_s << u"http://a.jp/"_s << true;
        QTest::newRow("percent case") << u"http://a.jp/%7euser"_s << u"http://a.jp/~user"_s << true;
        QTest::newRow("scheme counts") << u"https://a.jp/"_s << u"http://a.jp/"_s << false;
        QTest::newRow("trailing slash counts") << u"http://a.jp/dir"_s << u"http://a.jp/dir/"_s << false;
        QTest::newRow("idn and punycode") << u"http://日本.jp/"_s << u"http://xn--wgv71a.jp/"_s << true;
        QTest::newRow("start value") << u"http://"_s << u"http://"_s << false;
        QTest::newRow("relative") << u"/x"_s << u"/x"_s << false;
        QTest::newRow("other scheme") << u"ftp://a.jp/"_s << u"ftp://a.jp/"_s << false;
        QTest::newRow("javascript") << u"javascript:void(0)"_s << u"javascript:void(0)"_s << false;
    }

    void sameAddress()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, same);
        QCOMPARE(siteloom::sameWebUrl(a, b), same);
        QCOMPARE(siteloom::sameWebUrl(b, a), same);
        if (same)
            QVERIFY(siteloom::isWebUrl(a) && siteloom::isWebUrl(b));
    }

    void resolvesAgainstThePage()
    {
        const QString page = u"http://a.jp/dir/page.html"_s;
        QCOMPARE(siteloom::resolveUrl(page, u"img/b.gif"), u"http://a.jp/dir/img/b.gif"_s);
        QCOMPARE(siteloom::resolveUrl(page, u"../b.gif"), u"http://a.jp/b.gif"_s);
        QCOMPARE(siteloom::resolveUrl(page, u"//c.jp/x"), u"http://c.jp/x"_s);
        QCOMPARE(siteloom::resolveUrl(page, u"https://d.jp/"), u"https://d.jp/"_s);
        QCOMPARE(siteloom::resolveUrl(u"", u"https://d.jp/"), u"https://d.jp/"_s);
        QCOMPARE(siteloom::resolveUrl(u"", u"img/b.gif"), QString());
    }
};

QTEST_GUILESS_MAIN(tst_partnerpage)
#include "tst_partnerpage.moc"
