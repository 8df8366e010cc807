#include "shell_input.h"

#include <cstring>

#include <commctrl.h>
#include <shlobj.h>

void PumpMessages() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

HDROP MakeDrop(const std::vector<std::string>& paths) {
    size_t nBytes = sizeof(DROPFILES) + 1;
    for (const std::string& path : paths)
        nBytes += path.size() + 1;
    HGLOBAL hGlobal = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, nBytes);
    auto* pDrop = static_cast<DROPFILES*>(::GlobalLock(hGlobal));
    pDrop->pFiles = sizeof(DROPFILES);
    pDrop->fWide = FALSE;
    char* p = reinterpret_cast<char*>(pDrop + 1);
    for (const std::string& path : paths) {
        std::memcpy(p, path.c_str(), path.size() + 1);
        p += path.size() + 1;
    }
    ::GlobalUnlock(hGlobal);
    return static_cast<HDROP>(hGlobal);
}

bool SelectInFolderBrowser(HWND hBrowser, BOOL bPath, LPARAM lItem, const std::string& name) {
    // The browser fills its tree after it shows; the selection holds once the
    // tree's selected item is the folder.
    HWND hTree = ::FindWindowExA(hBrowser, nullptr, "SysTreeView32", nullptr);
    for (const DWORD dwStart = ::GetTickCount(); ::GetTickCount() - dwStart < 10000;) {
        ::SendMessageA(hBrowser, BFFM_SETSELECTIONA, bPath, lItem);
        char szText[MAX_PATH] = {};
        TVITEMA item = {};
        item.mask = TVIF_TEXT;
        item.hItem = reinterpret_cast<HTREEITEM>(::SendMessageA(hTree, TVM_GETNEXTITEM, TVGN_CARET, 0));
        item.pszText = szText;
        item.cchTextMax = MAX_PATH;
        if (item.hItem && ::SendMessageA(hTree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) &&
            ::lstrcmpiA(szText, name.c_str()) == 0)
            return true;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        PumpMessages();
    }
    return false;
}
