#pragma once
#include <atomic>
#include <mutex>
#include <vector>

#include "controls.h"
#include "dialog.h"
#include "file_row.h"
#include "intake.h"
#include "thread.h"

// Posted by the intake's readers when finished rows or a run's errors wait to be taken.
constexpr UINT WM_PAKRILL_INTAKE = WM_APP + 1;

// The program's only top-level window: the list of file rows, the menu and the Exit button.
class CMainDialog : public CDialog {
public:
    explicit CMainDialog(CWnd* pParent = nullptr);
    ~CMainDialog() override;

    // Hands one file to the intake as part of run, on any thread. Its row goes in
    // whole at the top of the list once it has been read and every file handed over
    // before it has its row; a file that cannot be read is reported when run ends.
    void AddFileToList(CIntake::Run& run, const char* pszPath);
    // No worker runs and every file handed over has its row in the list or its report shown.
    bool IsIntakeIdle() const { return m_nWorkers == 0 && m_intake.IsIdle(); }

protected:
    const MessageMap* GetMessageMap() const override { return &s_messageMap; }
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnSize(UINT nType, int cx, int cy);
    void OnKeydownFileList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnGetMinMaxInfo(MINMAXINFO* pInfo);
    void OnContextMenu(HWND hWnd, POINT point);
    void OnCopy();
    void OnSelectAll();
    void OnRemove();
    void OnAlwaysOnTop();
    void OnExit();
    void OnFileOpen();
    void OnHelpAbout();
    void OnOptions();
    void OnDropFiles(HDROP hDropInfo);
    void OnOpenDirectory();
    LRESULT OnIntakeOutput(WPARAM wParam, LPARAM lParam);

    // The worker of "Open directory...": the folder browser, then the walk. pParam is the dialog.
    static UINT OpenDirectoryThread(LPVOID pParam);
    // Walks the folder in the MAX_PATH buffer pszPath, which is the current directory,
    // and every folder below it; the buffer is rewritten on the way.
    void ScanDirectory(char* pszPath);

    static const MessageMap s_messageMap;

    CListCtrl m_listFiles;
    HICON m_hIcon;
    CButton m_btnExit;

private:
    struct DroppedNames;
    // Marks the life of a worker that holds the dialog: registered while it runs, so
    // the dialog can close its windows and wait for it. Nothing of the dialog is
    // touched after the count goes down.
    class WorkerScope {
    public:
        explicit WorkerScope(CMainDialog& dlg);
        ~WorkerScope();
        WorkerScope(const WorkerScope&) = delete;
        WorkerScope& operator=(const WorkerScope&) = delete;

    private:
        CMainDialog& m_dlg;
    };

    // Files read at the same time, rows still in order: more readers than the two
    // processors this was measured on, as each also waits on the system.
    static constexpr unsigned kIntakeReaders = 3;
    // Rows put into the list in one message; the window answers between such messages.
    static constexpr size_t kRowsPerMessage = 20;

    // Stops the intake and waits for every worker, closing a folder browser still open.
    void StopWorkers();
    void NotifyIntakeOutput();
    void InsertRow(const CFileRow& row);
    // The selected rows as text for the clipboard: a heading line, then each row in
    // list order, texts separated by tabs, every line ended by CR LF.
    CString SelectedRowsText() const;
    void ReportFailures(const std::vector<CString>& errors);
    static UINT DroppedNamesThread(LPVOID pParam);
    void TakeNames(CIntake::Run& run, const std::vector<CString>& names);
    // One walk at a time: walks share the current directory. False when nothing was
    // walked; bGrey greys the file commands once the folder is entered.
    bool WalkFolder(CIntake::Run& run, char* pszPath, bool bGrey);
    void AddPathTooLong(CIntake::Run& run, const CString& strPath);
    void GreyFileCommands(bool bGrey);
    bool StartWorker(AFX_THREADPROC pfnThreadProc, LPVOID pParam);

    static const MessageEntry s_messageEntries[];

    // The list's own font, made in OnInitDialog; it must outlive the list's window.
    HFONT m_hListFont = nullptr;
    CIntake m_intake;
    // Output taken from the intake and not yet all in the list (window's thread only).
    CIntake::Output m_pending;
    size_t m_nPendingRow = 0;
    bool m_bAnnouncedWhileDraining = false;
    // The window that the intake and the workers address, without touching this object's m_hWnd.
    std::atomic<HWND> m_hWndShared{nullptr};
    std::atomic<bool> m_bClosing{false};
    // Workers started and not yet ended; each registers its thread while it runs.
    std::atomic<int> m_nWorkers{0};
    std::mutex m_workersMutex;
    std::vector<DWORD> m_workerThreads;
    int m_nGreyingWalks = 0;
    std::mutex m_walkMutex;
    CIntake::Run* m_pWalkRun = nullptr;
};
