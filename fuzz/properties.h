#pragma once

#include "page/pageinputs.h"

#include <QByteArrayView>
#include <QString>

// The properties the fuzz targets check, one function per target. Each returns an empty string when
// the property holds for the input, else what went wrong. The tests run them over the corpus too.
namespace siteloom::fuzz {

// Any bytes, loaded as a list file onto the start values, either are refused or give inputs that,
// when they can be saved at all, save to a file that loads back as the same inputs and saves again
// to the same bytes; and when --build reads them as a list's bytes, the full reading takes them
// whole, to the same inputs and the same page. The files are written into the given directory.
[[nodiscard]] QString checkListFileRoundTrip(QByteArrayView bytes, const QString& directory);

// Page inputs from any bytes: the first byte picks the background (0 to 9, 0 for none), the bits
// of the second which of the six text fields (file name, background image, title, own banner, own
// name, own URL, in that order) are taken from the input rather than left at the start values. The
// rest is UTF-16 (little-endian), cut at each U+FFFF into those fields and then one link entry per
// piece. Line breaks are left out: the window's text boxes drop them, so no input holds one.
[[nodiscard]] PageInputs pageInputsFromBytes(QByteArrayView bytes);

// The page written for the inputs these bytes give decodes as Windows-31J without error, ends in
// CR LF, holds no other line end, and has 28 lines plus 6 per entry, 3 more with an own site URL
// and 18 more with the link-back section. The page is written into the given directory.
[[nodiscard]] QString checkPage(QByteArrayView bytes, const QString& directory);

// Any bytes, as a file to import from, are refused or read: a page of this tool reads as inputs that
// write the same page again (byte for byte when the file is spelt as the tool spells pages: CR LF
// ends, the code page's own bytes for each character); a bookmarks file, and the same bytes pasted
// as markup, give entries with web site URLs and no line break or other control character in any
// field. The files are written
// into the given directory.
[[nodiscard]] QString checkImport(QByteArrayView bytes, const QString& directory);

} // namespace siteloom::fuzz
