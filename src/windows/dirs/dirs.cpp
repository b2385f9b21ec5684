#include "dirs/dirs.h"

#include "platform.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

constexpr qsizetype desktopBufferBytes = 250;

} // namespace

QString dirs_proc1(Platform& platform)
{
    const QString desktop = platform.desktopLocation();
    if (desktop.isEmpty() || desktop.toUtf8().size() >= desktopBufferBytes || !QFileInfo(desktop).isDir())
        return {};
    return desktop;
}

QString dirs_proc2(Platform& platform, const qint16& mode, const QString& appname)
{
    if (mode == 1)
        return platform.readSetting(appname, u"startup"_s, u"firstdir"_s);
    const QString current = platform.currentDirectory();
    if (!current.isEmpty())
        (void)platform.writeSetting(appname, u"startup"_s, u"firstdir"_s, current);
    return {};
}

} // namespace siteloom
