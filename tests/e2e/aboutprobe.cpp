// Prints where the running About box's link is and what it says: the screen
// coordinates of its centre, then its text, separated by spaces.
#include <windows.h>

#include <cstdio>

int main() {
    HWND hDlg = ::FindWindowA("#32770", "About Pakrill");
    HWND hLink = hDlg ? ::GetDlgItem(hDlg, 1012) : nullptr;
    if (!hLink) {
        std::fprintf(stderr, "aboutprobe: no About box with a link\n");
        return 2;
    }
    RECT rc;
    ::GetWindowRect(hLink, &rc);
    char szText[512] = {};
    ::GetWindowTextA(hLink, szText, sizeof szText);
    std::printf("%ld %ld %s\n", (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2, szText);
    return 0;
}
