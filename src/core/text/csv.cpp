#include "text/csv.h"

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// C0 controls (tab and line breaks among them), DEL and C1 controls.
bool isControl(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F);
}

} // namespace

QString csvField(QStringView field)
{
    QString text;
    text.reserve(field.size() + 1);
    for (const QChar c : field) {
        if (!isControl(c))
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
