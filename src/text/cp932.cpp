#include "text/cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <array>

namespace siteloom::cp932 {

namespace {

// Every name Qt accepts for this code page ("Windows-31J", "CP932", "windows-932") opens ICU's
// ibm-943_P15A-2003 table, which is Microsoft's table apart from the corrections below. The name
// "ibm-943" must not be used: it opens a JIS-flavoured table in which 0x5C is the yen sign.
constexpr const char* kCodecName = "Windows-31J";

// ICU swaps three control characters relative to Windows (byte 0x1A decodes to U+001C, 0x1C to
// U+007F and 0x7F to U+001A, and the reverse when encoding). In Windows-31J the bytes 0x00-0x7F
// are exactly U+0000-U+007F, so these three are written and read one to one by hand.
[[nodiscard]] constexpr bool isSwappedControl(char16_t c)
{
    return c == 0x1A || c == 0x1C || c == 0x7F;
}

// Characters ICU refuses but Windows writes as the code page's look-alike character.
struct LookAlike
{
    char16_t from;
    char lead;
    char trail;
};
constexpr std::array<LookAlike, 6> kLookAlikes{{
    {0x301C, '\x81', '\x60'}, // WAVE DASH -> FULLWIDTH TILDE
    {0x2016, '\x81', '\x61'}, // DOUBLE VERTICAL LINE -> PARALLEL TO
    {0x2212, '\x81', '\x7C'}, // MINUS SIGN -> FULLWIDTH HYPHEN-MINUS
    {0x00A2, '\x81', '\x91'}, // CENT SIGN -> FULLWIDTH CENT SIGN
    {0x00A3, '\x81', '\x92'}, // POUND SIGN -> FULLWIDTH POUND SIGN
    {0x00AC, '\x81', '\xCA'}, // NOT SIGN -> FULLWIDTH NOT SIGN
}};

[[nodiscard]] const LookAlike* findLookAlike(char16_t c)
{
    for (const LookAlike& entry : kLookAlikes) {
        if (entry.from == c)
            return &entry;
    }
    return nullptr;
}

// One bit per UTF-16 code unit: set when ICU converts the unit to Windows-31J exactly as Windows
// does. Runs of such units go to ICU in one call; everything else takes the slow path. The set
// is what ICU's decoder yields for valid bytes: it excludes the characters the code page cannot
// hold, surrogates, and characters ICU would encode one way only (U+F86F becomes 0x8782 "No.").
// Building it from the table, rather than asking the encoder, matters because ICU's substitution
// drops default-ignorable characters (soft hyphen, ZWJ, variation selectors, U+FEFF) silently
// instead of reporting where they were.
class PlainTable
{
public:
    PlainTable()
    {
        for (char16_t c = 0; c < 0x80; ++c) {
            if (!isSwappedControl(c))
                set(c);
        }
        QStringDecoder decoder(kCodecName, QStringConverter::Flag::Stateless);
        if (!decoder.isValid())
            return;
        // The decoder's error flag never resets, so each result is judged by itself: a valid
        // sequence gives one character, an unassigned one gives U+FFFD, which the code page
        // cannot hold either.
        const auto add = [&](QByteArrayView bytes) {
            const QString decoded = decoder.decode(bytes);
            if (decoded.size() == 1 && decoded.front() != QChar::ReplacementCharacter)
                set(decoded.front().unicode());
        };
        for (int byte = 0xA1; byte <= 0xDF; ++byte) {
            const char single = char(byte);
            add(QByteArrayView(&single, 1));
        }
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (lead >= 0xA0 && lead < 0xE0)
                continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                if (trail == 0x7F)
                    continue;
                const char pair[2] = {char(lead), char(trail)};
                add(QByteArrayView(pair, 2));
            }
        }
    }

    [[nodiscard]] bool test(char16_t c) const { return (m_bits[c >> 6] >> (c & 63)) & 1; }

private:
    void set(char16_t c) { m_bits[c >> 6] |= quint64(1) << (c & 63); }

    std::array<quint64, 0x10000 / 64> m_bits{};
};

[[nodiscard]] const PlainTable& plainTable()
{
    static const PlainTable table;
    return table;
}

void appendReference(QByteArray& out, char32_t codePoint)
{
    out += "&#";
    out += QByteArray::number(uint(codePoint));
    out += ';';
}

} // namespace

bool isAvailable()
{
    return QStringEncoder(kCodecName).isValid() && QStringDecoder(kCodecName).isValid();
}

QByteArray encode(QStringView text)
{
    const PlainTable& plain = plainTable();
    QStringEncoder encoder(kCodecName, QStringConverter::Flag::Stateless);

    QByteArray out;
    qsizetype used = 0;
    // Plain runs hold no surrogates, so the stateless encoder never carries anything between runs.
    const auto appendRun = [&](QStringView run) {
        if (run.isEmpty())
            return;
        if (!encoder.isValid()) {
            // Without ICU the table holds ASCII only.
            out.resize(used);
            out += run.toLatin1();
            used = out.size();
            return;
        }
        out.resize(used + encoder.requiredSpace(run.size()));
        used = encoder.appendToBuffer(out.data() + used, run) - out.data();
    };

    const qsizetype size = text.size();
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (plain.test(c))
            continue;
        appendRun(text.sliced(runStart, i - runStart));
        out.resize(used);
        if (isSwappedControl(c)) {
            out += char(c);
        } else if (const LookAlike* lookAlike = findLookAlike(c)) {
            out += lookAlike->lead;
            out += lookAlike->trail;
        } else if (QChar::isHighSurrogate(c) && i + 1 < size && text[i + 1].isLowSurrogate()) {
            appendReference(out, QChar::surrogateToUcs4(c, text[i + 1].unicode()));
            ++i;
        } else {
            appendReference(out, c);
        }
        used = out.size();
        runStart = i + 1;
    }
    appendRun(text.sliced(runStart));
    out.resize(used);
    return out;
}

qsizetype firstUnencodable(QStringView text)
{
    const PlainTable& plain = plainTable();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (!plain.test(c) && !isSwappedControl(c) && !findLookAlike(c))
            return i;
    }
    return -1;
}

std::optional<QString> decode(QByteArrayView bytes)
{
    // Stateless: a lead byte whose trail byte is missing at the end is an error, not something
    // kept for a later call.
    QStringDecoder decoder(kCodecName, QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;

    // Undo ICU's control swap. Trail bytes are 0x40-0x7E and 0x80-0xFC, so these three code
    // points can only have come from the single bytes 0x1A, 0x1C and 0x7F.
    if (bytes.contains('\x1A') || bytes.contains('\x1C') || bytes.contains('\x7F')) {
        for (QChar& c : text) {
            switch (c.unicode()) {
            case 0x1C:
                c = QChar(0x1A);
                break;
            case 0x7F:
                c = QChar(0x1C);
                break;
            case 0x1A:
                c = QChar(0x7F);
                break;
            default:
                break;
            }
        }
    }
    return text;
}

} // namespace siteloom::cp932
