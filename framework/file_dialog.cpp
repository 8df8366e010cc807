#include "file_dialog.h"

#include <algorithm>
#include <cstring>

#include "wnd.h"

namespace {

BOOL RunOpenDialog(OPENFILENAMEA* pOfn, DWORD* pdwError) {
    const BOOL bOk = GetOpenFileNameA(pOfn);
    *pdwError = bOk ? 0 : CommDlgExtendedError();
    return bOk;
}

BOOL RunSaveDialog(OPENFILENAMEA* pOfn, DWORD* pdwError) {
    const BOOL bOk = GetSaveFileNameA(pOfn);
    *pdwError = bOk ? 0 : CommDlgExtendedError();
    return bOk;
}

CFileDialog::Runner g_pfnRunner = nullptr;

}  // namespace

CFileDialog::Runner CFileDialog::SetRunner(Runner pfnRunner) noexcept {
    const Runner pfnOld = g_pfnRunner;
    g_pfnRunner = pfnRunner;
    return pfnOld;
}

CFileDialog::CFileDialog(BOOL bOpenFileDialog, const char* pszDefExt, const char* pszFileName, DWORD dwFlags,
                         const char* pszFilter, CWnd* pParentWnd)
    : m_bOpenFileDialog(bOpenFileDialog), m_pParentWnd(pParentWnd), m_result(kResultChars, '\0'),
      m_strDefExt(pszDefExt) {
    std::memset(&m_ofn, 0, sizeof m_ofn);
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.Flags = dwFlags | OFN_EXPLORER;
    m_ofn.lpstrFile = m_result.data();
    m_ofn.nMaxFile = kResultChars;
    if (pszFileName)
        std::strncpy(m_result.data(), pszFileName, kResultChars - 1);
    if (pszDefExt)
        m_ofn.lpstrDefExt = m_strDefExt.GetString();
    if (pszFilter) {
        // "Name|pattern|...||": every bar becomes the NUL the dialog expects.
        m_filter.assign(pszFilter, pszFilter + std::strlen(pszFilter));
        for (char& c : m_filter)
            if (c == '|')
                c = '\0';
        m_filter.push_back('\0');
        m_filter.push_back('\0');
        m_ofn.lpstrFilter = m_filter.data();
        m_ofn.nFilterIndex = 1;
    }
}

INT_PTR CFileDialog::DoModal() {
    m_ofn.hwndOwner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    Runner pfnRun = g_pfnRunner ? g_pfnRunner : m_bOpenFileDialog ? &RunOpenDialog : &RunSaveDialog;
    m_dwError = 0;
    if (!pfnRun(&m_ofn, &m_dwError))
        return IDCANCEL;
    if (!ResultIsWhole()) {
        m_result[0] = '\0';
        m_dwError = FNERR_BUFFERTOOSMALL;
        return IDCANCEL;
    }
    return IDOK;
}

// Some dialogs report success with a result cut at the buffer's end; its last name
// would then be a name nobody chose. A whole list of names ends with its double NUL
// before the buffer's last character (a list that fills the buffer exactly may be
// cut too); a single path ends with its NUL there.
bool CFileDialog::ResultIsWhole() const noexcept {
    const size_t nSize = std::min<size_t>(m_result.size(), m_ofn.nMaxFile);
    const size_t nOffset = m_ofn.nFileOffset;
    const bool bList = nOffset > 0 && nOffset < nSize && m_result[nOffset - 1] == '\0';
    for (size_t i = 0; i + 2 < nSize; ++i)
        if (m_result[i] == '\0' && (!bList || m_result[i + 1] == '\0'))
            return true;
    return false;
}

POSITION CFileDialog::GetStartPosition() const noexcept { return m_result[0] ? m_result.data() : nullptr; }

// A single selection is one full path; several are the folder, then each name,
// every item ended by a NUL and the whole by a second NUL.
CString CFileDialog::GetNextPathName(POSITION& pos) const {
    const char* pszBuffer = m_result.data();
    const bool bSingle = m_ofn.nFileOffset == 0 || pszBuffer[m_ofn.nFileOffset - 1] != '\0';
    if (bSingle || !pos) {
        const CString strPath(pos);
        pos = nullptr;
        return strPath;
    }
    if (pos == pszBuffer)
        pos += m_ofn.nFileOffset;
    const CString strFolder(pszBuffer);
    const CString strName(pos);
    pos += strName.GetLength() + 1;
    if (!*pos)
        pos = nullptr;
    const char chLast = strFolder.IsEmpty() ? '\0' : strFolder[strFolder.GetLength() - 1];
    if (chLast == '\\' || chLast == '/')
        return strFolder + strName;
    return strFolder + "\\" + strName;
}
