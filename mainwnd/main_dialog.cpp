#include "main_dialog.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "app.h"
#include "resource.h"

const MessageEntry CMainDialog::s_messageEntries[] = {
    msg::Paint<&CMainDialog::OnPaint>(),
    msg::QueryDragIcon<&CMainDialog::OnQueryDragIcon>(),
    msg::DropFiles<&CMainDialog::OnDropFiles>(),
    msg::Size<&CMainDialog::OnSize>(),
    msg::Command<&CMainDialog::OnExit>(ID_FILE_CLOSE),
    msg::Command<&CMainDialog::OnAlwaysOnTop>(ID_ALWAYS_ON_TOP),
    msg::Command<&CMainDialog::OnFileOpen>(ID_FILE_OPEN),
    msg::Command<&CMainDialog::OnOpenDirectory>(ID_OPEN_DIRECTORY),
    msg::Notify<&CMainDialog::OnKeydownFileList>(IDC_FILE_LIST, LVN_KEYDOWN),
    msg::Control<&CMainDialog::OnExit>(IDCLOSE, BN_CLICKED),
    msg::Message<&CMainDialog::OnIntakeOutput>(WM_PAKRILL_INTAKE),
};
const MessageMap CMainDialog::s_messageMap = {&CDialog::s_messageMap, s_messageEntries, std::size(s_messageEntries)};

CMainDialog::CMainDialog(CWnd* pParent)
    : CDialog(IDD_MAIN, pParent), m_hIcon(::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MAIN_ICON))),
      m_intake([this] { NotifyIntakeOutput(); }, kIntakeReaders) {}

void CMainDialog::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_FILE_LIST, m_listFiles);
    DDX_Control(pDX, IDCLOSE, m_btnExit);
}

BOOL CMainDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    m_hWndShared = m_hWnd;
    static const struct {
        const char* pszHeading;
        int nWidth;
    } columns[] = {{"Name", 200}, {"Version", 70}, {"UID", 80}, {"Size", 60}, {"Sig", 60}, {"MD5 hash", 200}};
    for (int i = 0; i < static_cast<int>(std::size(columns)); ++i)
        m_listFiles.InsertColumn(i, columns[i].pszHeading, LVCFMT_LEFT, columns[i].nWidth);
    // The first layout runs from the queue once the dialog is up; it reads the client area itself.
    PostMessage(WM_SIZE, SIZE_RESTORED, 0);
    return TRUE;
}

void CMainDialog::OnPaint() {
    if (!IsIconic()) {
        Default();
        return;
    }
    PAINTSTRUCT paint;
    HDC hDC = ::BeginPaint(m_hWnd, &paint);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(hDC), 0);
    int cxIcon = ::GetSystemMetrics(SM_CXICON), cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT rc;
    GetClientRect(&rc);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    ::DrawIcon(hDC, (w - cxIcon + 1) / 2, (h - cyIcon + 1) / 2, m_hIcon);
    ::EndPaint(m_hWnd, &paint);
}

HCURSOR CMainDialog::OnQueryDragIcon() { return m_hIcon; }

void CMainDialog::OnSize(UINT, int, int) {
    Default();
    if (!m_listFiles.m_hWnd || !m_btnExit.m_hWnd)
        return;
    RECT rc;
    GetClientRect(&rc);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    // A client area narrower than 20 or lower than 50 pixels (minimised, say) gives the list no room.
    m_listFiles.MoveWindow(10, 10, std::max(w - 20, 0), std::max(h - 50, 0));
    m_btnExit.MoveWindow(w - 70, h - 30, 60, 20);
}

// Removes every selected row; modifier keys are not looked at.
void CMainDialog::OnKeydownFileList(NMHDR* pNMHDR, LRESULT*) {
    if (reinterpret_cast<NMLVKEYDOWN*>(pNMHDR)->wVKey != VK_DELETE)
        return;
    if (m_listFiles.GetItemCount() <= 0 || m_listFiles.GetNextItem(-1, LVNI_SELECTED) == -1)
        return;
    std::vector<int> selected;
    for (int n = m_listFiles.GetNextItem(-1, LVNI_SELECTED); n != -1; n = m_listFiles.GetNextItem(n, LVNI_SELECTED))
        selected.push_back(n);
    // With one redraw for the lot rather than one per row. Every row at once is one
    // message; otherwise from the bottom up, so no deletion moves a row still to go.
    m_listFiles.SetRedraw(FALSE);
    if (static_cast<int>(selected.size()) == m_listFiles.GetItemCount())
        m_listFiles.DeleteAllItems();
    else
        for (auto it = selected.rbegin(); it != selected.rend(); ++it)
            m_listFiles.DeleteItem(*it);
    m_listFiles.SetRedraw(TRUE);
    m_listFiles.Invalidate();
}

// The menu's check mark is the only record of the state.
void CMainDialog::OnAlwaysOnTop() {
    CMenu menu = GetMenu();
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE;
    menu.GetMenuItemInfo(ID_ALWAYS_ON_TOP, &info);
    if (info.fState & MFS_CHECKED) {
        menu.CheckMenuItem(ID_ALWAYS_ON_TOP, MF_BYCOMMAND | MF_UNCHECKED);
        SetWindowPos(&wndNoTopMost, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    } else {
        menu.CheckMenuItem(ID_ALWAYS_ON_TOP, MF_BYCOMMAND | MF_CHECKED);
        SetWindowPos(&wndTopMost, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
}

// Posted, so the dialog ends when WM_CLOSE comes out of the queue and turns into IDCANCEL.
void CMainDialog::OnExit() { PostMessage(WM_CLOSE); }
