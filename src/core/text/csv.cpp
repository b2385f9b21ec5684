#include "text/csv.h"

#include "text/trim.h"

using namespace Qt::StringLiterals;

namespace siteloom {

QString csvField(QStringView field)
{
    QString text;
    text.reserve(field.size() + 1);
    for (const QChar c : field) {
        if (!isControlCharacter(c.unicode()))
            text.append(c);
    }
    // A spreadsheet takes a cell beginning with one of these for a formula; the apostrophe makes it
    // text, and the spreadsheet shows the cell without it.
    if (!text.isEmpty() && (text[0] == u'=' || text[0] == u'+' || text[0] == u'-' || text[0] == u'@'))
        text.prepend(u'\'');
    if (!text.contains(u',') && !text.contains(u'"'))
        return text;
    text.replace(u'"', u"\"\""_s);
    return u'"' + text + u'"';
}

} // namespace siteloom
