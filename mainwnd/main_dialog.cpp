#include "main_dialog.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "about_dialog.h"
#include "app.h"
#include "options_dialog.h"
#include "clipboard.h"
#include "resource.h"

namespace {

// The list's columns in order; a row's texts come in the same order.
const struct {
    const char* pszHeading;
    int nWidth;
} kColumns[] = {{"Name", 200}, {"Version", 70}, {"UID", 80}, {"Size", 60}, {"Sig", 60}, {"MD5 hash", 200}, {"Kind", 70}};
constexpr int kColumnCount = static_cast<int>(std::size(kColumns));
static_assert(sizeof(CFileRow::m_strTexts) / sizeof(CString) >= std::size(kColumns), "a row has a text per column");

bool IsCtrlDown() { return ::GetKeyState(VK_CONTROL) < 0; }

}  // namespace

const MessageEntry CMainDialog::s_messageEntries[] = {
    msg::Paint<&CMainDialog::OnPaint>(),
    msg::QueryDragIcon<&CMainDialog::OnQueryDragIcon>(),
    msg::DropFiles<&CMainDialog::OnDropFiles>(),
    msg::Size<&CMainDialog::OnSize>(),
    msg::Command<&CMainDialog::OnOpenDirectory>(ID_OPEN_DIRECTORY),
    msg::Command<&CMainDialog::OnHelpAbout>(ID_HELP_ABOUT),
    msg::Command<&CMainDialog::OnExit>(ID_FILE_CLOSE),
    msg::Command<&CMainDialog::OnAlwaysOnTop>(ID_ALWAYS_ON_TOP),
    msg::Command<&CMainDialog::OnFileOpen>(ID_FILE_OPEN),
    msg::Command<&CMainDialog::OnOptions>(ID_OPTIONS),
    msg::Notify<&CMainDialog::OnKeydownFileList>(IDC_FILE_LIST, LVN_KEYDOWN),
    msg::Control<&CMainDialog::OnExit>(IDCLOSE, BN_CLICKED),
    msg::GetMinMaxInfo<&CMainDialog::OnGetMinMaxInfo>(),
    msg::ContextMenu<&CMainDialog::OnContextMenu>(),
    msg::Command<&CMainDialog::OnCopy>(ID_LIST_COPY),
    msg::Command<&CMainDialog::OnSelectAll>(ID_LIST_SELECT_ALL),
    msg::Command<&CMainDialog::OnRemove>(ID_LIST_REMOVE),
    msg::Message<&CMainDialog::OnIntakeOutput>(WM_PAKRILL_INTAKE),
};
const MessageMap CMainDialog::s_messageMap = {&CDialog::s_messageMap, s_messageEntries, std::size(s_messageEntries)};

CMainDialog::CMainDialog(CWnd* pParent)
    : CDialog(IDD_MAIN, pParent), m_hIcon(::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MAIN_ICON))),
      m_intake([this] { NotifyIntakeOutput(); }, kIntakeReaders) {}

CMainDialog::~CMainDialog() {
    StopWorkers();
    if (m_hListFont)
        ::DeleteObject(m_hListFont);
}

void CMainDialog::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_FILE_LIST, m_listFiles);
    DDX_Control(pDX, IDCLOSE, m_btnExit);
}

BOOL CMainDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    m_hWndShared = m_hWnd;
    for (int i = 0; i < kColumnCount; ++i)
        m_listFiles.InsertColumn(i, kColumns[i].pszHeading, LVCFMT_LEFT, kColumns[i].nWidth);
    // The template's font shows the Latin script only (on Windows it is a bitmap font
    // of one code page). The shell's logical dialog font, at the same size, maps to a
    // Unicode font that the system links to others, so names in any script show.
    LOGFONTA font = {};
    ::GetObjectA(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)), sizeof font, &font);
    lstrcpynA(font.lfFaceName, "MS Shell Dlg", LF_FACESIZE);
    font.lfCharSet = DEFAULT_CHARSET;
    if (HFONT hFont = ::CreateFontIndirectA(&font)) {
        m_listFiles.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(hFont), TRUE);
        if (m_hListFont)
            ::DeleteObject(m_hListFont);
        m_hListFont = hFont;
    }
    // A click on any cell selects its row, and the highlight covers the whole row.
    m_listFiles.SetExtendedStyle(LVS_EX_FULLROWSELECT);
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
    // The controls are drawn afresh in their new places, not copied from the old ones:
    // when the window grows, the list grows first over the button's old place and its
    // background erase paints there (the template clips neither children nor siblings),
    // so the copied pixels of the button would be blank and the button never redrawn.
    const UINT nFlags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS;
    // A client area narrower than 20 or lower than 50 pixels (minimised, say) gives the list no room.
    m_listFiles.SetWindowPos(nullptr, 10, 10, std::max(w - 20, 0), std::max(h - 50, 0), nFlags);
    m_btnExit.SetWindowPos(nullptr, w - 70, h - 30, 60, 20, nFlags);
}

