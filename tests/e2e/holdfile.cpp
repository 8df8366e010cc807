// Holds a file open with no sharing, as another program may, until it is ended:
// holdfile PATH. Prints "held" once the file is held.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    HANDLE hFile = ::CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "holdfile: cannot open %s (error %lu)\n", argv[1], ::GetLastError());
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    ::Sleep(INFINITE);
    return 0;
}
