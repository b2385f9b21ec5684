// libFuzzer target: any bytes as a list file, loaded onto the start values, saved and loaded again.
#include "properties.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

// The files of one run go into memory-backed storage where there is one.
QString workDirectory()
{
    static QTemporaryDir dir(QDir("/dev/shm").exists()
                                 ? QStringLiteral("/dev/shm/siteloom-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/siteloom-fuzz-XXXXXX"));
    return dir.path();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString problem = siteloom::fuzz::checkListFileRoundTrip(
        QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)), workDirectory());
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "list file round trip: %s\n", qPrintable(problem));
        std::abort();
    }
    return 0;
}
