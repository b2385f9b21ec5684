#include "html/htmltokenizer.h"

#include "html/htmlentities.h"

#include <QByteArray>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isAsciiAlphanumeric(QChar c)
{
    return isAsciiLetter(c) || (c >= u'0' && c <= u'9');
}

// Sets of ASCII characters below "@" as bits, to read a tag's names and values a test per character.
constexpr quint64 bit(char c)
{
    return quint64(1) << c;
}
constexpr quint64 blanks = bit(' ') | bit('\t') | bit('\n') | bit('\r') | bit('\f');
constexpr quint64 tagNameEnds = blanks | bit('/') | bit('>');
constexpr quint64 attributeNameEnds = tagNameEnds | bit('=');
constexpr quint64 unquotedValueEnds = blanks | bit('>');

bool isIn(quint64 set, QChar c)
{
    return c.unicode() < 64 && ((set >> c.unicode()) & 1) != 0;
}

QChar asciiLower(QChar c)
{
    return c >= u'A' && c <= u'Z' ? QChar(c.unicode() + 32) : c;
}

// A name as written, read as a tag's or an attribute's name reads: ASCII in lower case, NUL as U+FFFD.
QChar nameCharacter(QChar c)
{
    return c.isNull() ? QChar(QChar::ReplacementCharacter) : asciiLower(c);
}

bool sameName(QStringView written, QStringView name)
{
    if (written.size() != name.size())
        return false;
    for (qsizetype i = 0; i < written.size(); ++i) {
        if (nameCharacter(written[i]) != nameCharacter(name[i]))
            return false;
    }
    return true;
}

// Elements whose content is text to the matching end tag; RCDATA ones decode references in it.
bool isRawText(QStringView tag)
{
    return tag == u"script" || tag == u"style" || tag == u"xmp" || tag == u"iframe" || tag == u"noembed" ||
           tag == u"noframes" || tag == u"noscript" || tag == u"plaintext";
}

bool isRcdata(QStringView tag)
{
    return tag == u"title" || tag == u"textarea";
}

// What a numeric reference to 0x80-0x9F stands for: pages that wrote them meant Windows-1252.
constexpr char16_t windows1252[32] = {
    0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178,
};

// The longest name of a named reference, its ";" included.
constexpr qsizetype longestReferenceName = 32;

void appendCodePoint(QString& out, char32_t code)
{
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = QChar::ReplacementCharacter;
    else if (code >= 0x80 && code <= 0x9F)
        code = windows1252[code - 0x80];
    if (QChar::requiresSurrogates(code)) {
        out += QChar(QChar::highSurrogate(code));
        out += QChar(QChar::lowSurrogate(code));
    } else {
        out += QChar(char16_t(code));
    }
}

// Appends what the reference at text[at] (an "&") stands for, or the "&" itself when it starts
// none; returns where the text goes on.
qsizetype appendReference(QString& out, QStringView text, qsizetype at, bool inAttribute)
{
    const qsizetype size = text.size();
    qsizetype i = at + 1;
    if (i < size && text[i] == u'#') {
        ++i;
        const bool hex = i < size && (text[i] == u'x' || text[i] == u'X');
        if (hex)
            ++i;
        const qsizetype digitsStart = i;
        char32_t code = 0;
        for (; i < size; ++i) {
            const int digit = text[i] >= u'0' && text[i] <= u'9' ? text[i].unicode() - u'0'
                              : hex && asciiLower(text[i]) >= u'a' && asciiLower(text[i]) <= u'f'
                                  ? asciiLower(text[i]).unicode() - u'a' + 10
                                  : -1;
            if (digit < 0)
                break;
            code = std::min<char32_t>(code * (hex ? 16 : 10) + char32_t(digit), 0x110000);
        }
        if (i == digitsStart) {
            out += text.sliced(at, i - at); // "&#" or "&#x" with no digits stands for itself
            return i;
        }
        if (i < size && text[i] == u';')
            ++i;
        appendCodePoint(out, code);
        return i;
    }
    qsizetype run = i;
    while (run < size && run - i < longestReferenceName && isAsciiAlphanumeric(text[run]))
        ++run;
    if (run > i) {
        // The whole name with its ";", else the longest name that a browser takes without one.
        if (run < size && text[run] == u';') {
            const QByteArray name = text.sliced(i, run + 1 - i).toLatin1();
            if (const char16_t* stands = namedCharacterReference(QLatin1String(name))) {
                out += QStringView(stands);
                return run + 1;
            }
        }
        for (qsizetype length = run - i; length > 0; --length) {
            const QByteArray name = text.sliced(i, length).toLatin1();
            const char16_t* stands = namedCharacterReference(QLatin1String(name));
            if (!stands)
                continue;
            const qsizetype after = i + length;
            // In an attribute, "&amp=" and "&ampx" are left as written: they are parts of addresses.
            if (inAttribute && after < size && (text[after] == u'=' || isAsciiAlphanumeric(text[after])))
                break;
            out += QStringView(stands);
            return after;
        }
    }
    out += u'&';
    return at + 1;
}

