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

namespace {

// Where bytes stop coming back, looking a character at a time from `i`; see comesBackEnd.
qsizetype comesBackEndByCharacters(const Tables& table, const uchar* data, qsizetype size, qsizetype i,
                                   quint16 stopPair)
{
    while (i < size) {
        const uchar byte = data[i];
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
    return size;
}

#ifdef __SSE2__
// Sixteen bytes at a time, a bit for each: the printable ASCII ones (0x20-0x7E), which come back
// alone, and those in the lead byte ranges (0x81-0x9F, 0xE0-0xFC).
struct SixteenBytes
{
    unsigned printable;
    unsigned leadRange;

    explicit SixteenBytes(const uchar* at)
    {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        // Signed, the bytes from 0x80 on are below 0x20 too.
        printable = unsigned(_mm_movemask_epi8(_mm_andnot_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(0x7F)),
                                                                _mm_cmpgt_epi8(bytes, _mm_set1_epi8(0x1F)))));
        // Less 0x80, the lead ranges are 0x01-0x1F and 0x60-0x7C, and everything else is outside.
        const __m128i less = _mm_xor_si128(bytes, _mm_set1_epi8(char(0x80)));
        const __m128i low = _mm_and_si128(_mm_cmpgt_epi8(less, _mm_setzero_si128()),
                                          _mm_cmplt_epi8(less, _mm_set1_epi8(0x20)));
        const __m128i high = _mm_and_si128(_mm_cmpgt_epi8(less, _mm_set1_epi8(0x5F)),
                                           _mm_cmplt_epi8(less, _mm_set1_epi8(0x7D)));
        leadRange = unsigned(_mm_movemask_epi8(_mm_or_si128(low, high)));
    }
};

// Which bytes of the lead ranges are lead bytes, given that bit 0 starts a character: in a run of
// such bytes the first is a lead byte, the second its trail byte, and so on. The runs that start
// at an even bit are found by adding their first bits, which carries through each run.
constexpr unsigned leadBytes(unsigned leadRange)
{
    constexpr unsigned even = 0x5555;
    const unsigned starts = leadRange & ~(leadRange << 1);
    const unsigned evenRuns = leadRange & ~(leadRange + (starts & even));
    return (evenRuns & even) | (leadRange & ~evenRuns & ~even & 0xFFFF);
}
static_assert(leadBytes(0b0111) == 0b0101 && leadBytes(0b1110) == 0b1010 &&
              leadBytes(0b0110'1011) == 0b0010'1001);

// The characters among `width` bytes (bit 0 starting one) that are looked up: the lead bytes, and
// the bytes that are neither printable ASCII nor trail bytes.
struct Characters
{
    unsigned starts;
    unsigned leads;
};
Characters charactersToLookUp(unsigned printable, unsigned leadRange, unsigned width)
{
    const unsigned leads = leadBytes(leadRange & width) & width;
    return {leads | (~leadRange & ~(leads << 1) & ~printable & width), leads};
}

// Checks the characters that start at the bits of `starts` (bit 0 at data), the lead bytes among
// them marked in `leads`: the index of the first that does not come back, or -1.
qsizetype firstNotComingBack(const Tables& table, const uchar* data, unsigned starts, unsigned leads,
                             qsizetype size, quint16 stopPair)
{
    for (; starts != 0; starts &= starts - 1) {
        const int at = __builtin_ctz(starts);
        const uchar byte = data[at];
        if (!(leads >> at & 1)) {
            if (!table.singleComesBack(byte))
                return at;
        } else if (at + 1 == size || !table.pairComesBack(byte, data[at + 1]) ||
                   ((byte << 8) | data[at + 1]) == stopPair) {
            return at;
        }
    }
    return -1;
}
#endif

} // namespace

qsizetype comesBackEnd(QByteArrayView bytes, qsizetype from, quint16 stopPair)
{
    const Tables& table = plainTable();
    if (!table.complete)
        return from;
    const auto* const data = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype i = from;
#ifdef __SSE2__
    // Sixteen bytes at a time: only their lead bytes and the bytes that are neither printable ASCII
    // nor trail bytes are looked up. A lead byte in the last place is left to the next sixteen.
    for (; size - i >= 16;) {
        const SixteenBytes sixteen(data + i);
        if (sixteen.printable == 0xFFFF) {
            i += 16;
            continue;
        }
        const Characters characters = charactersToLookUp(sixteen.printable, sixteen.leadRange, 0xFFFF);
        const unsigned lastLead = characters.leads & 0x8000;
        if (const qsizetype at = firstNotComingBack(table, data + i, characters.starts & ~lastLead,
                                                    characters.leads, size - i, stopPair);
            at >= 0)
            return i + at;
        i += lastLead ? 15 : 16;
    }
    // The last bytes: the sixteen that end the view, looked at from bit 0 on, i.
    if (i < size && size >= 16) {
        const int before = int(i - (size - 16));
        const unsigned width = (1u << (16 - before)) - 1;
        const SixteenBytes sixteen(data + size - 16);
        const unsigned printable = (sixteen.printable >> before) & width;
        if (printable == width)
            return size;
        const Characters characters = charactersToLookUp(printable, sixteen.leadRange >> before, width);
        const qsizetype at =
            firstNotComingBack(table, data + i, characters.starts, characters.leads, size - i, stopPair);
        return at >= 0 ? i + at : size;
    }
#endif
    return comesBackEndByCharacters(table, data, size, i, stopPair);
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
