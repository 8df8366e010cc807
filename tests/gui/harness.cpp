#include "harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

#include <commctrl.h>
#include <shlobj.h>

#include "main_dialog.h"
#include "resource.h"

#include <commctrl.h>

namespace {
CTestApp s_app;

struct Timer {
    // Returns true when the timer has done its work.
    std::function<bool()> tick;
    bool bRunning = false;
};
std::map<UINT_PTR, Timer> s_timers;

void CALLBACK OnTimer(HWND, UINT, UINT_PTR nId, DWORD) {
    auto it = s_timers.find(nId);
    // A tick can run nested message loops, in which this timer fires again.
    if (it == s_timers.end() || it->second.bRunning)
        return;
    it->second.bRunning = true;
    bool bDone = it->second.tick();
    it = s_timers.find(nId);
    if (it == s_timers.end())
        return;
    it->second.bRunning = false;
    if (bDone) {
        ::KillTimer(nullptr, nId);
        s_timers.erase(it);
    }
}

}  // namespace

UINT_PTR StartTimer(UINT nMilliseconds, std::function<bool()> tick) {
    UINT_PTR nId = ::SetTimer(nullptr, 0, nMilliseconds, OnTimer);
    s_timers[nId].tick = std::move(tick);
    return nId;
}

void StopTimer(UINT_PTR nId) {
    ::KillTimer(nullptr, nId);
    s_timers.erase(nId);
}

namespace {

BOOL CALLBACK CloseIfMessageBox(HWND hWnd, LPARAM lParam) {
    char szClass[16] = {};
    ::GetClassNameA(hWnd, szClass, sizeof szClass);
    HWND hText = ::GetDlgItem(hWnd, 0xFFFF);
    if (std::strcmp(szClass, "#32770") != 0 || !hText || !::IsWindowVisible(hWnd))
        return TRUE;
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    reinterpret_cast<std::vector<ShownBox>*>(lParam)->push_back({WindowText(hWnd), WindowText(hText), rc});
    ::SendMessageA(hWnd, WM_COMMAND, IDOK, 0);
    return TRUE;
}
}  // namespace

CTestApp& TestApp() { return s_app; }

int CTestApp::ShowMessageBox(HWND hWndOwner, const char* pszText, UINT nType) {
    m_boxes.push_back({pszText, nType});
    return m_bShowBoxes ? CWinApp::ShowMessageBox(hWndOwner, pszText, nType) : IDOK;
}

INT_PTR RunModal(CDialog& dlg, std::function<void(HWND)> script) {
    UINT_PTR nScript = StartTimer(10, [&dlg, script] {
        if (!dlg.m_hWnd || !::IsWindowVisible(dlg.m_hWnd))
            return false;
        script(dlg.m_hWnd);
        return true;
    });
    UINT_PTR nWatchdog = StartTimer(10000, [&dlg] {
        if (dlg.m_hWnd)
            ::EndDialog(dlg.m_hWnd, kTimedOut);
        return true;
    });
    INT_PTR nResult = dlg.DoModal();
    StopTimer(nScript);
    StopTimer(nWatchdog);
    return nResult;
}

std::vector<ShownBox> CloseBoxesDuring(const std::function<void()>& step) {
    std::vector<ShownBox> boxes;
    UINT_PTR nWatcher = StartTimer(20, [&boxes] {
        ::EnumThreadWindows(::GetCurrentThreadId(), CloseIfMessageBox, reinterpret_cast<LPARAM>(&boxes));
        return false;
    });
    step();
    StopTimer(nWatcher);
    return boxes;
}

