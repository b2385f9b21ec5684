#include "about/application.h"
#include "main/main1.h"
#include "platform/qtplatform.h"

#include <QApplication>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// A QApplication without a window system aborts; say so plainly instead.
bool haveDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char* argv[])
{
    if (!haveDisplay()) {
        std::fputs("siteloom: 画面（ディスプレイ）がありません。 No display found; try: xvfb-run siteloom\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    siteloom::prepareApplication();

    siteloom::QtPlatform platform;
    siteloom::main1 window(platform);
    window.show();
    return QApplication::exec();
}
