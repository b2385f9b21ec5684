#include "importing/bookmarks.h"

#include "html/htmltokenizer.h"
#include "linkentry/linkentry.h"
#include "weburl/weburl.h"

#include <QSet>

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

namespace siteloom {

namespace {

// Lists nested deeper than this are not read: no browser's file comes near it.
constexpr qsizetype deepestFolderNesting = 256;

// What a link holds, in bytes: its slot in the list, and its address and name with their headers
// (the banner, the site URL and the folder are shared with other strings).
qsizetype linkCost(const ImportedLink& link)
{
    return qsizetype(sizeof(ImportedLink)) + 32 + 2 * (link.url.size() + link.entry.siteName.size());
}

// The links may hold up to this many times the file's characters: with the text itself (two bytes
// a character) that keeps a reading within eight times the file's size. A browser's file, at 35
// characters or more a link, never comes near it.
constexpr qsizetype linkBudget = 6;

// The tokens of a text that comes whole or in pieces. A token is handed on only once the text
// goes on past it, so it reads as it would in the whole text; one that runs to the end of what is
// there is read again with the next piece. The text before that token is dropped, so that only the
// piece being read is held.
class PiecewiseTokens
{
public:
    explicit PiecewiseTokens(QStringView whole) : m_view(whole), m_tokens(whole), m_ended(true) {}
    explicit PiecewiseTokens(const std::function<bool(QString&)>& more)
        : m_tokens(QStringView()), m_more(more), m_ended(false)
    {
    }

    HtmlTokenizer::Token next()
    {
        while (true) {
            const HtmlTokenizer::Mark before = m_tokens.mark();
            const HtmlTokenizer::Token token = m_tokens.next();
            if (m_ended || (token != HtmlTokenizer::Token::End && m_tokens.end() < m_view.size()))
                return token;
            // The token may run on into the next piece: the text before it goes, the piece comes.
            m_lines += m_view.first(before.at).count(u'\n');
            m_dropped += before.at;
            m_buffer.remove(0, before.at);
            m_ended = !m_more(m_buffer);
            m_view = m_buffer;
            HtmlTokenizer::Mark from = before;
            from.at = 0;
            m_tokens.resume(m_view, from);
        }
    }

    [[nodiscard]] const HtmlTokenizer& tokens() const { return m_tokens; }
    // The line (from 1) the token starts on.
    [[nodiscard]] qsizetype line() const
    {
        return m_lines + m_view.first(m_tokens.position()).count(u'\n') + 1;
    }

private:
    QString m_buffer; // the pieces not yet read, when the text comes in pieces
    QStringView m_view;
    HtmlTokenizer m_tokens;
    std::function<bool(QString&)> m_more;
    bool m_ended;
    qsizetype m_dropped = 0; // units of the text dropped so far
    qsizetype m_lines = 0;   // line ends among them
};

// The bookmarks file as browsers write it, read tag by tag: a list ("<DL>") is a folder when a
// heading ("<H3>") names it, in the "<DT>" the list stands in or as the element right before it;
// a list that opens a description ("<DD>", which browsers write between a folder's heading and
// its list) is named by what stands before the description.
// The lists, items and headings open at any point are kept on a stack: that is all of the tree
// that a bookmark's folder needs.
class BookmarksReader
{
public:
    // `size`: the whole text's length, in UTF-16 code units.
    BookmarksReader(PiecewiseTokens& tokens, qsizetype size, const LinkSink& sink)
        : m_size(size), m_pieces(tokens), m_tokens(tokens.tokens()), m_sink(sink)
    {
        m_levels.push_back(Level{});
        m_linkBudget = linkBudget * size;
    }

