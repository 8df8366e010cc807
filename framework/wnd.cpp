#include "wnd.h"

#include <cassert>

#include <commctrl.h>

#include "app.h"

const CRuntimeClass CWnd::s_runtimeClass = {"CWnd", nullptr};
const MessageMap CWnd::s_messageMap = {nullptr, nullptr, 0};
const CWnd CWnd::wndTopMost(HWND_TOPMOST);
const CWnd CWnd::wndNoTopMost(HWND_NOTOPMOST);

bool MessageEntryMatches(const MessageEntry& entry, UINT nMessage, WPARAM wParam, LPARAM lParam) noexcept {
    if (entry.nMessage != nMessage)
        return false;
    switch (entry.match) {
    case MessageMatch::message:
        return true;
    case MessageMatch::command:
        // Code 0 is a menu item or a button click, 1 an accelerator.
        return LOWORD(wParam) == entry.nId && HIWORD(wParam) <= 1;
    case MessageMatch::control:
        return LOWORD(wParam) == entry.nId && HIWORD(wParam) == entry.nCode;
    case MessageMatch::notify: {
        const NMHDR* pHeader = reinterpret_cast<const NMHDR*>(lParam);
        return pHeader->idFrom == entry.nId && pHeader->code == entry.nCode;
    }
    case MessageMatch::reflected:
        // Only a parent's hand-back reaches these (CWnd::WindowProc).
        return false;
    }
    return false;
}

DWORD CMenu::CheckMenuItem(UINT nIDCheckItem, UINT nCheck) { return ::CheckMenuItem(m_hMenu, nIDCheckItem, nCheck); }

UINT CMenu::EnableMenuItem(UINT nIDEnableItem, UINT nEnable) {
    return static_cast<UINT>(::EnableMenuItem(m_hMenu, nIDEnableItem, nEnable));
}

BOOL CMenu::GetMenuItemInfo(UINT uItem, MENUITEMINFOA* pInfo, BOOL fByPos) const {
    return ::GetMenuItemInfoA(m_hMenu, uItem, fByPos, pInfo);
}

UINT CMenu::GetMenuState(UINT nId, UINT nFlags) const { return ::GetMenuState(m_hMenu, nId, nFlags); }

CWnd::~CWnd() { UnsubclassWindow(); }

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (m_hWnd || !hWnd)
        return FALSE;
    if (!::SetWindowSubclass(hWnd, SubclassProc, reinterpret_cast<UINT_PTR>(this), reinterpret_cast<DWORD_PTR>(this)))
        return FALSE;
    m_hWnd = hWnd;
    m_bSubclassed = true;
    return TRUE;
}

HWND CWnd::UnsubclassWindow() {
    HWND hWnd = m_hWnd;
    if (m_bSubclassed)
        ::RemoveWindowSubclass(hWnd, SubclassProc, reinterpret_cast<UINT_PTR>(this));
    m_bSubclassed = false;
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return !dx.m_bFailed;
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.m_hWnd)
        return;
    if (!rControl.SubclassWindow(pDX->m_pDlgWnd->GetDlgItem(nIDC)))
        pDX->m_bFailed = TRUE;
}

