#include "about/appicon.h"
#include "about/version.h"
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
    QCoreApplication::setApplicationVersion(QString::fromUtf16(siteloom::programVersion));
    QApplication::setWindowIcon(siteloom::applicationIcon());
    siteloom::installJapaneseTranslation();
    siteloom::installFontSubstitutions();

    siteloom::QtPlatform platform;
    siteloom::main1 window(platform);
    window.show();
    return QApplication::exec();
}
