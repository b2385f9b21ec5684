#include "commandline.h"

int main(int argc, char* argv[])
{
    return siteloom::runDesktopProgram(argc, argv);
}