void appendText(QString& out, QStringView text, bool inAttribute)
{
    out.reserve(out.size() + text.size());
    const qsizetype size = text.size();
    qsizetype run = 0; // where the text not yet appended starts
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (c != u'&' && c != u'\r' && c != 0)
            continue;
        out += text.sliced(run, i - run);
        if (c == u'&') {
            i = appendReference(out, text, i, inAttribute) - 1;
        } else if (c == u'\r') {
            out += u'\n';
            if (i + 1 < size && text[i + 1] == u'\n')
                ++i;
        } else if (inAttribute) {
            // A browser drops NUL from text and makes it U+FFFD in an attribute.
            out += QChar(QChar::ReplacementCharacter);
        }
        run = i + 1;
    }
    out += text.sliced(run);
}

} // namespace

HtmlTokenizer::HtmlTokenizer(QStringView html) : m_html(html) {}

void HtmlTokenizer::resume(QStringView html, const Mark& mark)
{
    m_html = html;
    m_at = mark.at;
    m_rawTextEnd = mark.rawTextEnd;
    m_rawTextDecoded = mark.rawTextDecoded;
}

QString HtmlTokenizer::attribute(QStringView name) const
{
    if (m_tagsOnly) {
        QString decoded;
        const QStringView value = attributeView(name, &decoded);
        return value.isNull() || value.data() == decoded.constData() ? decoded : value.toString();
    }
    for (const Attribute& attribute : m_attributes) {
        if (attribute.name == name)
            return attribute.value;
    }
    return {};
}

QStringView HtmlTokenizer::attributeView(QStringView name, QString* buffer) const
{
    if (!m_tagsOnly) {
        for (const Attribute& attribute : m_attributes) {
            if (attribute.name == name)
                return attribute.value;
        }
        return {};
    }
    for (const WrittenAttribute& attribute : m_written) {
        if (!sameName(attribute.name, name))
            continue;
        const QStringView value = attribute.value;
        if (std::none_of(value.begin(), value.end(),
                         [](QChar c) { return c == u'&' || c == u'\r' || c.isNull(); }))
            return value;
        buffer->clear();
        appendText(*buffer, value, true);
        return *buffer;
    }
    return {};
}

