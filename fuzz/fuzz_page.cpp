// libFuzzer target: any page inputs give a page of valid Windows-31J lines in the expected number.
#include "properties.h"
#include "workdirectory.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString problem =
        siteloom::fuzz::checkPage(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)),
                                  siteloom::fuzz::workDirectory());
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "page: %s\n", qPrintable(problem));
        std::abort();
    }
    return 0;
}
