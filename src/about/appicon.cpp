#include "about/appicon.h"

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
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(u":/icons/%1.png"_s.arg(size), QSize(size, size));
    return icon;
}

} // namespace siteloom
