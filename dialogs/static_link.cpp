#include "static_link.h"

#include <iterator>

#include "app.h"

LinkSystemCalls g_linkSystemCalls = {::ShellExecuteA, ::MessageBeep, ::LoadCursorA, ::CreateFontIndirectA};

const CRuntimeClass CStaticLink::s_runtimeClass = {"CStaticLink", &CStatic::s_runtimeClass};
const COLORREF CStaticLink::s_crUnvisited = RGB(0, 0, 255);
const COLORREF CStaticLink::s_crVisited = RGB(128, 0, 128);
HCURSOR CStaticLink::s_hHandCursor = nullptr;

const MessageEntry CStaticLink::s_messageEntries[] = {
    msg::NcHitTest<&CStaticLink::OnNcHitTest>(),
    msg::ReflectedCtlColor<&CStaticLink::CtlColor>(),
    msg::LButtonUp<&CStaticLink::OnLButtonUp>(),
    msg::SetCursor<&CStaticLink::OnSetCursor>(),
    msg::GetDlgCode<&CStaticLink::OnGetDlgCode>(),
    msg::Char<&CStaticLink::OnChar>(),
    msg::SetFocus<&CStaticLink::OnSetFocus>(),
    msg::KillFocus<&CStaticLink::OnKillFocus>(),
};
const MessageMap CStaticLink::s_messageMap = {&CStatic::s_messageMap, s_messageEntries, std::size(s_messageEntries)};

namespace {
// The string resource nId of the program, or FALSE when it has none (or an empty one).
BOOL LoadProgramString(UINT nId, CString& rString) {
    for (int nSize = 256;; nSize *= 2) {
        CString strText;
        int nLength = ::LoadStringA(AfxGetInstanceHandle(), nId, strText.GetBuffer(nSize), nSize);
        strText.ReleaseBuffer(nLength);
        if (nLength == 0)
            return FALSE;
        // A full buffer may mean a longer string.
        if (nLength < nSize - 1) {
            rString = strText;
            return TRUE;
        }
    }
}

CString WindowText(HWND hWnd) {
    CString strText;
    int nLength = ::GetWindowTextLengthA(hWnd);
    nLength = ::GetWindowTextA(hWnd, strText.GetBuffer(nLength + 1), nLength + 1);
    strText.ReleaseBuffer(nLength);
    return strText;
}
}  // namespace

CStaticLink::CStaticLink(const char* pszTarget, BOOL bSelfDelete)
    : m_strTarget(pszTarget ? pszTarget : ""), m_crText(s_crUnvisited), m_bSelfDelete(bSelfDelete) {}

CStaticLink::~CStaticLink() {
    // A control that outlives this object must not be left with a deleted font.
    if (m_hFontPlain && ::IsWindow(m_hWnd) &&
        reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0)) == m_fontUnderline.GetSafeHandle())
        ::SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_hFontPlain), FALSE);
}

void CStaticLink::PostNcDestroy() {
    if (m_bSelfDelete)
        delete this;
}

BOOL CStaticLink::ShellOpen(const CString& strTarget) {
    HINSTANCE hResult = g_linkSystemCalls.pfnShellExecuteA(nullptr, "open", strTarget, nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(hResult) > 32;
}

BOOL CStaticLink::OpenTarget() {
    BOOL bOpened = !m_strTarget.IsEmpty() && ShellOpen(m_strTarget);
    if (!bOpened && LoadProgramString(::GetDlgCtrlID(m_hWnd), m_strTarget))
        bOpened = ShellOpen(m_strTarget);
    if (!bOpened) {
        m_strTarget = WindowText(m_hWnd);
        bOpened = !m_strTarget.IsEmpty() && ShellOpen(m_strTarget);
    }
    if (!bOpened) {
        g_linkSystemCalls.pfnMessageBeep(MB_OK);
        return FALSE;
    }
    m_crText = s_crVisited;
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    return TRUE;
}

// Every point is the control's own, so the mouse messages come here and not to the parent.
LRESULT CStaticLink::OnNcHitTest(POINT) { return HTCLIENT; }

// Only plain left, centred or right text is coloured; any other static, an
// SS_NOPREFIX text among them, is left to the parent's usual colouring.
HBRUSH CStaticLink::CtlColor(HDC hDC, UINT) {
    if ((::GetWindowLongA(m_hWnd, GWL_STYLE) & 0xFF) > SS_RIGHT)
        return nullptr;
    if (!m_fontUnderline.GetSafeHandle()) {
        HFONT hFont = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
        // A static that reports no font paints with the system font.
        if (!hFont)
            hFont = static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
        LOGFONTA logFont = {};
        ::GetObjectA(hFont, sizeof logFont, &logFont);
        logFont.lfUnderline = 1;
        if (m_fontUnderline.Attach(g_linkSystemCalls.pfnCreateFontIndirectA(&logFont))) {
            // Some statics (Wine's) select their own font after asking for colours;
            // as the control's font the copy is drawn there too.
            m_hFontPlain = hFont;
            SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_fontUnderline.GetSafeHandle()), FALSE);
        }
    }
    if (m_fontUnderline.GetSafeHandle())
        ::SelectObject(hDC, m_fontUnderline.GetSafeHandle());
    ::SetTextColor(hDC, m_crText);
    ::SetBkMode(hDC, TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

// Wherever the button went down: the control does not capture the mouse.
void CStaticLink::OnLButtonUp(UINT, POINT) { OpenTarget(); }

BOOL CStaticLink::OnSetCursor(HWND, UINT, UINT) {
    if (!s_hHandCursor)
        s_hHandCursor = g_linkSystemCalls.pfnLoadCursorA(nullptr, MAKEINTRESOURCEA(32649));  // IDC_HAND
    if (!s_hHandCursor)
        return FALSE;
    ::SetCursor(s_hHandCursor);
    return TRUE;
}

UINT CStaticLink::OnGetDlgCode() { return DLGC_WANTCHARS; }

void CStaticLink::OnChar(UINT nChar, UINT, UINT) {
    if (nChar == ' ')
        OpenTarget();
}

void CStaticLink::OnSetFocus(HWND) { DrawFocusFrame(); }

void CStaticLink::OnKillFocus(HWND) { DrawFocusFrame(); }

void CStaticLink::DrawFocusFrame() {
    HWND hParent = ::GetParent(m_hWnd);
    RECT rc;
    if ((::GetWindowLongA(m_hWnd, GWL_STYLE) & 0x0F) == SS_LEFT) {
        HDC hDC = ::GetDC(m_hWnd);
        CString strText = WindowText(m_hWnd);
        // Measured in the control's own font, as the static draws it (not the underlined copy).
        HFONT hFont = m_hFontPlain ? m_hFontPlain : reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
        HGDIOBJ hOldFont = hFont ? ::SelectObject(hDC, hFont) : nullptr;
        ::SetRectEmpty(&rc);
        ::DrawTextA(hDC, strText, strText.GetLength(), &rc, DT_CALCRECT);
        if (hOldFont)
            ::SelectObject(hDC, hOldFont);
        ::ReleaseDC(m_hWnd, hDC);
        ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    } else {
        GetWindowRect(&rc);
    }
    ::InflateRect(&rc, 1, 1);
    ::MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&rc), 2);
    HDC hParentDC = ::GetDC(hParent);
    ::DrawFocusRect(hParentDC, &rc);
    ::ReleaseDC(hParent, hParentDC);
}
