#include "html/htmldocument.h"

#include <QStringList>

#include <gumbo.h>

#include <utility>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

QString fromUtf8(const char* text, size_t length)
{
    return QString::fromUtf8(text, qsizetype(length));
}

QString tagName(const GumboElement& element)
{
    if (element.tag != GUMBO_TAG_UNKNOWN)
        return QString::fromLatin1(gumbo_normalized_tagname(element.tag));
    GumboStringPiece name = element.original_tag;
    gumbo_tag_from_original_text(&name);
    return fromUtf8(name.data, name.length).toLower();
}

bool isScriptOrStyle(QStringView tag)
{
    return tag == QLatin1String("script") || tag == QLatin1String("style");
}

// Elements that never hold others, or whose end tag pages leave out as a rule: neither deepens a
// real page's tree much, so the depth estimate below passes them over.
bool leavesDepthAlone(QStringView tag)
{
    static const QStringList tags = {
        u"area"_s,   u"base"_s,     u"br"_s,      u"col"_s,   u"embed"_s,  u"hr"_s,       u"img"_s,
        u"input"_s,  u"link"_s,     u"meta"_s,    u"param"_s, u"source"_s, u"track"_s,    u"wbr"_s,
        u"p"_s,      u"li"_s,       u"dt"_s,      u"dd"_s,    u"tr"_s,     u"td"_s,       u"th"_s,
        u"option"_s, u"html"_s,     u"head"_s,    u"body"_s,  u"tbody"_s,  u"colgroup"_s, u"thead"_s,
        u"tfoot"_s,  u"optgroup"_s, u"!doctype"_s};
    return tags.contains(tag);
}

// The parser's time grows much faster than the depth of nesting: a page of nothing but "<div>"
// would keep it busy for hours. So the source is cut where a cheap estimate of the depth (start tags
// less end tags) first passes a depth no real page reaches; what comes before is parsed as usual.
constexpr int deepestNesting = 4096;
// Nor does it take many attributes on one element lightly: each is compared with those before it.
// The source is cut as well before a tag with more attributes than real pages give an element, so
// the time parsing takes stays in proportion to the page's length.
constexpr int mostAttributes = 256;

qsizetype parseLimit(QStringView html)
{
    int depth = 0;
    qsizetype i = 0;
    const qsizetype size = html.size();
    while ((i = html.indexOf(u'<', i)) >= 0) {
        const qsizetype tagStart = i;
        ++i;
        if (html.sliced(i).startsWith(u"!--")) {
            const qsizetype close = html.indexOf(u"-->", i + 3);
            i = close < 0 ? size : close + 3;
            continue;
        }
        const bool closing = i < size && html[i] == u'/';
        if (closing)
            ++i;
        const qsizetype nameStart = i;
        while (i < size && (html[i].isLetterOrNumber() || html[i] == u'!') && html[i].unicode() < 0x80)
            ++i;
        if (i == nameStart)
            continue;
        const QString name = html.sliced(nameStart, i - nameStart).toString().toLower();
        QChar quote;
        int attributes = 0; // an estimate too: words that follow a blank within the tag
        while (i < size && (html[i] != u'>' || !quote.isNull())) {
            if (quote.isNull() && (html[i] == u'"' || html[i] == u'\''))
                quote = html[i];
            else if (html[i] == quote)
                quote = QChar();
            else if (quote.isNull() && html[i].isSpace() && i + 1 < size && !html[i + 1].isSpace() &&
                     html[i + 1] != u'>' && html[i + 1] != u'=' && ++attributes > mostAttributes)
                return tagStart;
            ++i;
        }
        const bool selfClosing = i > 0 && i < size && html[i - 1] == u'/';
        if (!closing && isScriptOrStyle(name)) {
            const qsizetype end = html.indexOf(QString(u"</"_s + name), i, Qt::CaseInsensitive);
            i = end < 0 ? size : end;
            continue;
        }
        if (leavesDepthAlone(name) || selfClosing)
            continue;
        depth = closing ? qMax(0, depth - 1) : depth + 1;
        if (depth > deepestNesting)
            return tagStart;
    }
    return size;
}

} // namespace

