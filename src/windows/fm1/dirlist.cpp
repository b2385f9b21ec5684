#include "fm1/dirlist.h"

#include "platform.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

constexpr int pathRole = Qt::UserRole;

QTreeWidgetItem* directoryItem(const QString& caption, const QString& path, const QIcon& icon)
{
    auto* item = new QTreeWidgetItem(QStringList{caption});
    item->setData(0, pathRole, path);
    item->setIcon(0, icon);
    item->setToolTip(0, path);
    return item;
}

// The directories from the drive's root down to the path itself, outermost first.
QStringList chainOf(const QString& path, const QString& drive)
{
    QStringList chain;
    QString step = path;
    for (;;) {
        chain.prepend(step);
        if (step == drive || QDir(step).isRoot())
            break;
        step = QFileInfo(step).path();
    }
    return chain;
}

} // namespace

DirectoryList::DirectoryList(Platform& platform, QWidget* parent) : QTreeWidget(parent), m_platform(platform)
{
    setColumnCount(1);
    header()->hide();
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::itemActivated, this, &DirectoryList::openItem);
}

bool DirectoryList::setPath(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo directory(path);
    const QString canonical = directory.isDir() ? directory.canonicalFilePath() : QString();
    if (canonical.isEmpty())
        return false;
    if (canonical == m_path)
        return true;
    m_path = canonical;
    showPath();
    emit pathChanged(m_path);
    return true;
}

void DirectoryList::keyPressEvent(QKeyEvent* event)
{
    QTreeWidget::keyPressEvent(event);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        event->accept();
}

void DirectoryList::openItem(QTreeWidgetItem* item)
{
    // A directory that vanished since it was listed cannot be opened; the list stays as it was.
    (void)setPath(item->data(0, pathRole).toString());
}

void DirectoryList::showPath()
{
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);

    const QStringList chain = chainOf(m_path, m_platform.driveOf(m_path));
    QTreeWidgetItem* open = directoryItem(chain.constFirst(), chain.constFirst(), openIcon);
    addTopLevelItem(open);
    for (qsizetype i = 1; i < chain.size(); ++i) {
        QTreeWidgetItem* next = directoryItem(QFileInfo(chain.at(i)).fileName(), chain.at(i), openIcon);
        open->addChild(next);
        open = next;
    }

    const QDir directory(m_path);
    const QStringList names =
        directory.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    QList<QTreeWidgetItem*> subdirectories;
    subdirectories.reserve(names.size());
    for (const QString& name : names)
        subdirectories.append(directoryItem(name, directory.filePath(name), closedIcon));
    open->addChildren(subdirectories);

    expandAll();
    setCurrentItem(open);
    scrollToItem(open);
}

} // namespace siteloom
