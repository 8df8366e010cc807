#pragma once
#include <cstddef>

#include "types.h"
#include <shellapi.h>

class CWnd;

// How an entry recognises its message.
enum class MessageMatch : unsigned char {
    message,  // the message alone
    command,  // WM_COMMAND from a menu, an accelerator or a button click, by id
    control,  // WM_COMMAND from a control, by id and notification code
    notify,   // WM_NOTIFY, by control id and notification code
    reflected,  // a message the parent handed back to the control it came from
};

// One row of a message map: what it answers and a function that unpacks the
// message's parameters and calls the member handler.
struct MessageEntry {
    UINT nMessage;
    MessageMatch match;
    UINT nId;
    UINT nCode;
    LRESULT (*pfnCall)(CWnd* pWnd, WPARAM wParam, LPARAM lParam);
};

// A class's own entries, searched in order, then its base class's map.
struct MessageMap {
    const MessageMap* pBaseMap;
    const MessageEntry* pEntries;
    size_t nEntries;
};

bool MessageEntryMatches(const MessageEntry& entry, UINT nMessage, WPARAM wParam, LPARAM lParam) noexcept;

// The kinds of entry. Each is called with the handler as its template argument,
// e.g. msg::Size<&CMainDialog::OnSize>(); the comment gives the handler's signature.
namespace msg {
namespace detail {
template <class F> struct ClassOf;
template <class C, class R, class... A> struct ClassOf<R (C::*)(A...)> { using type = C; };
template <auto F> auto* Self(CWnd* pWnd) { return static_cast<typename ClassOf<decltype(F)>::type*>(pWnd); }
}  // namespace detail

// LRESULT OnMessage(WPARAM wParam, LPARAM lParam)
template <auto F> constexpr MessageEntry Message(UINT nMessage) {
    return {nMessage, MessageMatch::message, 0, 0,
            [](CWnd* p, WPARAM w, LPARAM l) -> LRESULT { return (detail::Self<F>(p)->*F)(w, l); }};
}

// BOOL OnInitDialog()
template <auto F> constexpr MessageEntry InitDialog() {
    return {WM_INITDIALOG, MessageMatch::message, 0, 0,
            [](CWnd* p, WPARAM, LPARAM) -> LRESULT { return (detail::Self<F>(p)->*F)(); }};
}

// void OnPaint()
template <auto F> constexpr MessageEntry Paint() {
    return {WM_PAINT, MessageMatch::message, 0, 0, [](CWnd* p, WPARAM, LPARAM) -> LRESULT {
                (detail::Self<F>(p)->*F)();
                return 0;
            }};
}

// void OnSize(UINT nType, int cx, int cy)
template <auto F> constexpr MessageEntry Size() {
    return {WM_SIZE, MessageMatch::message, 0, 0, [](CWnd* p, WPARAM w, LPARAM l) -> LRESULT {
                (detail::Self<F>(p)->*F)(static_cast<UINT>(w), LOWORD(l), HIWORD(l));
                return 0;
            }};
}

// HCURSOR OnQueryDragIcon()
template <auto F> constexpr MessageEntry QueryDragIcon() {
    return {WM_QUERYDRAGICON, MessageMatch::message, 0, 0, [](CWnd* p, WPARAM, LPARAM) -> LRESULT {
                return reinterpret_cast<LRESULT>((detail::Self<F>(p)->*F)());
            }};
}

// void OnDropFiles(HDROP hDropInfo)
template <auto F> constexpr MessageEntry DropFiles() {
    return {WM_DROPFILES, MessageMatch::message, 0, 0, [](CWnd* p, WPARAM w, LPARAM) -> LRESULT {
                (detail::Self<F>(p)->*F)(reinterpret_cast<HDROP>(w));
                return 0;
            }};
}

// LRESULT OnNcHitTest(POINT point), point in screen coordinates
template <auto F> constexpr MessageEntry NcHitTest() {
    return {WM_NCHITTEST, MessageMatch::message, 0, 0, [](CWnd* p, WPARAM, LPARAM l) -> LRESULT {
                return (detail::Self<F>(p)->*F)(POINT{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))});
            }};
}

// void OnLButtonUp(UINT nFlags, POINT point), point in client coordinates
template <auto F> constexpr MessageEntry LButtonUp() {
    return {WM_LBUTTONUP, MessageMatch::message, 0, 0, [](CWnd* p, WPARAM w, LPARAM l) -> LRESULT {
                (detail::Self<F>(p)->*F)(static_cast<UINT>(w),
                                         POINT{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))});
                return 0;
            }};
}

