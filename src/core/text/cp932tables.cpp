#include "text/cp932tables.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <utility>

namespace siteloom::cp932 {

namespace {

void markBytesThatComeBack(Tables& t)
{
    // ASCII is itself both ways (the swapped controls by the corrections), NUL, CR and LF aside.
    for (int byte = 1; byte < 0x80; ++byte)
        t.singleBack[byte] = byte != '\r' && byte != '\n';
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        const char16_t c = t.single[byte];
        t.singleBack[byte] = !Tables::isLeadByte(uchar(byte)) && c >= 0x80 && t.test(c) && t.bytes[c] == byte;
    }
    for (int pair = 0x8100; pair <= 0xFCFF; ++pair) {
        const char16_t c = t.pair[pair];
        t.pairBack[pair] = c != 0 && t.test(c) && t.bytes[c] == pair;
    }
}

} // namespace

std::unique_ptr<Tables> tablesFromIcu()
{
    // ICU is asked twice in all, each time for the whole table.
    auto tables = std::make_unique<Tables>();
    Tables& t = *tables;
    for (char16_t c = 0; c < 0x80; ++c) {
        t.single[c] = c; // 0x00-0x7F are U+0000-U+007F, ICU's swapped controls included
        if (!isSwappedControl(c))
            t.plain[c] = 1;
    }
    QStringDecoder decoder(kCodecName, QStringConverter::Flag::Stateless);
    QStringEncoder encoder(kCodecName, QStringConverter::Flag::Stateless);
    if (!decoder.isValid() || !encoder.isValid())
        return tables;

    // Every single byte above ASCII and every pair of a lead and a trail byte, each followed by
    // a line feed (which is never a trail byte), decoded at once. A valid sequence gives one
    // character before its line feed; an unassigned one gives U+FFFD or the bytes one by one.
    QByteArray sequences;
    sequences.reserve(3 * 188 * 60 + 2 * 128);
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        if (!Tables::isLeadByte(uchar(byte))) {
            sequences += char(byte);
            sequences += '\n';
        }
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!Tables::isLeadByte(uchar(lead)))
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F)
                continue;
            sequences += char(lead);
            sequences += char(trail);
            sequences += '\n';
        }
    }
    const QString decoded = decoder.decode(sequences);
    qsizetype at = 0;
    QString plainUnits;
    bool aligned = true;
    for (qsizetype i = 0; i < sequences.size() && aligned; ++i) {
        const qsizetype start = i;
        while (sequences[i] != '\n')
            ++i;
        const qsizetype end = decoded.indexOf(u'\n', at);
        aligned = end >= 0;
        if (!aligned)
            break;
        if (end == at + 1 && decoded[at].unicode() >= 0x80 && decoded[at] != QChar::ReplacementCharacter) {
            const char16_t c = decoded[at].unicode();
            const auto lead = uchar(sequences[start]);
            if (i - start == 1)
                t.single[lead] = c;
            else
                t.pair[(lead << 8) | uchar(sequences[start + 1])] = c;
            if (!t.test(c)) {
                t.plain[c] = 1;
                plainUnits += QChar(c);
            }
        }
        at = end + 1;
    }

    // The bytes ICU writes for each plain unit above ASCII, in one call: a lead byte says
    // where each unit's bytes end.
    const QByteArray encoded = encoder.encode(plainUnits);
    qsizetype next = 0;
    for (const QChar c : std::as_const(plainUnits)) {
        if (next >= encoded.size()) {
            aligned = false;
            break;
        }
        const auto first = uchar(encoded[next++]);
        if (Tables::isLeadByte(first) && next < encoded.size())
            t.bytes[c.unicode()] = quint16((first << 8) | uchar(encoded[next++]));
        else
            t.bytes[c.unicode()] = first;
    }
    t.complete = aligned && next == encoded.size() && !encoder.hasError();
    if (t.complete)
        markBytesThatComeBack(t);
    return tables;
}

} // namespace siteloom::cp932
