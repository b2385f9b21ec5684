#pragma once

#include <QList>
#include <QString>
#include <QStringView>

namespace siteloom {

// Reads markup as a stream of tokens (text, start tags, end tags) the way a browser's tokenizer
// does, without building a tree: memory stays at one token, whatever the size of the page. Comments,
// doctypes and processing instructions are passed over; character references are decoded in text
// and attribute values; CR LF and CR read as LF. The text of script, style and the other elements
// whose content is not markup comes whole, as one text token after their start tag. A tag cut off
// by the end of the markup is no tag, as in a browser.
//
// For a file where only a few elements matter (a bookmarks file), or a page searched for its links,
// where a tree would cost many times the page.
class HtmlTokenizer
{
public:
    enum class Token { Text, StartTag, EndTag, End };

    struct Attribute
    {
        QString name;  // lower case
        QString value; // character references decoded
    };

    // A tag keeps at most this many attributes, the first ones (a later one of the same name is
    // dropped anyway, as in a browser); attributesCut() tells when a tag had more.
    static constexpr qsizetype mostAttributes = 64;

    explicit HtmlTokenizer(QStringView html);

    // For a reader that wants only some tags: text is passed over (no Text tokens), and only the
    // tags wantsAttributes names have their attributes read (the others come without any). Those
    // are kept as written, not copied: attributes() stays empty, and attribute() and
    // attributeView() decode only the value asked for.
    void readTagsOnly(bool (*wantsAttributes)(QStringView tagName))
    {
        m_tagsOnly = true;
        m_wantsAttributes = wantsAttributes;
    }

    // Reads the next token; End at the end of the markup, for good.
    Token next();

    // The tag's name, lower case (StartTag, EndTag).
    [[nodiscard]] const QString& tagName() const { return m_tagName; }
    // The tag's attributes in the order written, each name once (StartTag).
    [[nodiscard]] const QList<Attribute>& attributes() const { return m_attributes; }
    // The attribute's value, or a null string when the tag does not have it (or has it without "=").
    [[nodiscard]] QString attribute(QStringView name) const;
    // The same value without a copy where it can be: as written in the markup when there is nothing
    // in it to decode, else decoded into *buffer. It stands until the next token.
    [[nodiscard]] QStringView attributeView(QStringView name, QString* buffer) const;
    // The start tag ends in "/>".
    [[nodiscard]] bool selfClosing() const { return m_selfClosing; }
    // The tag had more attributes than mostAttributes: those after them were passed over.
    [[nodiscard]] bool attributesCut() const { return m_attributesCut; }
    // The text (Text).
    [[nodiscard]] const QString& text() const { return m_text; }
    // Where the token starts in the markup, in UTF-16 code units.
    [[nodiscard]] qsizetype position() const { return m_position; }
    // Where the markup read so far ends: a token that ends before the end of the markup reads the
    // same whatever follows it.
    [[nodiscard]] qsizetype end() const { return m_at; }

    // Where the tokenizer stands between two tokens, to read again from there.
    struct Mark
    {
        qsizetype at = 0;
        QString rawTextEnd;
        bool rawTextDecoded = false;
    };
    [[nodiscard]] Mark mark() const { return Mark{m_at, m_rawTextEnd, m_rawTextDecoded}; }
    // Reads on from the mark in other markup: the same text moved, with more after it.
    void resume(QStringView html, const Mark& mark);

private:
    Token readTag(bool end);
    Token readRawText();
    void readAttributes(bool keep);
    void skipTo(QStringView marker);

    QStringView m_html;
    qsizetype m_at = 0;
    QString m_rawTextEnd; // after a start tag of script, style ...: the tag that ends the text
    bool m_rawTextDecoded = false;
    bool m_tagsOnly = false;
    bool (*m_wantsAttributes)(QStringView tagName) = nullptr;

    // An attribute of a tag read in tags-only mode, as it stands in the markup.
    struct WrittenAttribute
    {
        QStringView name;
        QStringView value; // null without "="
    };

    QString m_tagName;
    QList<Attribute> m_attributes;
    QList<WrittenAttribute> m_written;
    bool m_selfClosing = false;
    bool m_attributesCut = false;
    QString m_text;
    qsizetype m_position = 0;
};

} // namespace siteloom