// void OnGetMinMaxInfo(MINMAXINFO* pInfo)
template <auto F> constexpr MessageEntry GetMinMaxInfo() {
    return {WM_GETMINMAXINFO, MessageMatch::message, 0, 0, [](CWnd* p, WPARAM, LPARAM l) -> LRESULT {
                (detail::Self<F>(p)->*F)(reinterpret_cast<MINMAXINFO*>(l));
                return 0;
            }};
}

// BOOL OnSetCursor(HWND hWnd, UINT nHitTest, UINT nMessage)
template <auto F> constexpr MessageEntry SetCursor() {
    return {WM_SETCURSOR, MessageMatch::message, 0, 0, [](CWnd* p, WPARAM w, LPARAM l) -> LRESULT {
                return (detail::Self<F>(p)->*F)(reinterpret_cast<HWND>(w), LOWORD(l), HIWORD(l));
            }};
}

// UINT OnGetDlgCode()
template <auto F> constexpr MessageEntry GetDlgCode() {
    return {WM_GETDLGCODE, MessageMatch::message, 0, 0,
            [](CWnd* p, WPARAM, LPARAM) -> LRESULT { return (detail::Self<F>(p)->*F)(); }};
}

// void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags)
template <auto F> constexpr MessageEntry Char() {
    return {WM_CHAR, MessageMatch::message, 0, 0, [](CWnd* p, WPARAM w, LPARAM l) -> LRESULT {
                (detail::Self<F>(p)->*F)(static_cast<UINT>(w), LOWORD(l), HIWORD(l));
                return 0;
            }};
}

// void OnSetFocus(HWND hOldWnd)
template <auto F> constexpr MessageEntry SetFocus() {
    return {WM_SETFOCUS, MessageMatch::message, 0, 0, [](CWnd* p, WPARAM w, LPARAM) -> LRESULT {
                (detail::Self<F>(p)->*F)(reinterpret_cast<HWND>(w));
                return 0;
            }};
}

// void OnKillFocus(HWND hNewWnd)
template <auto F> constexpr MessageEntry KillFocus() {
    return {WM_KILLFOCUS, MessageMatch::message, 0, 0, [](CWnd* p, WPARAM w, LPARAM) -> LRESULT {
                (detail::Self<F>(p)->*F)(reinterpret_cast<HWND>(w));
                return 0;
            }};
}

// void OnContextMenu(HWND hWnd, POINT point); point is (-1, -1) from the keyboard
template <auto F> constexpr MessageEntry ContextMenu() {
    return {WM_CONTEXTMENU, MessageMatch::message, 0, 0, [](CWnd* p, WPARAM w, LPARAM l) -> LRESULT {
                const POINT point = {static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
                (detail::Self<F>(p)->*F)(reinterpret_cast<HWND>(w), point);
                return 0;
            }};
}

// void OnCommand()
template <auto F> constexpr MessageEntry Command(UINT nId) {
    return {WM_COMMAND, MessageMatch::command, nId, 0, [](CWnd* p, WPARAM, LPARAM) -> LRESULT {
                (detail::Self<F>(p)->*F)();
                return 0;
            }};
}

// void OnControl()
template <auto F> constexpr MessageEntry Control(UINT nId, UINT nCode) {
    return {WM_COMMAND, MessageMatch::control, nId, nCode, [](CWnd* p, WPARAM, LPARAM) -> LRESULT {
                (detail::Self<F>(p)->*F)();
                return 0;
            }};
}

// HBRUSH CtlColor(HDC hDC, UINT nCtlColor), in a control: the parent's WM_CTLCOLOR*
// message about this control, handed back to it (nCtlColor is CTLCOLOR_STATIC for
// WM_CTLCOLORSTATIC). A null brush leaves the colouring to the parent.
template <auto F, UINT nMessage = WM_CTLCOLORSTATIC> constexpr MessageEntry ReflectedCtlColor() {
    static_assert(nMessage >= WM_CTLCOLORMSGBOX && nMessage <= WM_CTLCOLORSTATIC);
    return {nMessage, MessageMatch::reflected, 0, 0, [](CWnd* p, WPARAM w, LPARAM) -> LRESULT {
                return reinterpret_cast<LRESULT>(
                    (detail::Self<F>(p)->*F)(reinterpret_cast<HDC>(w), nMessage - WM_CTLCOLORMSGBOX));
            }};
}

// void OnNotify(NMHDR* pNMHDR, LRESULT* pResult); *pResult starts at 0
template <auto F> constexpr MessageEntry Notify(UINT nId, UINT nCode) {
    return {WM_NOTIFY, MessageMatch::notify, nId, nCode, [](CWnd* p, WPARAM, LPARAM l) -> LRESULT {
                LRESULT lResult = 0;
                (detail::Self<F>(p)->*F)(reinterpret_cast<NMHDR*>(l), &lResult);
                return lResult;
            }};
}
}  // namespace msg
