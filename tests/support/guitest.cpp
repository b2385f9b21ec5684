#include "guitest.h"

#include "about/application.h"

#include <QStandardPaths>

namespace siteloom {

void prepareGuiTest()
{
    QStandardPaths::setTestModeEnabled(true);
    prepareApplication();
}

} // namespace siteloom