HtmlDocument::HtmlDocument(QStringView html)
{
    const qsizetype parsed = parseLimit(html);
    m_truncated = parsed < html.size();
    m_source = html.first(parsed).toUtf8();
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0; // errors are of no use here and a broken page would collect many
    GumboOutput* output = gumbo_parse_with_options(&options, m_source.constData(), size_t(m_source.size()));

    // Walked with a stack of our own: a page may nest elements far deeper than a thread's stack.
    struct Pending
    {
        const GumboNode* node;
        int parent;
        bool closing;
        int index;
    };
    std::vector<Pending> stack{{output->root, -1, false, -1}};
    while (!stack.empty()) {
        const Pending pending = stack.back();
        stack.pop_back();
        if (pending.closing) {
            m_nodes[pending.index].end = int(m_nodes.size());
            continue;
        }
        const GumboNode* node = pending.node;
        Node converted;
        converted.parent = pending.parent;
        if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE) {
            const GumboElement& element = node->v.element;
            converted.tag = tagName(element);
            for (unsigned i = 0; i < element.attributes.length; ++i) {
                const auto* attribute = static_cast<const GumboAttribute*>(element.attributes.data[i]);
                converted.attributes.append(
                    {QString::fromUtf8(attribute->name).toLower(), QString::fromUtf8(attribute->value)});
            }
            if (element.original_tag.length > 0 && element.original_end_tag.length > 0) {
                converted.innerBegin = int(element.start_pos.offset + element.original_tag.length);
                converted.innerEnd = int(element.end_pos.offset);
            }
            const int index = int(m_nodes.size());
            m_nodes.append(std::move(converted));
            stack.push_back({nullptr, 0, true, index});
            for (unsigned i = element.children.length; i-- > 0;)
                stack.push_back({static_cast<const GumboNode*>(element.children.data[i]), index, false, -1});
        } else if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE ||
                   node->type == GUMBO_NODE_CDATA) {
            converted.text = QString::fromUtf8(node->v.text.text);
            converted.end = int(m_nodes.size()) + 1;
            m_nodes.append(std::move(converted));
        } else if (node->type == GUMBO_NODE_DOCUMENT) {
            const GumboDocument& document = node->v.document;
            for (unsigned i = document.children.length; i-- > 0;)
                stack.push_back({static_cast<const GumboNode*>(document.children.data[i]), -1, false, -1});
        }
    }
    gumbo_destroy_output(&options, output);
}

QList<int> HtmlDocument::elements(QStringView tag, int within) const
{
    QList<int> found;
    const int begin = within < 0 ? 0 : within + 1;
    const int end = within < 0 ? int(m_nodes.size()) : m_nodes[within].end;
    for (int i = begin; i < end; ++i) {
        if (m_nodes[i].tag == tag)
            found.append(i);
    }
    return found;
}

QString HtmlDocument::attribute(int node, QStringView name) const
{
    for (const Attribute& attribute : m_nodes[node].attributes) {
        if (attribute.name == name)
            return attribute.value;
    }
    return {};
}

QString HtmlDocument::text(int node) const
{
    QString text;
    for (int i = node; i < m_nodes[node].end; ++i) {
        const Node& current = m_nodes[i];
        if (isScriptOrStyle(current.tag)) {
            i = current.end - 1;
            continue;
        }
        text += current.text;
    }
    return text;
}

QString HtmlDocument::innerSource(int node) const
{
    const Node& element = m_nodes[node];
    if (element.innerBegin < 0 || element.innerEnd < element.innerBegin)
        return {};
    return fromUtf8(m_source.constData() + element.innerBegin, size_t(element.innerEnd - element.innerBegin));
}

} // namespace siteloom
