#pragma once
#include "controls.h"
#include "dialog.h"
#include "file_row.h"

// Carries a finished row from another thread to the list's own thread: lParam is a
// pointer to the row, valid while the sender waits.
constexpr UINT WM_PAKRILL_INSERT_ROW = WM_APP + 1;

// The program's only top-level window: the list of file rows, the menu and the Exit button.
class CMainDialog : public CDialog {
public:
    explicit CMainDialog(CWnd* pParent = nullptr);
    ~CMainDialog() override;

    // Inspects one file and puts its row at the top of the list, on any thread.
    // Raises the file's CFileException or CMemoryException; then no row is added.
    void AddFileToList(const char* pszPath);

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
    LRESULT OnInsertRow(WPARAM wParam, LPARAM lParam);

    static const MessageMap s_messageMap;

    CListCtrl m_listFiles;
    HICON m_hIcon;
    CButton m_btnExit;

private:
    void InsertRow(const CFileRow& row);
    // The selected rows as text for the clipboard: a heading line, then each row in
    // list order, texts separated by tabs, every line ended by CR LF.
    CString SelectedRowsText() const;

    static const MessageEntry s_messageEntries[];
    // The list's own font, made in OnInitDialog; it must outlive the list's window.
    HFONT m_hListFont = nullptr;
};
