// libFuzzer target: any bytes as a list file, loaded onto the start values, saved and loaded again.
#include "properties.h"
#include "workdirectory.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString problem = siteloom::fuzz::checkListFileRoundTrip(
        QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)),
        siteloom::fuzz::workDirectory());
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "list file round trip: %s\n", qPrintable(problem));
        std::abort();
    }
    return 0;
}
