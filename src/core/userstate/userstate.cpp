#include "userstate.h"

#include <QDir>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace siteloom {

QString stateDirectory()
{
    QString home = qEnvironmentVariable("XDG_STATE_HOME");
    if (home.isEmpty() || QDir::isRelativePath(home))
        home = QDir::homePath() + u"/.local/state"_s;
    return home + u"/siteloom"_s;
}

QString settingsFilePath(const QString& application)
{
    QString home = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (!QDir::isAbsolutePath(home))
        home = QDir::homePath() + u"/.config"_s;
    return home + u'/' + application + u'/' + application + u".conf"_s;
}

} // namespace siteloom
