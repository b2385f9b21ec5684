#include "dirs/fm1.h"

#include "platform/ui.h"

using namespace Qt::StringLiterals;

namespace siteloom {

fm1::fm1(Platform& platform, QLabel* baseDirectoryLabel, QWidget* parent)
    : QWidget(parent, Qt::Dialog), m_platform(platform), m_baseDirectoryLabel(baseDirectoryLabel)
{
    setObjectName(u"fm1"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(u"ディレクトリ指定画面"_s);
    setFixedSize(twips(7890), twips(5250));
    exposeObjectNames(this);
}

} // namespace siteloom
