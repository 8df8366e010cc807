#pragma once
#include "controls.h"
#include "dialog.h"

// The program's only top-level window: the list of file rows, the menu and the Exit button.
class CMainDialog : public CDialog {
public:
    explicit CMainDialog(CWnd* pParent = nullptr);

protected:
    const MessageMap* GetMessageMap() const override { return &s_messageMap; }
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnSize(UINT nType, int cx, int cy);
    void OnKeydownFileList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnAlwaysOnTop();
    void OnExit();

    static const MessageMap s_messageMap;

    CListCtrl m_listFiles;
    HICON m_hIcon;
    CButton m_btnExit;

private:
    static const MessageEntry s_messageEntries[];
};
