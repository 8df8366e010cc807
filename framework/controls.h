#pragma once
#include "cstring.h"
#include "wnd.h"

#include <commctrl.h>

// A list-view control; each call is one message to it, so a call from another
// thread is carried out on the thread that owns the control.
class CListCtrl : public CWnd {
public:
    int InsertColumn(int nCol, const char* pszHeading, int nFormat = LVCFMT_LEFT, int nWidth = -1);
    // Inserts a row with its first column's text; returns its index or -1.
    int InsertItem(int nItem, const char* pszText);
    BOOL SetItemText(int nItem, int nSubItem, const char* pszText);
    CString GetItemText(int nItem, int nSubItem) const;
    BOOL SetItemState(int nItem, UINT nState, UINT nMask);
    int GetItemCount() const;
    int GetNextItem(int nItem, int nFlags) const;
    BOOL DeleteItem(int nItem);
    DWORD SetExtendedStyle(DWORD dwExStyle);
    // The rectangle of one cell, in the list's client coordinates.
    BOOL GetSubItemRect(int nItem, int nSubItem, int nArea, RECT* pRect) const;
    HWND GetHeaderCtrl() const;
    BOOL DeleteAllItems();
};

class CButton : public CWnd {};

class CStatic : public CWnd {
public:
    static const CRuntimeClass s_runtimeClass;
    const CRuntimeClass* GetRuntimeClass() const override { return &s_runtimeClass; }
};
