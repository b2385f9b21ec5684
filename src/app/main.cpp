#include "main/main1.h"
#include "platform/qtplatform.h"
#include "platform/ui.h"

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
    QCoreApplication::setApplicationName(u"siteloom"_s);
    QCoreApplication::setApplicationVersion(u"1.01"_s);
    siteloom::installJapaneseTranslation();
    siteloom::installFontSubstitutions();

    siteloom::QtPlatform platform;
    siteloom::main1 window(platform);
    window.show();
    return QApplication::exec();
}
