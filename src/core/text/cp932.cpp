#include "text/cp932.h"

#include "text/cp932tables.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace siteloom::cp932 {

namespace {

// Longest run of plainly convertible text handed to ICU in one call.
constexpr qsizetype kMaxRun = 16 * 1024;

// ASCII stretches at least this long are copied byte for byte rather than handed to ICU: the code
// page's bytes 0x00-0x7F are exactly U+0000-U+007F, and the copy costs a fraction of ICU's table
// lookup per character. Pages and list files are mostly ASCII markup and URLs around short
// Japanese names; shorter stretches stay with the Japanese text around them, saving ICU calls.
constexpr qsizetype kMinAsciiStretch = 8;

// Characters ICU refuses but Windows writes as the code page's look-alike character, and EM DASH.
struct LookAlike
{
    char16_t from;
    char lead;
    char trail;
};
constexpr std::array<LookAlike, 7> kLookAlikes{{
    {0x301C, '\x81', '\x60'}, // WAVE DASH -> FULLWIDTH TILDE
    {0x2016, '\x81', '\x61'}, // DOUBLE VERTICAL LINE -> PARALLEL TO
    {0x2212, '\x81', '\x7C'}, // MINUS SIGN -> FULLWIDTH HYPHEN-MINUS
    {0x00A2, '\x81', '\x91'}, // CENT SIGN -> FULLWIDTH CENT SIGN
    {0x00A3, '\x81', '\x92'}, // POUND SIGN -> FULLWIDTH POUND SIGN
    {0x00AC, '\x81', '\xCA'}, // NOT SIGN -> FULLWIDTH NOT SIGN
    // EM DASH: what JIS-minded decoders (and so text pasted from them) make of 0x815C, which this
    // table reads as HORIZONTAL BAR. Written as that code; read back as before, as U+2015.
    {0x2014, '\x81', '\x5C'}, // EM DASH -> HORIZONTAL BAR
}};

[[nodiscard]] const LookAlike* findLookAlike(char16_t c)
{
    for (const LookAlike& entry : kLookAlikes) {
        if (entry.from == c)
            return &entry;
    }
    return nullptr;
}

// The tables compiled in; they hold ICU's answers unless this was built without ICU.
[[nodiscard]] const Tables& plainTable()
{
    return builtInTables;
}

// Where the ASCII stretch that begins at `from` ends, looking at eight units at a time.
[[nodiscard]] inline qsizetype asciiEnd(const char16_t* units, qsizetype from, qsizetype size)
{
    constexpr quint64 nonAscii = 0xFF80FF80FF80FF80ULL;
    qsizetype i = from;
    for (; i + 8 <= size; i += 8) {
        quint64 four[2];
        std::memcpy(four, units + i, sizeof four);
        if ((four[0] | four[1]) & nonAscii)
            break;
    }
    while (i < size && units[i] < 0x80)
        ++i;
    return i;
}

void appendReference(QByteArray& out, char32_t codePoint)
{
    out += "&#";
    out += QByteArray::number(uint(codePoint));
    out += ';';
}

// Encodes by the table alone, in one pass: ASCII as it is (eight units at a time), a plain unit as
// the bytes ICU writes for it, anything else by the slow path's rules.
QByteArray encodeByTable(const Tables& table, QStringView text, bool* referenced)
{
    const char16_t* const data = text.utf16();
    const qsizetype size = text.size();
    // Plain units take at most two bytes each; a reference grows the buffer when it comes.
    QByteArray out(2 * size, Qt::Uninitialized);
    char* next = out.data();
    const auto room = [&](qsizetype bytes) {
        const qsizetype used = next - out.data();
        if (out.size() - used < bytes) {
            out.resize(std::max(2 * out.size(), used + bytes));
            next = out.data() + used;
        }
    };
    qsizetype i = 0;
    while (i < size) {
        while (size - i >= 8) {
            quint64 four[2];
            std::memcpy(four, data + i, sizeof four);
            if ((four[0] | four[1]) & 0xFF80FF80FF80FF80ULL)
                break;
            // A reference before takes more than the two bytes a unit was given.
            room(8);
            for (int k = 0; k < 8; ++k)
                next[k] = char(data[i + k]);
            next += 8;
            i += 8;
        }
        if (i == size)
            break;
        const char16_t c = data[i++];
        if (c < 0x80) {
            room(1);
            *next++ = char(c);
            continue;
        }
        if (table.test(c)) {
            room(2);
            const quint16 bytes = table.bytesOf(c);
            if (bytes > 0xFF)
                *next++ = char(bytes >> 8);
            *next++ = char(bytes & 0xFF);
            continue;
        }
        if (const LookAlike* lookAlike = findLookAlike(c)) {
            room(2);
            *next++ = lookAlike->lead;
            *next++ = lookAlike->trail;
            continue;
        }
        if (referenced)
            *referenced = true;
        const char32_t code = QChar::isHighSurrogate(c) && i < size && QChar::isLowSurrogate(data[i])
                                  ? QChar::surrogateToUcs4(c, data[i++])
                                  : char32_t(c);
        char reference[16];
        const int length = std::snprintf(reference, sizeof reference, "&#%u;", uint(code));
        room(length);
        next = std::copy(reference, reference + length, next);
    }
    out.truncate(next - out.data());
    return out;
}

} // namespace

