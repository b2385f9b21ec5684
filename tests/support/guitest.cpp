#include "guitest.h"

#include "application.h"

#include <QStandardPaths>

namespace siteloom {

void prepareGuiTest()
{
    QStandardPaths::setTestModeEnabled(true);
    prepareApplication();
}

} // namespace siteloom
