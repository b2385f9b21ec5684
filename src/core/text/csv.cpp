#include "text/csv.h"

using namespace Qt::StringLiterals;

namespace siteloom {

QString csvField(QStringView field)
{
    const bool quoted =
        field.contains(u',') || field.contains(u'"') || field.contains(u'\r') || field.contains(u'\n');
    if (!quoted)
        return field.toString();
    QString text = field.toString();
    text.replace(u'"', u"\"\""_s);
    return u'"' + text + u'"';
}

} // namespace siteloom
