#include "app.h"
#include "file_dialog.h"
#include "main_dialog.h"
#include "resource.h"

namespace {

const char kPackageFilter[] = "Symbian Installation Files (*.sis)|*.sis|All Files (*.*)|*.*||";

// Gives the dropped set back to the shell however the loop over it ends.
class DroppedSet {
public:
    explicit DroppedSet(HDROP hDrop) noexcept : m_hDrop(hDrop) {}
    ~DroppedSet() { ::DragFinish(m_hDrop); }
    DroppedSet(const DroppedSet&) = delete;
    DroppedSet& operator=(const DroppedSet&) = delete;

private:
    HDROP m_hDrop;
};

}  // namespace

void CMainDialog::AddFileToList(const char* pszPath) {
    const CFileRow row = InspectFile(pszPath);
    // The row goes in whole on the list's own thread, so a drop or a Delete there
    // cannot come between its insertion and its texts.
    if (::GetWindowThreadProcessId(m_hWnd, nullptr) == ::GetCurrentThreadId())
        InsertRow(row);
    else
        SendMessage(WM_PAKRILL_INSERT_ROW, 0, reinterpret_cast<LPARAM>(&row));
}

void CMainDialog::InsertRow(const CFileRow& row) {
    const int nItem = m_listFiles.InsertItem(0, row.m_strTexts[0]);
    for (int nColumn = 1; nColumn <= 5; ++nColumn)
        m_listFiles.SetItemText(nItem, nColumn, row.m_strTexts[nColumn]);
}

LRESULT CMainDialog::OnInsertRow(WPARAM, LPARAM lParam) {
    InsertRow(*reinterpret_cast<const CFileRow*>(lParam));
    return 0;
}

void CMainDialog::OnFileOpen() {
    CFileDialog dlg(TRUE, nullptr, nullptr, OFN_READONLY | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST, kPackageFilter,
                    this);
    if (dlg.DoModal() != IDOK) {
        // A selection too long even for the large buffer must not vanish without a word.
        if (dlg.LastError() == FNERR_BUFFERTOOSMALL)
            AfxGetApp()->ShowMessageBox(m_hWnd,
                                        "The selected files are too many to open at once. "
                                        "Please choose fewer files and try again.",
                                        MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    for (POSITION pos = dlg.GetStartPosition(); pos;)
        AddFileToList(dlg.GetNextPathName(pos));
}

void CMainDialog::OnDropFiles(HDROP hDropInfo) {
    {
        DroppedSet set(hDropInfo);
        const UINT nCount = ::DragQueryFileA(hDropInfo, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < nCount; ++i) {
            // Fetched whole, however long: a cut name could name another file.
            const UINT nLength = ::DragQueryFileA(hDropInfo, i, nullptr, 0);
            CString strPath;
            ::DragQueryFileA(hDropInfo, i, strPath.GetBuffer(static_cast<int>(nLength)), nLength + 1);
            strPath.ReleaseBuffer(static_cast<int>(nLength));
            AddFileToList(strPath);
        }
    }
    Default();
}