bool isAvailable()
{
    return QStringEncoder(kCodecName).isValid() && QStringDecoder(kCodecName).isValid();
}

QByteArray encode(QStringView text, bool* referenced)
{
    if (referenced)
        *referenced = false;
    const Tables& plain = plainTable();
    if (plain.complete)
        return encodeByTable(plain, text, referenced);
    QStringEncoder encoder(kCodecName, QStringConverter::Flag::Stateless);

    // Plain units take at most two bytes each; only character references can outgrow this.
    QByteArray out;
    out.reserve(2 * text.size() + encoder.requiredSpace(kMaxRun));
    qsizetype used = 0;
    // Plain runs hold no surrogates, so the stateless encoder never carries anything between runs.
    const auto appendConverted = [&](QStringView run) {
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
    const auto appendAscii = [&](QStringView run) {
        out.resize(used + run.size());
        char* next = out.data() + used;
        for (const QChar c : run)
            *next++ = char(c.unicode());
        used += run.size();
    };

    const char16_t* const data = text.utf16();
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size) {
        const qsizetype asciiStop = asciiEnd(data, i, size);
        if (asciiStop - i >= kMinAsciiStretch || asciiStop == size) {
            appendAscii(text.sliced(i, asciiStop - i));
            i = asciiStop;
            continue;
        }

        // A run for ICU: plain characters with short ASCII stretches among them, up to a long ASCII
        // stretch or a character that needs the slow path. Runs are capped so that ICU converts
        // text the scan has just brought into the cache.
        const qsizetype runEnd = std::min(size, i + kMaxRun);
        qsizetype j = i;
        while (j < runEnd) {
            while (j < runEnd && data[j] >= 0x80 && plain.test(data[j]))
                ++j;
            if (j == runEnd || data[j] >= 0x80)
                break;
            const qsizetype stop = asciiEnd(data, j, runEnd);
            if (stop - j >= kMinAsciiStretch)
                break;
            while (j < stop && !isSwappedControl(data[j]))
                ++j;
            if (j < stop)
                break;
        }
        appendConverted(text.sliced(i, j - i));
        i = j;
        if (i == size || (data[i] < 0x80 && !isSwappedControl(data[i])) ||
            (data[i] >= 0x80 && plain.test(data[i])))
            continue; // a long ASCII stretch or the end of a capped run: no slow path
        const char16_t c = data[i++];
        out.resize(used);
        if (isSwappedControl(c)) {
            out += char(c);
        } else if (const LookAlike* lookAlike = findLookAlike(c)) {
            out += lookAlike->lead;
            out += lookAlike->trail;
        } else {
            if (referenced)
                *referenced = true;
            if (QChar::isHighSurrogate(c) && i < size && QChar::isLowSurrogate(data[i]))
                appendReference(out, QChar::surrogateToUcs4(c, data[i++]));
            else
                appendReference(out, c);
        }
        used = out.size();
    }
    out.resize(used);
    return out;
}

