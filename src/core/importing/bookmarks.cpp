#include "importing/bookmarks.h"

#include "html/htmldocument.h"
#include "linkentry/linkentry.h"

#include <QHash>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// The first child element of the node with this tag, or -1.
int childElement(const HtmlDocument& document, int node, QStringView tag)
{
    const QList<HtmlDocument::Node>& nodes = document.nodes();
    for (int i = node + 1; i < nodes[node].end; i = nodes[i].end) {
        if (nodes[i].tag == tag)
            return i;
    }
    return -1;
}

// The element right before the node among its parent's children, or -1.
int previousSibling(const HtmlDocument& document, int node)
{
    const QList<HtmlDocument::Node>& nodes = document.nodes();
    const int parent = nodes[node].parent;
    if (parent < 0)
        return -1;
    int previous = -1;
    for (int i = parent + 1; i < node; i = nodes[i].end) {
        if (!nodes[i].tag.isEmpty())
            previous = i;
    }
    return previous;
}

// The name of the folder a "<DL>" lists, or a null string when it is not a folder's list (the
// file's outermost list). A browser nests the list inside the "<DT>" of its heading; a file whose
// "<DT>" was closed before the list has the list right after it.
QString folderName(const HtmlDocument& document, int list)
{
    const QList<HtmlDocument::Node>& nodes = document.nodes();
    int heading = -1;
    if (const int parent = nodes[list].parent; parent >= 0 && nodes[parent].tag == u"dt")
        heading = childElement(document, parent, u"h3");
    if (heading < 0) {
        const int previous = previousSibling(document, list);
        if (previous >= 0 && nodes[previous].tag == u"dt")
            heading = childElement(document, previous, u"h3");
        else if (previous >= 0 && nodes[previous].tag == u"h3")
            heading = previous;
    }
    if (heading < 0)
        return QString();
    // Folder names are joined by "/", so one inside a name would read as two folders.
    QString name = oneLine(document.text(heading));
    name.replace(u'/', u'∕');
    return name;
}

// The folders around a node, outermost first, joined by "/": the names of the folder lists from
// `from` outwards. Each list's name is looked up once.
class FolderPaths
{
public:
    explicit FolderPaths(const HtmlDocument& document) : m_document(document) {}

    QString path(int from)
    {
        QStringList names;
        for (int i = from; i >= 0; i = m_document.nodes()[i].parent) {
            if (m_document.nodes()[i].tag != u"dl")
                continue;
            auto known = m_names.constFind(i);
            if (known == m_names.cend())
                known = m_names.insert(i, folderName(m_document, i));
            if (!known->isNull())
                names.prepend(*known);
        }
        return names.join(u'/');
    }

private:
    const HtmlDocument& m_document;
    QHash<int, QString> m_names;
};

} // namespace

LinkImport readBookmarks(QStringView html)
{
    const HtmlDocument document(html);
    FolderPaths folders(document);
    LinkImport import = documentLinks(document, [&](int anchor, ImportedLink& link) {
        link.entry.bannerUrl = QString::fromUtf16(defaultBannerUrl);
        link.entry.siteName = nameFromPlainText(document.text(anchor));
        link.folder = folders.path(document.nodes()[anchor].parent);
    });
    for (const int list : document.elements(u"dl")) {
        if (folderName(document, list).isNull())
            continue;
        if (const QString path = folders.path(list); !import.folders.contains(path))
            import.folders.append(path);
    }
    return import;
}

} // namespace siteloom
