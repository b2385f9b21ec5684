// Writes the Windows-31J tables as this machine's ICU answers them, as C++ source defining
// builtInTables: run when the program is built, so that the program looks them up instead of
// asking ICU at every start.

#include "text/cp932tables.h"

#include <cstdio>
#include <string>

namespace {

template <typename Array> void writeArray(std::string& out, const Array& values)
{
    out += "    {{";
    int onLine = 0;
    for (const auto value : values) {
        out += std::to_string(unsigned(value));
        out += ',';
        if (++onLine == 32) {
            out += '\n';
            onLine = 0;
        }
    }
    out += "}},\n";
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.cpp\n", argv[0]);
        return 2;
    }
    using siteloom::cp932::Tables;
    const std::unique_ptr<Tables> tables = siteloom::cp932::tablesFromIcu();
    std::string out = "// Written by cp932tablegen from this machine's ICU; not to be edited.\n"
                      "#include \"text/cp932tables.h\"\n\n"
                      "namespace siteloom::cp932 {\n\n";
    // Without ICU here the tables are incomplete, and the program converts as it does without one.
    if (!tables->complete)
        std::fputs("cp932tablegen: this Qt gives no complete Windows-31J conversion\n", stderr);
    out += "constinit const Tables builtInTables{\n";
    writeArray(out, tables->plain);
    writeArray(out, tables->bytes);
    writeArray(out, tables->single);
    writeArray(out, tables->pair);
    writeArray(out, tables->singleBack);
    writeArray(out, tables->pairBack);
    out += tables->complete ? "    true,\n};\n" : "    false,\n};\n";
    out += "\n} // namespace siteloom::cp932\n";

    const std::string temporary = std::string(argv[1]) + ".new";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file || std::fwrite(out.data(), 1, out.size(), file) != out.size() || std::fclose(file) != 0 ||
        std::rename(temporary.c_str(), argv[1]) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
