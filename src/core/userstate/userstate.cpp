#include "userstate.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace siteloom {

QString stateDirectory()
{
    QString home = qEnvironmentVariable("XDG_STATE_HOME");
    if (home.isEmpty() || QDir::isRelativePath(home))
        home = QDir::homePath() + u"/.local/state"_s;
    return home + u"/siteloom"_s;
}

} // namespace siteloom
