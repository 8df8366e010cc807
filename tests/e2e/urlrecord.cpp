// Stands in for the web browser in the test prefix: registered as the handler
// of https addresses, it appends the address it was given to a file instead of
// opening it: urlrecord FILE ADDRESS
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc != 3)
        return 2;
    std::FILE* pFile = std::fopen(__argv[1], "a");
    if (!pFile)
        return 1;
    std::fprintf(pFile, "%s\n", __argv[2]);
    return std::fclose(pFile) == 0 ? 0 : 1;
}
