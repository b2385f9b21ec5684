#include "main1/recentfiles.h"

#include "platform.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

const QString recentSection = u"recent"_s;

QString recentKey(int i)
{
    return u"file%1"_s.arg(i + 1);
}

} // namespace

RecentFiles::RecentFiles(Platform& platform, QMenu* menu, QObject* parent)
    : QObject(parent), m_platform(platform), m_menu(menu)
{
    fillMenu();
}

QStringList RecentFiles::paths() const
{
    QStringList paths;
    for (int i = 0; i < kept; ++i) {
        const QString path = m_platform.readSetting(u"siteloom"_s, recentSection, recentKey(i));
        if (!path.isEmpty() && !paths.contains(path))
            paths.append(path);
    }
    return paths;
}

void RecentFiles::remember(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList paths = this->paths();
    paths.removeAll(absolute);
    paths.prepend(absolute);
    store(paths.mid(0, kept));
}

void RecentFiles::forget(const QString& path)
{
    QStringList paths = this->paths();
    paths.removeAll(path);
    store(paths);
}

void RecentFiles::store(const QStringList& paths)
{
    for (int i = 0; i < kept; ++i)
        (void)m_platform.writeSetting(u"siteloom"_s, recentSection, recentKey(i), paths.value(i));
    fillMenu();
}

void RecentFiles::fillMenu()
{
    m_menu->clear();
    const QStringList paths = this->paths();
    for (qsizetype i = 0; i < paths.size(); ++i) {
        // The number is the entry's access key; an & in the path is shown as it is.
        QAction* action = m_menu->addAction(
            u"&%1 %2"_s.arg(i + 1).arg(QDir::toNativeSeparators(paths[i]).replace(u'&', u"&&"_s)));
        action->setData(paths[i]);
        connect(action, &QAction::triggered, this, [this, path = paths[i]] { emit openRequested(path); });
    }
    m_menu->setEnabled(!paths.isEmpty());
}

} // namespace siteloom