qsizetype firstUnencodable(QStringView text)
{
    const Tables& plain = plainTable();
    const char16_t* const data = text.utf16();
    const qsizetype size = text.size();
    // Every ASCII character can be written, so ASCII stretches are passed over eight units at a time.
    qsizetype i = 0;
    while ((i = asciiEnd(data, i, size)) < size) {
        for (; i < size && data[i] >= 0x80; ++i) {
            if (!plain.test(data[i]) && !findLookAlike(data[i]))
                return i;
        }
    }
    return -1;
}

qsizetype comesBackEnd(QByteArrayView bytes, qsizetype from, quint16 stopPair)
{
    const Tables& table = plainTable();
    if (!table.complete)
        return from;
    const auto* const data = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype i = from;
    while (i < size) {
        // Printable ASCII (no byte below 0x20 or above 0x7E), sixteen or eight bytes at a time.
#ifdef __SSE2__
        while (size - i >= 16) {
            const __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
            // Signed, the bytes from 0x80 on are below 0x20 too.
            const __m128i outside = _mm_or_si128(_mm_cmplt_epi8(sixteen, _mm_set1_epi8(0x20)),
                                                 _mm_cmpeq_epi8(sixteen, _mm_set1_epi8(0x7F)));
            if (_mm_movemask_epi8(outside) != 0)
                break;
            i += 16;
        }
#endif
        constexpr quint64 ones = 0x0101010101010101ULL;
        constexpr quint64 highs = 0x8080808080808080ULL;
        while (size - i >= 8) {
            quint64 eight;
            std::memcpy(&eight, data + i, sizeof eight);
            const quint64 belowSpace = (eight - 0x20 * ones) & ~eight;
            const quint64 aboveTilde = eight + 0x01 * ones; // 0x7F becomes 0x80, 0x80 and up stay high
            if ((belowSpace | aboveTilde | eight) & highs)
                break;
            i += 8;
        }
        // Then a character at a time, up to the printable ASCII after the next other character:
        // Japanese text comes in runs.
        for (bool other = false; i < size;) {
            const uchar byte = data[i];
            if (byte >= 0x20 && byte < 0x7F) {
                if (other)
                    break;
                ++i;
                continue;
            }
            other = true;
            if (!Tables::isLeadByte(byte)) {
                if (!table.singleComesBack(byte))
                    return i;
                ++i;
            } else {
                if (i + 1 == size || !table.pairComesBack(byte, data[i + 1]) ||
                    ((byte << 8) | data[i + 1]) == stopPair)
                    return i;
                i += 2;
            }
        }
    }
    return size;
}

std::optional<QString> decode(QByteArrayView bytes)
{
    if (const Tables& table = plainTable(); table.complete) {
        // ICU's answers looked up byte by byte; ASCII, most of any list file, eight bytes at a time.
        QString text(bytes.size(), Qt::Uninitialized);
        char16_t* out = reinterpret_cast<char16_t*>(text.data());
        const auto* data = reinterpret_cast<const uchar*>(bytes.data());
        const qsizetype size = bytes.size();
        qsizetype i = 0;
        while (i < size) {
            while (size - i >= 8) {
                quint64 eight;
                std::memcpy(&eight, data + i, sizeof eight);
                if (eight & 0x8080808080808080u)
                    break;
                for (int k = 0; k < 8; ++k)
                    *out++ = data[i + k];
                i += 8;
            }
            if (i == size)
                break;
            const uchar byte = data[i++];
            if (byte < 0x80) {
                *out++ = byte;
                continue;
            }
            const char16_t unit = !Tables::isLeadByte(byte) ? table.singleUnit(byte)
                                  : i < size                ? table.pairUnit(byte, data[i++])
                                                            : 0;
            if (unit == 0)
                return std::nullopt;
            *out++ = unit;
        }
        text.truncate(out - reinterpret_cast<char16_t*>(text.data()));
        return text;
    }

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
