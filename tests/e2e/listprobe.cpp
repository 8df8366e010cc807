// Prints the rows of a running Pakrill window's list, one line a row, texts
// separated by tabs. The texts are fetched through memory in the other process,
// as the list answers into the caller's own address space.
// "listprobe box" prints instead each message box on the screen: its caption, a tab,
// its text, a tab, and its left and right edges.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstring>

namespace {

BOOL CALLBACK PrintIfMessageBox(HWND hWnd, LPARAM) {
    char szClass[16] = {};
    ::GetClassNameA(hWnd, szClass, sizeof szClass);
    HWND hText = ::GetDlgItem(hWnd, 0xFFFF);
    if (std::strcmp(szClass, "#32770") != 0 || !hText || !::IsWindowVisible(hWnd))
        return TRUE;
    char szCaption[256] = {}, szText[2048] = {};
    ::GetWindowTextA(hWnd, szCaption, sizeof szCaption);
    ::GetWindowTextA(hText, szText, sizeof szText);
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    std::printf("%s\t%s\t%ld %ld\n", szCaption, szText, static_cast<long>(rc.left), static_cast<long>(rc.right));
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "box") == 0) {
        ::EnumWindows(PrintIfMessageBox, 0);
        return 0;
    }
    HWND hDlg = ::FindWindowA("#32770", "Pakrill");
    HWND hList = hDlg ? ::GetDlgItem(hDlg, 1006) : nullptr;
    if (!hList) {
        std::fprintf(stderr, "listprobe: no Pakrill window\n");
        return 2;
    }
    DWORD dwProcessId = 0;
    ::GetWindowThreadProcessId(hList, &dwProcessId);
    HANDLE hProcess =
        ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, dwProcessId);
    const SIZE_T nTextChars = 1024;
    auto* pRemote = static_cast<char*>(
        hProcess ? ::VirtualAllocEx(hProcess, nullptr, sizeof(LVITEMA) + nTextChars, MEM_COMMIT, PAGE_READWRITE)
                 : nullptr);
    if (!pRemote) {
        std::fprintf(stderr, "listprobe: cannot reach the list's process\n");
        return 2;
    }
    const int nRows = static_cast<int>(::SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
    for (int nRow = 0; nRow < nRows; ++nRow) {
        for (int nColumn = 0; nColumn < 6; ++nColumn) {
            LVITEMA item = {};
            item.iSubItem = nColumn;
            item.pszText = pRemote + sizeof(LVITEMA);
            item.cchTextMax = static_cast<int>(nTextChars);
            char szText[nTextChars] = {};
            ::WriteProcessMemory(hProcess, pRemote, &item, sizeof item, nullptr);
            ::SendMessageA(hList, LVM_GETITEMTEXTA, nRow, reinterpret_cast<LPARAM>(pRemote));
            ::ReadProcessMemory(hProcess, pRemote + sizeof(LVITEMA), szText, nTextChars - 1, nullptr);
            std::printf("%s%s", nColumn ? "\t" : "", szText);
        }
        std::printf("\n");
    }
    ::VirtualFreeEx(hProcess, pRemote, 0, MEM_RELEASE);
    ::CloseHandle(hProcess);
    return 0;
}
