#include <iostream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>
#endif

#include "cli.h"

int main(int argc, char** argv) {
#ifdef _WIN32
    // The formats choose their own line ends; the console must not add carriage returns.
    _setmode(_fileno(stdout), _O_BINARY);
    // Names are UTF-8 where the manifest's code page is in force; a console window
    // would otherwise show them in its OEM code page. Pipes and files get the bytes
    // as they are. The console is shared with the shell, so its code page goes back.
    const UINT nOldOutputCP = ::GetConsoleOutputCP();
    if (::GetACP() == CP_UTF8 && nOldOutputCP)
        ::SetConsoleOutputCP(CP_UTF8);
#endif
    std::ios::sync_with_stdio(false);
    const int nStatus = RunCli(argc, argv, std::cout, std::cerr);
#ifdef _WIN32
    std::cout.flush();
    std::cerr.flush();
    if (nOldOutputCP)
        ::SetConsoleOutputCP(nOldOutputCP);
#endif
    return nStatus;
}
