#include "fm1/filelist.h"

#include <QDir>
#include <QFileInfo>

namespace siteloom {

FileList::FileList(QWidget* parent) : QListWidget(parent)
{
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

bool FileList::setPath(const QString& path)
{
    if (!list(path))
        return false;
    m_path = path;
    return true;
}

void FileList::refresh()
{
    (void)list(m_path);
}

bool FileList::list(const QString& path)
{
    // An unreadable directory lists as empty; tell it from an empty one before the names go.
    const QFileInfo directory(path);
    if (path.isEmpty() || !directory.isDir() || !directory.isReadable() || !directory.isExecutable())
        return false;
    const QStringList names = QDir(path).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    setUpdatesEnabled(false);
    clear();
    addItems(names);
    setUpdatesEnabled(true);
    return true;
}

} // namespace siteloom
