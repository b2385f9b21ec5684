#include "guitest.h"

#include "platform/ui.h"

#include <QStandardPaths>

namespace siteloom {

void prepareGuiTest()
{
    QStandardPaths::setTestModeEnabled(true);
    installFontSubstitutions();
}

} // namespace siteloom
