#include "controls.h"

const CRuntimeClass CStatic::s_runtimeClass = {"CStatic", &CWnd::s_runtimeClass};

int CListCtrl::InsertColumn(int nCol, const char* pszHeading, int nFormat, int nWidth) {
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_TEXT | (nWidth >= 0 ? LVCF_WIDTH : 0);
    column.fmt = nFormat;
    column.cx = nWidth;
    column.pszText = const_cast<char*>(pszHeading);
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, nCol, reinterpret_cast<LPARAM>(&column)));
}

int CListCtrl::InsertItem(int nItem, const char* pszText) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = nItem;
    item.pszText = const_cast<char*>(pszText);
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, const char* pszText) {
    LVITEMA item = {};
    item.iSubItem = nSubItem;
    item.pszText = const_cast<char*>(pszText);
    return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTA, nItem, reinterpret_cast<LPARAM>(&item)));
}

CString CListCtrl::GetItemText(int nItem, int nSubItem) const {
    CString strText;
    // The control copies at most the buffer less one; a full buffer may mean more text.
    for (int nSize = 256;; nSize *= 2) {
        LVITEMA item = {};
        item.iSubItem = nSubItem;
        item.cchTextMax = nSize;
        item.pszText = strText.GetBuffer(nSize);
        int nLength = static_cast<int>(SendMessage(LVM_GETITEMTEXTA, nItem, reinterpret_cast<LPARAM>(&item)));
        strText.ReleaseBuffer(nLength);
        if (nLength < nSize - 1)
            return strText;
    }
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask) {
    LVITEMA item = {};
    item.state = nState;
    item.stateMask = nMask;
    return static_cast<BOOL>(SendMessage(LVM_SETITEMSTATE, nItem, reinterpret_cast<LPARAM>(&item)));
}

int CListCtrl::GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }

int CListCtrl::GetNextItem(int nItem, int nFlags) const {
    return static_cast<int>(SendMessage(LVM_GETNEXTITEM, nItem, MAKELPARAM(nFlags, 0)));
}

BOOL CListCtrl::DeleteItem(int nItem) { return static_cast<BOOL>(SendMessage(LVM_DELETEITEM, nItem)); }

DWORD CListCtrl::SetExtendedStyle(DWORD dwExStyle) {
    return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, dwExStyle));
}

BOOL CListCtrl::GetSubItemRect(int nItem, int nSubItem, int nArea, RECT* pRect) const {
    pRect->top = nSubItem;
    pRect->left = nArea;
    return static_cast<BOOL>(SendMessage(LVM_GETSUBITEMRECT, nItem, reinterpret_cast<LPARAM>(pRect)));
}

HWND CListCtrl::GetHeaderCtrl() const { return reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER)); }

BOOL CListCtrl::DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
