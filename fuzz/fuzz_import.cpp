// libFuzzer target: any file to import from is refused or read into what writes the same page, or
// into entries that the list can hold.
#include "properties.h"
#include "workdirectory.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString problem =
        siteloom::fuzz::checkImport(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)),
                                    siteloom::fuzz::workDirectory());
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "import: %s\n", qPrintable(problem));
        std::abort();
    }
    return 0;
}