HtmlTokenizer::Token HtmlTokenizer::next()
{
    const qsizetype size = m_html.size();
    if (!m_rawTextEnd.isEmpty())
        return readRawText();
    while (m_at < size) {
        m_position = m_at;
        if (m_html[m_at] != u'<' || m_at + 1 >= size) {
            qsizetype end = m_html.indexOf(u'<', m_at + 1);
            if (end < 0)
                end = size;
            if (m_tagsOnly) {
                m_at = end;
                continue;
            }
            m_text.clear();
            appendText(m_text, m_html.sliced(m_at, end - m_at), false);
            m_at = end;
            if (m_text.isEmpty())
                continue;
            return Token::Text;
        }
        const QChar after = m_html[m_at + 1];
        if (isAsciiLetter(after)) {
            const Token token = readTag(false);
            if (token != Token::Text)
                return token;
        } else if (after == u'/' && m_at + 2 < size && isAsciiLetter(m_html[m_at + 2])) {
            const Token token = readTag(true);
            if (token != Token::Text)
                return token;
        } else if (after == u'!' && m_at + 3 < size && m_html[m_at + 2] == u'-' && m_html[m_at + 3] == u'-') {
            // A comment; "<!-->" and "<!--->" end at once.
            const qsizetype body = m_at + 4;
            if (body < size && m_html[body] == u'>')
                m_at = body + 1;
            else if (body + 1 < size && m_html[body] == u'-' && m_html[body + 1] == u'>')
                m_at = body + 2;
            else
                skipTo(u"-->");
        } else if (after == u'!' || after == u'?' || after == u'/') {
            // A doctype, a processing instruction or an end tag without a name: passed over to its ">".
            skipTo(u">");
        } else {
            // A "<" that starts nothing is text.
            m_at += 1;
            if (m_tagsOnly)
                continue;
            m_text = u"<"_s;
            return Token::Text;
        }
    }
    m_position = size;
    return Token::End;
}

void HtmlTokenizer::skipTo(QStringView marker)
{
    // The marker's last character by the vectorized search, then the rest where it stands.
    const qsizetype tail = marker.size() - 1;
    for (qsizetype found = m_html.indexOf(marker.back(), m_at + 1 + tail); found >= 0;
         found = m_html.indexOf(marker.back(), found + 1)) {
        if (m_html.sliced(found - tail, tail) == marker.first(tail)) {
            m_at = found + 1;
            return;
        }
    }
    m_at = m_html.size();
}

HtmlTokenizer::Token HtmlTokenizer::readTag(bool end)
{
    const qsizetype size = m_html.size();
    const qsizetype nameStart = m_at + (end ? 2 : 1);
    qsizetype nameEnd = nameStart;
    while (nameEnd < size && !isIn(tagNameEnds, m_html[nameEnd]))
        ++nameEnd;
    m_at = nameEnd;
    m_tagName.resize(nameEnd - nameStart);
    QChar* name = m_tagName.data();
    for (qsizetype i = nameStart; i < nameEnd; ++i)
        *name++ = nameCharacter(m_html[i]);
    if (nameEnd < size && m_html[nameEnd] == u'>') {
        // No attributes, as most tags have none.
        m_attributes.clear();
        m_written.clear();
        m_selfClosing = false;
        m_attributesCut = false;
        m_at = nameEnd + 1;
    } else {
        readAttributes(!end && (!m_wantsAttributes || m_wantsAttributes(m_tagName)));
    }
    if (m_at > size) {
        // Cut off by the end of the markup: no tag at all.
        m_at = size;
        return Token::Text;
    }
    if (end) {
        m_attributes.clear();
        m_selfClosing = false;
        m_attributesCut = false;
        return Token::EndTag;
    }
    if (isRawText(m_tagName) || isRcdata(m_tagName)) {
        m_rawTextEnd = m_tagName;
        m_rawTextDecoded = isRcdata(m_tagName);
    }
    return Token::StartTag;
}

