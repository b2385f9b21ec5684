#pragma once

#include <QByteArrayView>
#include <QString>

// The properties the fuzz targets check, one function per target. Each returns an empty string when
// the property holds for the input, else what went wrong. The tests run them over the corpus too.
namespace siteloom::fuzz {

// Any bytes, loaded as a list file onto the start values, either are refused or give inputs that,
// when they can be saved at all, save to a file that loads back as the same inputs and saves again
// to the same bytes. The files are written into the given directory.
[[nodiscard]] QString checkListFileRoundTrip(QByteArrayView bytes, const QString& directory);

} // namespace siteloom::fuzz
