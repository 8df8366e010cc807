#pragma once
#include <vector>

#include "cstring.h"

#include <cderr.h>
#include <commdlg.h>

class CWnd;

// A position in a file dialog's result; null after the last path.
typedef const char* POSITION;

// The common open dialog. The result buffer holds real multi-selections.
class CFileDialog {
public:
    // Characters of the result buffer: room for thousands of names in one folder.
    static constexpr DWORD kResultChars = 262144;

    CFileDialog(BOOL bOpenFileDialog, const char* pszDefExt = nullptr, const char* pszFileName = nullptr,
                DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const char* pszFilter = nullptr,
                CWnd* pParentWnd = nullptr);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // IDOK when a selection was made, IDCANCEL otherwise; LastError tells why. A
    // result that does not end inside the buffer counts as FNERR_BUFFERTOOSMALL.
    INT_PTR DoModal();
    // The dialog's own error after DoModal (CommDlgExtendedError): 0 when the user cancelled.
    DWORD LastError() const noexcept { return m_dwError; }

    POSITION GetStartPosition() const noexcept;
    CString GetNextPathName(POSITION& pos) const;

    OPENFILENAMEA m_ofn;

    // Where DoModal gets its dialog from; tests put a scripted one in its place.
    // It returns TRUE for a selection, else FALSE with the dialog's error (0: cancelled).
    using Runner = BOOL (*)(OPENFILENAMEA* pOfn, DWORD* pdwError);
    static Runner SetRunner(Runner pfnRunner) noexcept;

private:
    bool ResultIsWhole() const noexcept;

    BOOL m_bOpenFileDialog;
    CWnd* m_pParentWnd;
    std::vector<char> m_filter;
    std::vector<char> m_result;
    CString m_strDefExt;
    DWORD m_dwError = 0;
};
