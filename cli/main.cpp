#include <iostream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#endif

#include "cli.h"

int main(int argc, char** argv) {
#ifdef _WIN32
    // The formats choose their own line ends; the console must not add carriage returns.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::ios::sync_with_stdio(false);
    return RunCli(argc, argv, std::cout, std::cerr);
}