// Small enough for a corner of the screen, large enough that the headings, about two
// rows of the list with its scroll bar, the whole Name column and the Exit button stay.
void CMainDialog::OnGetMinMaxInfo(MINMAXINFO* pInfo) {
    Default();
    if (!m_listFiles.m_hWnd)
        return;
    RECT rcHeader = {};
    ::GetWindowRect(m_listFiles.GetHeaderCtrl(), &rcHeader);
    const int nEdges = 2 * ::GetSystemMetrics(SM_CYEDGE);
    const int nListHeight = 3 * (rcHeader.bottom - rcHeader.top) + ::GetSystemMetrics(SM_CYHSCROLL) + nEdges;
    const int nListWidth = kColumns[0].nWidth + ::GetSystemMetrics(SM_CXVSCROLL) + nEdges;
    RECT rc = {0, 0, nListWidth + 20, nListHeight + 50};
    ::AdjustWindowRectEx(&rc, static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE)), TRUE,
                         static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE)));
    pInfo->ptMinTrackSize.x = rc.right - rc.left;
    pInfo->ptMinTrackSize.y = rc.bottom - rc.top;
}

// Delete, with any modifier, removes the selected rows; Ctrl+A selects every row and
// Ctrl+C copies the selected ones.
void CMainDialog::OnKeydownFileList(NMHDR* pNMHDR, LRESULT*) {
    const WORD wKey = reinterpret_cast<NMLVKEYDOWN*>(pNMHDR)->wVKey;
    if (wKey == VK_DELETE)
        OnRemove();
    else if (wKey == 'A' && IsCtrlDown())
        OnSelectAll();
    else if (wKey == 'C' && IsCtrlDown())
        OnCopy();
}

// Removes every selected row.
void CMainDialog::OnRemove() {
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

// Without a parent the box is owned by this, the main window, which it disables while it is up.
void CMainDialog::OnHelpAbout() {
    CAboutDialog dlg;
    dlg.DoModal();
}

// Only a WM_COMMAND sent from outside gets here: the menu item stays greyed.
void CMainDialog::OnOptions() {
    COptionsDialog dlg;
    dlg.DoModal();
}

void CMainDialog::OnSelectAll() { m_listFiles.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED); }

CString CMainDialog::SelectedRowsText() const {
    CString strText;
    for (int nColumn = 0; nColumn < kColumnCount; ++nColumn) {
        strText += kColumns[nColumn].pszHeading;
        strText += nColumn + 1 < kColumnCount ? "\t" : "\r\n";
    }
    for (int nItem = m_listFiles.GetNextItem(-1, LVNI_SELECTED); nItem != -1;
         nItem = m_listFiles.GetNextItem(nItem, LVNI_SELECTED)) {
        for (int nColumn = 0; nColumn < kColumnCount; ++nColumn) {
            strText += m_listFiles.GetItemText(nItem, nColumn);
            strText += nColumn + 1 < kColumnCount ? "\t" : "\r\n";
        }
    }
    return strText;
}

// With nothing selected the clipboard keeps what it has.
void CMainDialog::OnCopy() {
    if (m_listFiles.GetNextItem(-1, LVNI_SELECTED) == -1)
        return;
    if (!SetClipboardText(m_hWnd, SelectedRowsText()))
        AfxGetApp()->ShowMessageBox(m_hWnd,
                                    "The rows could not be copied: another program is using the clipboard. "
                                    "Please try again.",
                                    MB_OK | MB_ICONEXCLAMATION);
}

void CMainDialog::OnContextMenu(HWND hWnd, POINT point) {
    if (hWnd != m_listFiles.m_hWnd) {
        Default();
        return;
    }
    // From the keyboard: at the focused row, or else at the list's top left corner.
    if (point.x == -1 && point.y == -1) {
        RECT rc = {};
        const int nFocused = m_listFiles.GetNextItem(-1, LVNI_FOCUSED);
        if (nFocused == -1 || !m_listFiles.GetSubItemRect(nFocused, 0, LVIR_LABEL, &rc))
            m_listFiles.GetClientRect(&rc);
        point = {rc.left, rc.bottom};
        ::ClientToScreen(m_listFiles.m_hWnd, &point);
    }
    const bool bSelected = m_listFiles.GetNextItem(-1, LVNI_SELECTED) != -1;
    const UINT nIfSelected = bSelected ? MF_ENABLED : MF_GRAYED;
    HMENU hMenu = ::CreatePopupMenu();
    ::AppendMenuA(hMenu, MF_STRING | nIfSelected, ID_LIST_COPY, "Copy");
    ::AppendMenuA(hMenu, MF_STRING | (m_listFiles.GetItemCount() > 0 ? MF_ENABLED : MF_GRAYED), ID_LIST_SELECT_ALL,
                  "Select all");
    ::AppendMenuA(hMenu, MF_STRING | nIfSelected, ID_LIST_REMOVE, "Remove");
    // The chosen command comes back to this dialog as WM_COMMAND.
    ::TrackPopupMenu(hMenu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, point.x, point.y, 0, m_hWnd, nullptr);
    ::DestroyMenu(hMenu);
}
