#include "icon/applicationicon.h"

#include <QDir>
#include <QFileInfo>

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

} // namespace siteloom