LRESULT CWnd::SendMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) const {
    assert(::IsWindow(m_hWnd));
    return ::SendMessageA(m_hWnd, nMsg, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) const {
    assert(::IsWindow(m_hWnd));
    return ::PostMessageA(m_hWnd, nMsg, wParam, lParam);
}

void CWnd::GetClientRect(RECT* pRect) const {
    assert(::IsWindow(m_hWnd));
    ::GetClientRect(m_hWnd, pRect);
}

void CWnd::GetWindowRect(RECT* pRect) const {
    assert(::IsWindow(m_hWnd));
    ::GetWindowRect(m_hWnd, pRect);
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
    assert(::IsWindow(m_hWnd));
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
    assert(::IsWindow(m_hWnd));
    return ::SetWindowPos(m_hWnd, pWndInsertAfter ? pWndInsertAfter->m_hWnd : nullptr, x, y, cx, cy, nFlags);
}

BOOL CWnd::IsIconic() const {
    assert(::IsWindow(m_hWnd));
    return ::IsIconic(m_hWnd);
}

CMenu CWnd::GetMenu() const {
    assert(::IsWindow(m_hWnd));
    return CMenu(::GetMenu(m_hWnd));
}

void CWnd::SetRedraw(BOOL bRedraw) { SendMessage(WM_SETREDRAW, bRedraw); }

void CWnd::Invalidate(BOOL bErase) {
    assert(::IsWindow(m_hWnd));
    ::InvalidateRect(m_hWnd, nullptr, bErase);
}

HWND CWnd::GetDlgItem(int nId) const {
    assert(::IsWindow(m_hWnd));
    return ::GetDlgItem(m_hWnd, nId);
}

// Over the owner when it is shown, otherwise in the work area of the screen.
void CWnd::CenterWindow() {
    HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoA(::MonitorFromWindow(hOwner ? hOwner : m_hWnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT rcArea = monitor.rcWork;
    if (hOwner && ::IsWindowVisible(hOwner) && !::IsIconic(hOwner))
        ::GetWindowRect(hOwner, &rcArea);
    RECT rc;
    GetWindowRect(&rc);
    int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    int x = (rcArea.left + rcArea.right - cx) / 2, y = (rcArea.top + rcArea.bottom - cy) / 2;
    // Keep the caption on the screen.
    if (x + cx > monitor.rcWork.right)
        x = monitor.rcWork.right - cx;
    if (y + cy > monitor.rcWork.bottom)
        y = monitor.rcWork.bottom - cy;
    if (x < monitor.rcWork.left)
        x = monitor.rcWork.left;
    if (y < monitor.rcWork.top)
        y = monitor.rcWork.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CWnd::Default() {
    return ::DefSubclassProc(m_hWnd, m_current.nMsg, m_current.wParam, m_current.lParam);
}

namespace {
// A parent's message about one of its controls, handed back to that control.
// The message is registered, so no control class gives it a meaning of its own
// and a window that is not bound answers 0.
struct Reflection {
    UINT nMsg;
    WPARAM wParam;
    LPARAM lParam;
};

UINT ReflectionMessage() {
    static const UINT nMessage = ::RegisterWindowMessageA("Pakrill.Reflection");
    return nMessage;
}

bool IsReflectedToControl(UINT nMsg) noexcept { return nMsg >= WM_CTLCOLORMSGBOX && nMsg <= WM_CTLCOLORSTATIC; }
}  // namespace

LRESULT CWnd::WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) {
    // Handlers can be re-entered by nested messages; Default() must see its own.
    struct Restore {
        CurrentMessage& current;
        CurrentMessage saved;
        ~Restore() { current = saved; }
    } restore{m_current, m_current};
    m_current = {nMsg, wParam, lParam};
    if (nMsg == ReflectionMessage()) {
        const Reflection& reflection = *reinterpret_cast<const Reflection*>(lParam);
        for (const MessageMap* pMap = GetMessageMap(); pMap; pMap = pMap->pBaseMap)
            for (size_t i = 0; i < pMap->nEntries; ++i)
                if (pMap->pEntries[i].match == MessageMatch::reflected && pMap->pEntries[i].nMessage == reflection.nMsg)
                    return pMap->pEntries[i].pfnCall(this, reflection.wParam, reflection.lParam);
        return 0;
    }
    for (const MessageMap* pMap = GetMessageMap(); pMap; pMap = pMap->pBaseMap)
        for (size_t i = 0; i < pMap->nEntries; ++i)
            if (MessageEntryMatches(pMap->pEntries[i], nMsg, wParam, lParam))
                return pMap->pEntries[i].pfnCall(this, wParam, lParam);
    // A colouring message the parent does not answer itself goes first to the
    // control it is about; when that gives no brush the parent colours as usual.
    if (IsReflectedToControl(nMsg) && lParam) {
        Reflection reflection = {nMsg, wParam, lParam};
        if (LRESULT lResult =
                ::SendMessageA(reinterpret_cast<HWND>(lParam), ReflectionMessage(), 0, reinterpret_cast<LPARAM>(&reflection)))
            return lResult;
    }
    return Default();
}

// Every message of every bound window comes through here. An exception must not
// go back through user32 (on i686 that ends the process), so this is the one
// place that catches it: it shows the text and counts the message as handled.
LRESULT CALLBACK CWnd::SubclassProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR dwRefData) {
    CWnd* pWnd = reinterpret_cast<CWnd*>(dwRefData);
    if (nMsg == WM_NCDESTROY) {
        pWnd->UnsubclassWindow();
        LRESULT lResult = ::DefSubclassProc(hWnd, nMsg, wParam, lParam);
        CWinApp* pApp = AfxGetApp();
        if (pApp && pApp->m_pMainWnd == pWnd)
            pApp->m_pMainWnd = nullptr;
        pWnd->PostNcDestroy();
        return lResult;
    }
    try {
        return pWnd->WindowProc(nMsg, wParam, lParam);
    } catch (...) {
        ReportCaughtException(::IsWindow(hWnd) ? ::GetAncestor(hWnd, GA_ROOT) : nullptr);
    }
    if (nMsg == WM_CREATE)
        return -1;
    if (nMsg == WM_PAINT)
        ::ValidateRect(hWnd, nullptr);
    return 0;
}
