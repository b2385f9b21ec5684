#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

namespace siteloom {

// A page from elsewhere (a partner's page, a bookmarks file, pasted markup), parsed as a browser
// parses it: unclosed and misnested tags, unquoted attributes and character references are handled
// by the HTML parsing algorithm, not by patterns of our own.
//
// The tree is kept flat, in document order: a node's descendants are the nodes that follow it up to
// its end. Text nodes have an empty tag.
class HtmlDocument
{
public:
    struct Attribute
    {
        QString name;  // lower case
        QString value; // character references decoded
    };
    struct Node
    {
        QString tag;  // lower case; "" for text
        QString text; // a text node's text, references decoded
        QList<Attribute> attributes;
        int parent = -1;
        int end = 0;         // one past the node's last descendant
        int innerBegin = -1; // byte offsets into the UTF-8 source of what stands between the
        int innerEnd = -1;   // start and end tags, -1 where the parser made the tag up
    };

    explicit HtmlDocument(QStringView html);

    [[nodiscard]] const QList<Node>& nodes() const { return m_nodes; }

    // True when the page nests elements deeper than any real page does, or gives one element more
    // attributes than any real page does: only the part before that point was parsed.
    [[nodiscard]] bool truncated() const { return m_truncated; }

    // The elements with this tag (lower case), in document order; within `within`'s descendants
    // when given.
    [[nodiscard]] QList<int> elements(QStringView tag, int within = -1) const;

    // The attribute's value, or a null string when the element does not have it.
    [[nodiscard]] QString attribute(int node, QStringView name) const;

    // The text of every text node inside the node, in order (scripts and styles left out).
    [[nodiscard]] QString text(int node) const;

    // The markup between the element's start and end tags exactly as it was written, or "" when the
    // parser had to make up either tag.
    [[nodiscard]] QString innerSource(int node) const;

private:
    QByteArray m_source;
    QList<Node> m_nodes;
    bool m_truncated = false;
};

} // namespace siteloom