    LinkImport read()
    {
        bool scriptText = false; // the next text is a script's or a style's
        for (HtmlTokenizer::Token token = m_pieces.next(); token != HtmlTokenizer::Token::End;
             token = m_pieces.next()) {
            const bool skipText = scriptText;
            scriptText = false;
            if (token == HtmlTokenizer::Token::Text) {
                if (skipText)
                    continue;
                if (m_heading)
                    m_heading->append(m_tokens.text());
                if (m_anchorOpen)
                    m_anchorText.append(m_tokens.text());
                continue;
            }
            const QString& tag = m_tokens.tagName();
            if (token == HtmlTokenizer::Token::StartTag) {
                scriptText = tag == u"script" || tag == u"style";
                if (!startTag(tag))
                    break;
            } else {
                endTag(tag);
            }
        }
        closeAnchor();
        return std::move(m_import);
    }

private:
    enum class Kind { Root, List, Item, Description };
    struct Sibling
    {
        enum { None, Item, Heading, Other } kind = None;
        QString heading; // the item's heading, or the heading's text
    };
    struct Level
    {
        Kind kind = Kind::Root;
        QString path;                 // the folders the level lies in, joined by "/"
        bool inFolder = false;        // some list around the level is a folder (path may be "")
        std::optional<QString> named; // an item's first heading
        Sibling last;                 // the element before what comes next at this level
    };

    bool startTag(const QString& tag)
    {
        if (tag == u"a") {
            closeAnchor();
            const QString href = m_tokens.attribute(u"href");
            if (m_tokens.attributesCut())
                cut(LinkImport::Cut::TooManyAttributes, false);
            m_levels.back().last = Sibling{Sibling::Other, {}};
            if (href.isNull())
                return true;
            if (m_linkCost > m_linkBudget)
                return cut(LinkImport::Cut::TooManyLinks, true);
            m_anchor = ImportedLink();
            m_anchor.url = urlFromAttribute(href);
            m_anchor.folder = m_levels.back().path;
            m_anchorOpen = true;
            m_anchorText = QString();
            return true;
        }
        if (tag == u"dl" || tag == u"dt" || tag == u"dd" || tag == u"h3") {
            closeAnchor();
            closeHeading();
        }
        if (tag == u"dl")
            return startList();
        if (tag == u"dt" || tag == u"dd") {
            closeItem();
            const Level& list = m_levels.back();
            m_levels.push_back(
                Level{tag == u"dt" ? Kind::Item : Kind::Description, list.path, list.inFolder, {}, {}});
        } else if (tag == u"h3") {
            m_heading = QString();
        } else {
            m_levels.back().last = Sibling{Sibling::Other, {}};
        }
        return true;
    }

    void endTag(const QString& tag)
    {
        if (tag == u"a") {
            closeAnchor();
        } else if (tag.size() == 2 && tag[0] == u'h' && tag[1] >= u'1' && tag[1] <= u'6') {
            closeHeading();
        } else if (tag == u"dt" || tag == u"dd") {
            closeAnchor();
            closeHeading();
            if (m_levels.back().kind == (tag == u"dt" ? Kind::Item : Kind::Description))
                closeItem();
        } else if (tag == u"dl") {
            closeAnchor();
            closeHeading();
            const bool open = std::any_of(m_levels.begin(), m_levels.end(),
                                          [](const Level& level) { return level.kind == Kind::List; });
            if (!open)
                return;
            while (m_levels.back().kind != Kind::List)
                m_levels.pop_back();
            m_levels.pop_back();
            --m_lists;
            m_levels.back().last = Sibling{Sibling::Other, {}};
        }
    }

