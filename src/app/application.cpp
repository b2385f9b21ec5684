#include "application.h"

#include "icon/applicationicon.h"
#include "main1/main1.h"
#include "ui/ui.h"
#include "version/version.h"

#include <QApplication>
#include <QLocale>
#include <QTimer>

#include <csignal>

using namespace Qt::StringLiterals;

namespace siteloom {

void ignoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

void prepareApplication()
{
    ignoreFileSizeSignal();
    QCoreApplication::setApplicationName(u"siteloom"_s);
    QCoreApplication::setApplicationVersion(QString::fromUtf16(programVersion));
    // The desktop matches windows to the installed desktop entry (and so to its name and icon) by
    // this id.
    QGuiApplication::setDesktopFileName(QString::fromUtf16(applicationId));
    QApplication::setWindowIcon(applicationIcon());
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    installJapaneseTranslation();
    installFontSubstitutions();
    QApplication::setFont(interfaceFont(QApplication::font()));
}

void showMainWindow(main1& window, const QString& listFile)
{
    window.show();
    if (!listFile.isEmpty())
        QTimer::singleShot(0, &window, [&window, listFile] { window.loadListFile(listFile); });
}

} // namespace siteloom
