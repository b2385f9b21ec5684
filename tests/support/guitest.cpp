#include "guitest.h"

#include "about/appicon.h"
#include "platform/ui.h"

#include <QApplication>

#include <QStandardPaths>

namespace siteloom {

void prepareGuiTest()
{
    QStandardPaths::setTestModeEnabled(true);
    installFontSubstitutions();
    QApplication::setWindowIcon(applicationIcon());
}

} // namespace siteloom
