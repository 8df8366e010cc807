#include <iterator>
#include <memory>

#include "app.h"
#include "file_dialog.h"
#include "main_dialog.h"
#include "resource.h"

namespace {

const char kPackageFilter[] = "Symbian Installation Files (*.sis)|*.sis|All Files (*.*)|*.*||";

// A box lists this many failures; the rest are counted.
constexpr size_t kFailuresListed = 20;

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

// Ends a run however the code that fills it is left, so later runs are never held up.
class RunEnder {
public:
    RunEnder(CIntake& intake, CIntake::Run& run) noexcept : m_intake(intake), m_run(run) {}
    ~RunEnder() { m_intake.EndRun(m_run); }
    RunEnder(const RunEnder&) = delete;
    RunEnder& operator=(const RunEnder&) = delete;

private:
    CIntake& m_intake;
    CIntake::Run& m_run;
};

bool IsFolder(const char* pszPath) {
    const DWORD dwAttributes = ::GetFileAttributesA(pszPath);
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

// What a drop hands to the worker that walks its folders.
struct CMainDialog::DroppedNames {
    CMainDialog* pDlg;
    std::shared_ptr<CIntake::Run> run;
    std::vector<CString> names;
};

void CMainDialog::AddFileToList(CIntake::Run& run, const char* pszPath) { m_intake.Add(run, pszPath); }

void CMainDialog::NotifyIntakeOutput() {
    if (HWND hWnd = m_hWndShared.load())
        ::PostMessageA(hWnd, WM_PAKRILL_INTAKE, 0, 0);
}

void CMainDialog::InsertRow(const CFileRow& row) {
    const int nItem = m_listFiles.InsertItem(0, row.m_strTexts[0]);
    for (int nColumn = 1; nColumn < static_cast<int>(std::size(row.m_strTexts)); ++nColumn)
        m_listFiles.SetItemText(nItem, nColumn, row.m_strTexts[nColumn]);
}

// The rows waiting go in a few at a time, one message each, so the window answers
// between them; the list is redrawn once they are all in. Then each finished run's
// failures are reported, after its rows, whatever a box's own message loop does.
// wParam is 0 when the intake announces output, 1 when more of the rows taken
// follow.
LRESULT CMainDialog::OnIntakeOutput(WPARAM wParam, LPARAM) {
    const bool bDraining = m_nPendingRow < m_pending.rows.size() || !m_pending.failedRuns.empty();
    if (bDraining && wParam == 0)
        m_bAnnouncedWhileDraining = true;
    if (!bDraining) {
        if (wParam != 0)
            return 0;
        m_pending = m_intake.Take();
        m_nPendingRow = 0;
        if (m_pending.rows.empty() && m_pending.failedRuns.empty())
            return 0;
        if (!m_pending.rows.empty())
            m_listFiles.SetRedraw(FALSE);
    }
    for (size_t n = 0; n < kRowsPerMessage && m_nPendingRow < m_pending.rows.size(); ++n)
        InsertRow(m_pending.rows[m_nPendingRow++]);
    if (m_nPendingRow < m_pending.rows.size()) {
        PostMessage(WM_PAKRILL_INTAKE, 1);
        return 0;
    }
    const CIntake::Output done = std::move(m_pending);
    m_pending = CIntake::Output();
    m_nPendingRow = 0;
    if (!done.rows.empty()) {
        m_listFiles.SetRedraw(TRUE);
        m_listFiles.Invalidate();
    }
    // An announcement that arrived meanwhile was spent on these rows.
    if (m_bAnnouncedWhileDraining) {
        m_bAnnouncedWhileDraining = false;
        PostMessage(WM_PAKRILL_INTAKE, 0);
    }
    for (const std::vector<CString>& errors : done.failedRuns)
        ReportFailures(errors);
    return 0;
}

void CMainDialog::ReportFailures(const std::vector<CString>& errors) {
    CString strText;
    for (size_t i = 0; i < errors.size() && i < kFailuresListed; ++i)
        strText += (i ? "\n" : "") + errors[i];
    if (errors.size() > kFailuresListed)
        strText.AppendFormat("\nand %u more", static_cast<unsigned>(errors.size() - kFailuresListed));
    AfxGetApp()->ShowMessageBox(m_hWnd, strText, MB_OK | MB_ICONSTOP);
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
    const std::shared_ptr<CIntake::Run> run = m_intake.BeginRun();
    RunEnder ender(m_intake, *run);
    for (POSITION pos = dlg.GetStartPosition(); pos;)
        AddFileToList(*run, dlg.GetNextPathName(pos));
}

// The names are taken at once and the set given back; a dropped folder is walked
// on a worker, in its place among the names.
void CMainDialog::OnDropFiles(HDROP hDropInfo) {
    auto dropped = std::make_unique<DroppedNames>();
    bool bFolders = false;
    {
        DroppedSet set(hDropInfo);
        const UINT nCount = ::DragQueryFileA(hDropInfo, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < nCount; ++i) {
            // Fetched whole, however long: a cut name could name another file.
            const UINT nLength = ::DragQueryFileA(hDropInfo, i, nullptr, 0);
            CString strPath;
            ::DragQueryFileA(hDropInfo, i, strPath.GetBuffer(static_cast<int>(nLength)), nLength + 1);
            strPath.ReleaseBuffer(static_cast<int>(nLength));
            bFolders = bFolders || IsFolder(strPath);
            dropped->names.push_back(strPath);
        }
    }
    dropped->pDlg = this;
    dropped->run = m_intake.BeginRun();
    if (!bFolders) {
        RunEnder ender(m_intake, *dropped->run);
        TakeNames(*dropped->run, dropped->names);
    } else if (StartWorker(DroppedNamesThread, dropped.get())) {
        dropped.release();
    } else {
        m_intake.EndRun(*dropped->run);
    }
    Default();
}

UINT CMainDialog::DroppedNamesThread(LPVOID pParam) {
    const std::unique_ptr<DroppedNames> dropped(static_cast<DroppedNames*>(pParam));
    CMainDialog* pDlg = dropped->pDlg;
    WorkerScope worker(*pDlg);
    RunEnder ender(pDlg->m_intake, *dropped->run);
    pDlg->TakeNames(*dropped->run, dropped->names);
    return 0;
}

void CMainDialog::TakeNames(CIntake::Run& run, const std::vector<CString>& names) {
    for (const CString& strName : names) {
        if (m_bClosing)
            return;
        if (!IsFolder(strName)) {
            AddFileToList(run, strName);
            continue;
        }
        char szPath[MAX_PATH];
        if (strName.GetLength() >= MAX_PATH) {
            AddPathTooLong(run, strName);
            continue;
        }
        lstrcpynA(szPath, strName, MAX_PATH);
        WalkFolder(run, szPath, false);
    }
}
