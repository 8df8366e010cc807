#pragma once
#include "wnd.h"

// A dialog from a template in the program's resources, run modally.
class CDialog : public CWnd {
public:
    static const CRuntimeClass s_runtimeClass;

    // Without a parent, the application's main window (when it has one) owns the dialog.
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr) noexcept
        : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

    const CRuntimeClass* GetRuntimeClass() const override { return &s_runtimeClass; }

    // Returns what EndDialog was given, or -1 when the dialog cannot be made.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

protected:
    // Binds the controls; a failed exchange ends the dialog with -1.
    virtual BOOL OnInitDialog();
    // Exchanges in the saving direction, then ends the dialog with IDOK.
    virtual void OnOK();
    virtual void OnCancel();

    const MessageMap* GetMessageMap() const override { return &s_messageMap; }
    static const MessageMap s_messageMap;

private:
    static const MessageEntry s_messageEntries[];
    static INT_PTR CALLBACK DialogProc(HWND hDlg, UINT nMsg, WPARAM wParam, LPARAM lParam);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
};