// Reads the attributes up to the tag's ">", and past it, keeping them if asked; leaves m_at beyond
// the end of the markup when the tag has no end.
void HtmlTokenizer::readAttributes(bool keep)
{
    const QStringView html = m_html;
    const qsizetype size = html.size();
    qsizetype at = m_at; // a local, which the loops below keep in a register
    const auto skipWhile = [&](quint64 set, bool in) {
        while (at < size && isIn(set, html[at]) == in)
            ++at;
    };
    m_attributes.clear();
    m_written.clear();
    m_selfClosing = false;
    m_attributesCut = false;
    while (true) {
        for (; at < size && isIn(blanks | bit('/'), html[at]); ++at) {
            if (html[at] == u'/' && at + 1 < size && html[at + 1] == u'>')
                m_selfClosing = true;
        }
        if (at >= size) {
            m_at = size + 1;
            return;
        }
        if (html[at] == u'>') {
            m_at = at + 1;
            return;
        }
        // A name may start with "=", and runs to a blank, "/", ">" or "=".
        const qsizetype nameStart = at++;
        skipWhile(attributeNameEnds, false);
        const QStringView rawName = html.sliced(nameStart, at - nameStart);
        skipWhile(blanks, true);
        QStringView rawValue;
        bool quotedOrUnquoted = false;
        if (at < size && html[at] == u'=') {
            ++at;
            skipWhile(blanks, true);
            if (at < size && (html[at] == u'"' || html[at] == u'\'')) {
                const qsizetype close = html.indexOf(html[at], at + 1);
                if (close < 0) {
                    m_at = size + 1;
                    return;
                }
                rawValue = html.sliced(at + 1, close - at - 1);
                at = close + 1;
            } else {
                const qsizetype valueStart = at;
                skipWhile(unquotedValueEnds, false);
                rawValue = html.sliced(valueStart, at - valueStart);
            }
            quotedOrUnquoted = true;
        }
        if (!keep)
            continue;
        if (m_tagsOnly) {
            if (std::any_of(m_written.cbegin(), m_written.cend(), [&](const WrittenAttribute& attribute) {
                    return sameName(attribute.name, rawName);
                }))
                continue;
            if (m_written.size() >= mostAttributes)
                m_attributesCut = true;
            else
                m_written.append({rawName, quotedOrUnquoted ? rawValue : QStringView()});
            continue;
        }
        QString name;
        name.reserve(rawName.size());
        for (const QChar c : rawName)
            name += nameCharacter(c);
        bool known = false;
        for (const Attribute& attribute : std::as_const(m_attributes))
            known = known || attribute.name == name;
        if (known)
            continue;
        if (m_attributes.size() >= mostAttributes) {
            m_attributesCut = true;
            continue;
        }
        QString value;
        if (quotedOrUnquoted)
            appendText(value, rawValue, true);
        m_attributes.append({std::move(name), std::move(value)});
    }
}

HtmlTokenizer::Token HtmlTokenizer::readRawText()
{
    const qsizetype size = m_html.size();
    m_position = m_at;
    qsizetype end = size;
    if (m_rawTextEnd != u"plaintext") {
        const QString closing = u"</"_s + m_rawTextEnd;
        for (qsizetype found = m_html.indexOf(closing, m_at, Qt::CaseInsensitive); found >= 0;
             found = m_html.indexOf(closing, found + 1, Qt::CaseInsensitive)) {
            const qsizetype after = found + closing.size();
            if (after >= size || isIn(tagNameEnds, m_html[after])) {
                end = found;
                break;
            }
        }
    }
    m_text.clear();
    if (m_tagsOnly) {
        m_at = end;
        m_rawTextEnd.clear();
        return next();
    }
    if (m_rawTextDecoded) {
        appendText(m_text, m_html.sliced(m_at, end - m_at), false);
    } else {
        m_text.reserve(end - m_at);
        for (qsizetype i = m_at; i < end; ++i) {
            const QChar c = m_html[i];
            if (c == u'\r') {
                m_text += u'\n';
                if (i + 1 < end && m_html[i + 1] == u'\n')
                    ++i;
            } else {
                m_text += c.isNull() ? QChar(QChar::ReplacementCharacter) : c;
            }
        }
    }
    m_at = end;
    m_rawTextEnd.clear();
    if (m_text.isEmpty())
        return next();
    return Token::Text;
}

} // namespace siteloom