RECT ChildRect(HWND hDlg, int nId) {
    RECT rc = {};
    ::GetWindowRect(::GetDlgItem(hDlg, nId), &rc);
    ::MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

std::string WindowText(HWND hWnd) {
    char szText[2048] = {};
    ::GetWindowTextA(hWnd, szText, sizeof szText);
    return szText;
}

INT_PTR RunMainDialog(std::function<void(HWND)> script) {
    CMainDialog dlg;
    TestApp().m_pMainWnd = &dlg;
    TestApp().m_boxes.clear();
    INT_PTR nResult = RunModal(dlg, std::move(script));
    EXPECT_EQ(TestApp().m_pMainWnd, nullptr) << "the main window pointer outlived the window";
    TestApp().m_pMainWnd = nullptr;
    return nResult;
}

std::vector<std::vector<std::string>> ListCells(HWND hList, int nColumns) {
    std::vector<std::vector<std::string>> rows;
    const int nCount = static_cast<int>(::SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < nCount; ++i) {
        std::vector<std::string> row;
        for (int nColumn = 0; nColumn < nColumns; ++nColumn) {
            char szText[300] = {};
            LVITEMA item = {};
            item.iSubItem = nColumn;
            item.pszText = szText;
            item.cchTextMax = sizeof szText;
            ::SendMessageA(hList, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
            row.push_back(szText);
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> ListNames(HWND hList) {
    std::vector<std::string> names;
    for (const auto& row : ListCells(hList, 1))
        names.push_back(row[0]);
    return names;
}

std::vector<DWORD> ScreenPixels(const RECT& rc) {
    const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    HDC hScreen = ::GetDC(nullptr);
    HDC hMem = ::CreateCompatibleDC(hScreen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = cx;
    info.bmiHeader.biHeight = -cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* pBits = nullptr;
    HBITMAP hBitmap = ::CreateDIBSection(hMem, &info, DIB_RGB_COLORS, &pBits, nullptr, 0);
    HGDIOBJ hOld = ::SelectObject(hMem, hBitmap);
    ::BitBlt(hMem, 0, 0, cx, cy, hScreen, rc.left, rc.top, SRCCOPY);
    ::GdiFlush();
    std::vector<DWORD> pixels(static_cast<const DWORD*>(pBits), static_cast<const DWORD*>(pBits) + cx * cy);
    ::SelectObject(hMem, hOld);
    ::DeleteObject(hBitmap);
    ::DeleteDC(hMem);
    ::ReleaseDC(nullptr, hScreen);
    return pixels;
}

void PressKey(HWND hWnd, WPARAM nKey, BYTE nModifier) {
    BYTE keys[256], held[256];
    ::GetKeyboardState(keys);
    std::copy(keys, keys + 256, held);
    if (nModifier)
        held[nModifier] = 0x80;
    ::SetKeyboardState(held);
    ::SendMessageA(hWnd, WM_KEYDOWN, nKey, 0);
    ::SetKeyboardState(keys);
}

CMainDialog& MainDialog() { return *static_cast<CMainDialog*>(TestApp().m_pMainWnd); }

bool WaitForIntake() {
    const DWORD dwStart = ::GetTickCount();
    while (!MainDialog().IsIntakeIdle()) {
        if (::GetTickCount() - dwStart > 20000)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        PumpMessages();
    }
    PumpMessages();
    return true;
}

HWND FindFolderBrowser() {
    HWND hBrowser = ::FindWindowA("#32770", "Browse for Folder");
    return hBrowser && ::IsWindowVisible(hBrowser) ? hBrowser : nullptr;
}

HWND OpenFolderBrowser(HWND hDlg) {
    ::SendMessageA(hDlg, WM_COMMAND, ID_OPEN_DIRECTORY, 0);
    HWND hBrowser = nullptr;
    for (const DWORD dwStart = ::GetTickCount(); !(hBrowser = FindFolderBrowser()) && ::GetTickCount() - dwStart < 10000;) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        PumpMessages();
    }
    return hBrowser;
}

bool CloseFolderBrowser(HWND hBrowser, int nButton) {
    ::PostMessageA(hBrowser, WM_COMMAND, nButton, 0);
    for (const DWORD dwStart = ::GetTickCount(); ::IsWindow(hBrowser) && ::GetTickCount() - dwStart < 10000;) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        PumpMessages();
    }
    return !::IsWindow(hBrowser);
}

void ChooseFolder(HWND hDlg, const std::string& folder) {
    HWND hBrowser = OpenFolderBrowser(hDlg);
    ASSERT_NE(hBrowser, nullptr) << "no folder browser";
    if (!folder.empty()) {
        const std::string name = folder.substr(folder.find_last_of('\\') + 1);
        ASSERT_TRUE(SelectInFolderBrowser(hBrowser, TRUE, reinterpret_cast<LPARAM>(folder.c_str()), name))
            << "the browser did not select " << folder;
    }
    EXPECT_TRUE(CloseFolderBrowser(hBrowser, folder.empty() ? IDCANCEL : IDOK)) << "the folder browser stayed open";
}

std::string CurrentDirectory() {
    char sz[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, sz);
    return sz;
}