    bool startList()
    {
        Level& here = m_levels.back();
        std::optional<QString> name;
        if (here.kind == Kind::Item)
            name = here.named;
        else if (here.last.kind == Sibling::Item || here.last.kind == Sibling::Heading)
            name = here.last.heading;
        else if (here.kind == Kind::Description && here.last.kind == Sibling::None)
            name = headingOf(m_levels[m_levels.size() - 2].last); // "<H3>name</H3><DD>about it<DL>"
        if (name && name->isNull())
            name.reset();
        if (m_lists == deepestFolderNesting)
            return cut(LinkImport::Cut::TooDeep, true);
        ++m_lists;
        Level list{Kind::List, here.path, here.inFolder, {}, {}};
        if (name) {
            // Folder names are joined by "/", so one inside a name would read as two folders.
            name->replace(u'/', u'∕');
            list.path = here.inFolder ? here.path + u'/' + *name : *name;
            list.inFolder = true;
            m_folderCharacters += list.path.size();
            if (m_folderCharacters > m_size)
                return cut(LinkImport::Cut::TooDeep, true);
            if (!m_knownFolders.contains(list.path)) {
                m_knownFolders.insert(list.path);
                m_import.folders.append(list.path);
            }
        }
        m_levels.push_back(std::move(list));
        return true;
    }

    static std::optional<QString> headingOf(const Sibling& sibling)
    {
        if (sibling.kind == Sibling::Item || sibling.kind == Sibling::Heading)
            return sibling.heading;
        return std::nullopt;
    }

    void closeItem()
    {
        const Level top = m_levels.back();
        if (top.kind != Kind::Item && top.kind != Kind::Description)
            return;
        m_levels.pop_back();
        m_levels.back().last = top.kind == Kind::Item ? Sibling{Sibling::Item, top.named.value_or(QString())}
                                                      : Sibling{Sibling::Other, {}};
    }

    void closeHeading()
    {
        if (!m_heading)
            return;
        QString name = oneLine(*m_heading);
        m_heading.reset();
        Level& here = m_levels.back();
        if (here.kind == Kind::Item && !here.named)
            here.named = name;
        here.last = Sibling{Sibling::Heading, std::move(name)};
    }

    void closeAnchor()
    {
        if (!m_anchorOpen)
            return;
        ImportedLink& link = m_anchor;
        link.skipped = !isWebUrl(link.url);
        if (!link.skipped) {
            link.entry.bannerUrl = m_defaultBanner;
            link.entry.siteName = nameFromPlainText(m_anchorText);
            link.entry.siteUrl = link.url;
            if (link.entry.siteName.isEmpty())
                link.entry.siteName = nameFromPlainText(link.url);
        }
        m_linkCost += linkCost(link);
        if (m_sink)
            m_sink(std::move(link));
        else
            m_import.links.append(std::move(link));
        m_anchorOpen = false;
        m_anchorText = QString();
    }

    // Notes the cut (the first one only) where the tokenizer stands; false when reading stops there.
    bool cut(LinkImport::Cut reason, bool stop)
    {
        if (m_import.cut == LinkImport::Cut::None) {
            m_import.cut = reason;
            m_import.cutLine = m_pieces.line();
        }
        return !stop;
    }

    qsizetype m_size;
    PiecewiseTokens& m_pieces;
    const HtmlTokenizer& m_tokens;
    const LinkSink& m_sink;
    LinkImport m_import;
    std::vector<Level> m_levels;
    qsizetype m_lists = 0; // lists open now
    QSet<QString> m_knownFolders;
    std::optional<QString> m_heading; // the text of the heading open now
    ImportedLink m_anchor;            // the link whose text is being read, when m_anchorOpen
    bool m_anchorOpen = false;
    QString m_anchorText;
    qsizetype m_linkCost = 0;
    qsizetype m_linkBudget = 0;
    qsizetype m_folderCharacters = 0;
    const QString m_defaultBanner = QString::fromUtf16(defaultBannerUrl);
};

} // namespace

LinkImport readBookmarks(QStringView html, const LinkSink& sink)
{
    PiecewiseTokens tokens(html);
    return BookmarksReader(tokens, html.size(), sink).read();
}

LinkImport readBookmarks(qsizetype size, const std::function<bool(QString& text)>& more, const LinkSink& sink)
{
    PiecewiseTokens tokens(more);
    return BookmarksReader(tokens, size, sink).read();
}

} // namespace siteloom
