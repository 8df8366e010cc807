#pragma once
#include "controls.h"
#include "cstring.h"
#include "gdi.h"

#include <shellapi.h>

// The system calls a link makes, gathered so that a test can stand in for them
// (the shell and the speaker above all) and count them.
struct LinkSystemCalls {
    HINSTANCE(WINAPI* pfnShellExecuteA)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    BOOL(WINAPI* pfnMessageBeep)(UINT);
    HCURSOR(WINAPI* pfnLoadCursorA)(HINSTANCE, LPCSTR);
    HFONT(WINAPI* pfnCreateFontIndirectA)(const LOGFONTA*);
};
// The system's own functions, unless a test has put others in.
extern LinkSystemCalls g_linkSystemCalls;

// A static text control that behaves as a web link: underlined in the link
// colour, a hand over it, and a click or the space bar hands its target to the
// shell. It paints nothing itself; it prepares the static's own painting.
class CStaticLink : public CStatic {
public:
    static const CRuntimeClass s_runtimeClass;
    static const COLORREF s_crUnvisited;
    static const COLORREF s_crVisited;
    // The system's hand, loaded once for the whole process and never released.
    static HCURSOR s_hHandCursor;

    // pszTarget may be null; with bSelfDelete the object deletes itself once
    // its window is gone, so it must then have been made with new.
    explicit CStaticLink(const char* pszTarget = nullptr, BOOL bSelfDelete = FALSE);
    ~CStaticLink() override;

    const CRuntimeClass* GetRuntimeClass() const override { return &s_runtimeClass; }

    // Hands the stored target, then the string resource with the control's id,
    // then the window text to the shell until one opens; beeps when none does.
    BOOL OpenTarget();
    // Inverts a frame one pixel outside the text (or the window), so that a
    // second call takes it away.
    void DrawFocusFrame();

    CString m_strTarget;
    COLORREF m_crText;
    CFont m_fontUnderline;
    BOOL m_bSelfDelete;

protected:
    const MessageMap* GetMessageMap() const override { return &s_messageMap; }
    void PostNcDestroy() override;

    LRESULT OnNcHitTest(POINT point);
    HBRUSH CtlColor(HDC hDC, UINT nCtlColor);
    void OnLButtonUp(UINT nFlags, POINT point);
    BOOL OnSetCursor(HWND hWnd, UINT nHitTest, UINT nMessage);
    UINT OnGetDlgCode();
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnSetFocus(HWND hOldWnd);
    void OnKillFocus(HWND hNewWnd);

    static const MessageMap s_messageMap;

private:
    // The control's font before the underlined copy was made its font as well.
    HFONT m_hFontPlain = nullptr;

    // One attempt: TRUE when the shell took pszTarget.
    static BOOL ShellOpen(const CString& strTarget);

    static const MessageEntry s_messageEntries[];
};
