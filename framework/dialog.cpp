#include "dialog.h"

#include <iterator>

#include <commctrl.h>

#include "app.h"

const CRuntimeClass CDialog::s_runtimeClass = {"CDialog", &CWnd::s_runtimeClass};

const MessageEntry CDialog::s_messageEntries[] = {
    msg::InitDialog<&CDialog::OnInitDialog>(),
    msg::Command<&CDialog::OnOK>(IDOK),
    msg::Command<&CDialog::OnCancel>(IDCANCEL),
};
const MessageMap CDialog::s_messageMap = {&CWnd::s_messageMap, s_messageEntries, std::size(s_messageEntries)};

INT_PTR CDialog::DoModal() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    HWND hOwner = nullptr;
    if (m_pParentWnd) {
        hOwner = m_pParentWnd->m_hWnd;
    } else if (CWinApp* pApp = AfxGetApp(); pApp && pApp->m_pMainWnd && pApp->m_pMainWnd != this) {
        hOwner = pApp->m_pMainWnd->m_hWnd;
    }
    return ::DialogBoxParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), hOwner, DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(int nResult) { ::EndDialog(m_hWnd, nResult); }

BOOL CDialog::OnInitDialog() {
    if (!UpdateData(FALSE))
        EndDialog(-1);
    return TRUE;
}

void CDialog::OnOK() {
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

// The dialog manager's procedure sees the object only with WM_INITDIALOG. From
// then on the dialog is subclassed like any bound window, and this answers
// nothing, so the dialog manager does its default processing.
INT_PTR CALLBACK CDialog::DialogProc(HWND hDlg, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (nMsg != WM_INITDIALOG || ::GetWindowLongPtrA(hDlg, DWLP_USER) != 0)
        return FALSE;
    CDialog* pDlg = reinterpret_cast<CDialog*>(lParam);
    ::SetWindowLongPtrA(hDlg, DWLP_USER, lParam);
    if (!pDlg->SubclassWindow(hDlg)) {
        ::EndDialog(hDlg, -1);
        return FALSE;
    }
    if (!(::GetWindowLongA(hDlg, GWL_STYLE) & DS_CENTER))
        pDlg->CenterWindow();
    // Sent again so that this message, like every later one, reaches the handlers
    // through the subclass procedure and its exception guard.
    return ::SendMessageA(hDlg, WM_INITDIALOG, wParam, lParam);
}
