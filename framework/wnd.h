#pragma once
#include "types.h"
#include "msgmap.h"
#include "runtime_class.h"

class CDataExchange;

// A menu handle; the wrapper owns nothing.
class CMenu {
public:
    explicit CMenu(HMENU hMenu = nullptr) noexcept : m_hMenu(hMenu) {}
    DWORD CheckMenuItem(UINT nIDCheckItem, UINT nCheck);
    UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable);
    BOOL GetMenuItemInfo(UINT uItem, MENUITEMINFOA* pInfo, BOOL fByPos = FALSE) const;
    UINT GetMenuState(UINT nId, UINT nFlags) const;

    HMENU m_hMenu;
};

// A window bound to a C++ object. The object learns its window by subclassing
// (SetWindowSubclass, keyed by the object) and lets go of it when the window
// is destroyed or when the object is, whichever comes first.
class CWnd {
public:
    static const CRuntimeClass s_runtimeClass;
    // Insert-after values for SetWindowPos.
    static const CWnd wndTopMost;
    static const CWnd wndNoTopMost;

    CWnd() noexcept = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    virtual const CRuntimeClass* GetRuntimeClass() const { return &s_runtimeClass; }
    bool IsKindOf(const CRuntimeClass* pClass) const noexcept { return GetRuntimeClass()->IsDerivedFrom(pClass); }

    // Binds this object to an existing window; FALSE when it is already bound.
    BOOL SubclassWindow(HWND hWnd);
    // Lets go of the window, which keeps living.
    HWND UnsubclassWindow();

    // Runs the data exchange; FALSE when a control could not be bound.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    LRESULT SendMessage(UINT nMsg, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT nMsg, WPARAM wParam = 0, LPARAM lParam = 0) const;
    void GetClientRect(RECT* pRect) const;
    void GetWindowRect(RECT* pRect) const;
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    BOOL IsIconic() const;
    CMenu GetMenu() const;
    // Off, the window keeps its picture while many changes are made; on again, it is redrawn once.
    void SetRedraw(BOOL bRedraw = TRUE);
    void Invalidate(BOOL bErase = TRUE);
    HWND GetDlgItem(int nId) const;
    void CenterWindow();

    HWND m_hWnd = nullptr;

protected:
    explicit constexpr CWnd(HWND hWnd) noexcept : m_hWnd(hWnd) {}

    virtual const MessageMap* GetMessageMap() const { return &s_messageMap; }
    virtual void DoDataExchange(CDataExchange*) {}
    // Called once the window has had its last message and this object has let go of it.
    virtual void PostNcDestroy() {}

    // The default processing of the message being handled.
    LRESULT Default();

    static const MessageMap s_messageMap;

private:
    struct CurrentMessage {
        UINT nMsg;
        WPARAM wParam;
        LPARAM lParam;
    };

    LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam, UINT_PTR uIdSubclass,
                                         DWORD_PTR dwRefData);

    bool m_bSubclassed = false;
    CurrentMessage m_current = {};
};

// The direction of one data exchange and the dialog it works on.
class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) noexcept
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
    BOOL m_bFailed = FALSE;
};

// Binds rControl to the dialog's control nIDC, the first time only.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
