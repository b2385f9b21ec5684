#include "about/frmabt.h"

#include "platform/ui.h"

using namespace Qt::StringLiterals;

namespace siteloom {

frmabt::frmabt(Platform& platform, QWidget* parent) : QDialog(parent), m_platform(platform)
{
    setObjectName(u"frmabt"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(u"ﾊﾞｰｼﾞｮﾝ情報"_s);
    setFixedSize(twips(5760), twips(3465));
    exposeObjectNames(this);
}

} // namespace siteloom
