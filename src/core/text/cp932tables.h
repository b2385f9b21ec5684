#pragma once

#include <QtGlobal>

#include <array>
#include <memory>

// The lookup tables behind the Windows-31J conversion: what ICU answers for every byte, byte pair
// and UTF-16 code unit, asked once when the program is built (by cp932tablegen, which writes them
// out as source) and compiled in, so that no run of the program spends its start asking again.
namespace siteloom::cp932 {

// Every name Qt accepts for this code page ("Windows-31J", "CP932", "windows-932") opens ICU's
// ibm-943_P15A-2003 table, which is Microsoft's table apart from the corrections in cp932.cpp. The
// name "ibm-943" must not be used: it opens a JIS-flavoured table in which 0x5C is the yen sign.
inline constexpr const char* kCodecName = "Windows-31J";

// ICU swaps three control characters relative to Windows (byte 0x1A decodes to U+001C, 0x1C to
// U+007F and 0x7F to U+001A, and the reverse when encoding). In Windows-31J the bytes 0x00-0x7F
// are exactly U+0000-U+007F, so these three are written and read one to one by hand.
[[nodiscard]] constexpr bool isSwappedControl(char16_t c)
{
    return c == 0x1A || c == 0x1C || c == 0x7F;
}

// One flag per UTF-16 code unit: set when ICU converts the unit to Windows-31J exactly as Windows
// does. Runs of such units are converted by these tables; everything else takes the slow path.
// The set is what ICU's decoder yields for valid bytes: it excludes the characters the code page
// cannot hold, surrogates, and characters ICU would encode one way only (U+F86F becomes 0x8782
// "No."). Building it from the table, rather than asking the encoder, matters because ICU's
// substitution drops default-ignorable characters (soft hyphen, ZWJ, variation selectors, U+FEFF)
// silently instead of reporting where they were.
//
// Beside the set, ICU's answers both ways, so that text is converted by looking up each unit or
// byte pair instead of calling ICU: the bytes ICU's encoder writes for each plain unit (asked for
// all of them in one call, as it chooses one form of the characters the code page holds twice), and
// the unit ICU's decoder reads from each valid byte or byte pair.
struct Tables
{
    [[nodiscard]] bool test(char16_t c) const { return plain[c] != 0; }

    // The bytes of a plain unit above ASCII: a lead byte and a trail byte, or one byte.
    [[nodiscard]] quint16 bytesOf(char16_t c) const { return bytes[c]; }

    // The unit a byte that is not a lead byte stands for, or 0 when it is not valid alone.
    [[nodiscard]] char16_t singleUnit(uchar byte) const { return single[byte]; }
    // The unit a lead byte and a trail byte stand for, or 0 when they are not valid together.
    [[nodiscard]] char16_t pairUnit(uchar lead, uchar trail) const { return pair[(lead << 8) | trail]; }

    [[nodiscard]] static constexpr bool isLeadByte(uchar byte)
    {
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    }

    // Whether a byte that is not a lead byte, or a lead and a trail byte, decode to a plain unit that
    // encodes to the same bytes again (NUL, CR and LF aside); never without complete tables.
    [[nodiscard]] bool singleComesBack(uchar byte) const { return singleBack[byte] != 0; }
    [[nodiscard]] bool pairComesBack(uchar lead, uchar trail) const
    {
        return pairBack[(lead << 8) | trail] != 0;
    }

    // A byte per unit rather than a bit: the scan looks up every non-ASCII character written, and
    // one load and test per unit keeps it well below the cost of the conversion.
    std::array<quint8, 0x10000> plain{};
    std::array<quint16, 0x10000> bytes{};
    std::array<char16_t, 0x100> single{};
    std::array<char16_t, 0x10000> pair{};
    std::array<quint8, 0x100> singleBack{};
    std::array<quint8, 0x10000> pairBack{};
    // Whether the tables hold ICU's answers (else ICU converts, as without them, and only ASCII
    // is in the set).
    bool complete = false;
};

// The tables as the ICU of this machine answers now; incomplete when Qt has no ICU or its answers
// do not line up.
[[nodiscard]] std::unique_ptr<Tables> tablesFromIcu();

// The tables compiled in: tablesFromIcu() as the build machine answered it.
extern const Tables builtInTables;

} // namespace siteloom::cp932
