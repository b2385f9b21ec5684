#include "updates/fingerprint.h"

#include "html/htmltokenizer.h"

#include <QCryptographicHash>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace siteloom {

QString visibleWords(QStringView html)
{
    QString text;
    bool hidden = false; // the text after a script or style tag is their content
    HtmlTokenizer tokens(html);
    for (HtmlTokenizer::Token token = tokens.next(); token != HtmlTokenizer::Token::End;
         token = tokens.next()) {
        if (token == HtmlTokenizer::Token::StartTag) {
            const QString& tag = tokens.tagName();
            hidden = tag == u"script" || tag == u"style" || tag == u"noscript" || tag == u"template";
            text += u' ';
        } else if (token == HtmlTokenizer::Token::EndTag) {
            hidden = false;
            text += u' ';
        } else if (!hidden) {
            text += tokens.text();
        }
    }
    // Full-width digits and letters as their ASCII forms, so that one pattern finds every number.
    text = text.normalized(QString::NormalizationForm_KC);
    static const QRegularExpression noise(
        u"[0-9]+|"
        // A weekday after a date: (月), (火曜日), 日曜
        "[(（][月火水木金土日](曜日?)?[)）]|[月火水木金土日]曜日?|"
        "\\b(jan(uary)?|feb(ruary)?|mar(ch)?|apr(il)?|may|june?|july?|aug(ust)?|sep(tember)?|oct(ober)?|"
        "nov(ember)?|dec(ember)?|mon(day)?|tue(sday)?|wed(nesday)?|thu(rsday)?|fri(day)?|sat(urday)?|"
        "sun(day)?|su|mo|tu|we|th|fr|sa)\\b|"
        "[\\s.,:/\\-]+"_s,
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    text.remove(noise);
    return text;
}

QByteArray pageFingerprint(QStringView html)
{
    return QCryptographicHash::hash(visibleWords(html).toUtf8(), QCryptographicHash::Sha1).toHex();
}

} // namespace siteloom
