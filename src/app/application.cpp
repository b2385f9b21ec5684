#include "about/application.h"

#include "about/version.h"
#include "platform/ui.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

using namespace Qt::StringLiterals;

// The pictures live in a resource compiled into a static library: the linker keeps them only when
// something refers to them, and this reference (made outside any namespace, as the macro requires)
// is that something, for the program and for the tests alike.
static void initIconResource()
{
    Q_INIT_RESOURCE(siteloom);
}

namespace siteloom {

QIcon applicationIcon()
{
    static const bool resourceReady = (initIconResource(), true);
    Q_UNUSED(resourceReady)
    // Each picture is named by its side in pixels.
    QIcon icon;
    const QDir pictures(u":/icons"_s);
    const QStringList names = pictures.entryList(QDir::Files);
    for (const QString& name : names) {
        const int side = QFileInfo(name).baseName().toInt();
        icon.addFile(pictures.filePath(name), QSize(side, side));
    }
    return icon;
}

void prepareApplication()
{
    QCoreApplication::setApplicationName(u"siteloom"_s);
    QCoreApplication::setApplicationVersion(QString::fromUtf16(programVersion));
    // The desktop matches windows to the installed desktop entry (and so to its name and icon) by
    // this id.
    QGuiApplication::setDesktopFileName(QString::fromUtf16(applicationId));
    QApplication::setWindowIcon(applicationIcon());
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    installJapaneseTranslation();
    installFontSubstitutions();
    QApplication::setFont(gothicFont(9));
}

} // namespace siteloom
