#include <iostream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#endif

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "cli.h"

int main(int argc, char** argv) {
#ifdef _WIN32
    // The formats choose their own line ends; the console must not add carriage returns.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
#ifdef __GLIBC__
    // Whole-file buffers go straight back to the system when freed, instead of
    // staying in the heap of whichever thread used them last.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
    std::ios::sync_with_stdio(false);
    return RunCli(argc, argv, std::cout, std::cerr);
}
