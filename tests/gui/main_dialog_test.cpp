#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "harness.h"
#include "main_dialog.h"
#include "resource.h"

#include <commctrl.h>

namespace {

std::string Describe(const RECT& rc) {
    return "(" + std::to_string(rc.left) + "," + std::to_string(rc.top) + ")-(" + std::to_string(rc.right) + "," +
           std::to_string(rc.bottom) + ")";
}

void FillList(HWND hList, const std::vector<std::string>& rows) {
    ::SendMessageA(hList, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < rows.size(); ++i) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(rows[i].c_str());
        ::SendMessageA(hList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
}

void Select(HWND hList, int nItem) {
    LVITEMA item = {};
    item.state = item.stateMask = LVIS_SELECTED;
    ::SendMessageA(hList, LVM_SETITEMSTATE, nItem, reinterpret_cast<LPARAM>(&item));
}

bool IsTopMost(HWND hWnd) { return (::GetWindowLongA(hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

}  // namespace

TEST(MainDialog, OpensCentredAtTheTemplateSizeWithSevenColumnsAndTheFocusInTheList) {
    RunMainDialog([](HWND hDlg) {
        RECT rcTemplate = {0, 0, 334, 130}, rcClient, rcWindow, rcWork;
        ::MapDialogRect(hDlg, &rcTemplate);
        ::GetClientRect(hDlg, &rcClient);
        EXPECT_EQ(Describe(rcClient), Describe(rcTemplate));
        ::GetWindowRect(hDlg, &rcWindow);
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcWork, 0);
        EXPECT_NEAR(rcWindow.left + rcWindow.right, rcWork.left + rcWork.right, 1);
        EXPECT_NEAR(rcWindow.top + rcWindow.bottom, rcWork.top + rcWork.bottom, 1);

        HWND hList = ::GetDlgItem(hDlg, IDC_FILE_LIST);
        EXPECT_EQ(::GetFocus(), hList);
        EXPECT_EQ(::SendMessageA(hList, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), LVS_EX_FULLROWSELECT);
        const struct {
            const char* pszHeading;
            int nWidth;
        } columns[] = {{"Name", 200}, {"Version", 70}, {"UID", 80}, {"Size", 60}, {"Sig", 60}, {"MD5 hash", 200}, {"Kind", 70}};
        HWND hHeader = reinterpret_cast<HWND>(::SendMessageA(hList, LVM_GETHEADER, 0, 0));
        EXPECT_EQ(::SendMessageA(hHeader, HDM_GETITEMCOUNT, 0, 0), 7);
        for (int i = 0; i < 7; ++i) {
            char szHeading[32] = {};
            LVCOLUMNA column = {};
            column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
            column.pszText = szHeading;
            column.cchTextMax = sizeof szHeading;
            ASSERT_TRUE(::SendMessageA(hList, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column))) << i;
            EXPECT_STREQ(szHeading, columns[i].pszHeading) << "column " << i;
            EXPECT_EQ(column.cx, columns[i].nWidth) << columns[i].pszHeading;
            EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT) << columns[i].pszHeading;
        }
        // The longest Kind shows whole in the list's font, with the cell's margins.
        const LRESULT nKindWidth = ::SendMessageA(hList, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>("Symbian 9"));
        EXPECT_LE(nKindWidth + 12, ::SendMessageA(hList, LVM_GETCOLUMNWIDTH, 6, 0));
        ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
    });
}

TEST(MainDialog, MenuIsTheResourceMenu) {
    RunMainDialog([](HWND hDlg) {
        HMENU hMenu = ::GetMenu(hDlg);
        const char* popups[] = {"File", "Tools", "Help"};
        ASSERT_EQ(::GetMenuItemCount(hMenu), 3);
        for (int i = 0; i < 3; ++i) {
            char szText[32] = {};
            ::GetMenuStringA(hMenu, i, szText, sizeof szText, MF_BYPOSITION);
            EXPECT_STREQ(szText, popups[i]);
        }
        const struct {
            int nPopup;
            const char* pszText;  // null for a separator
            UINT nId;
            UINT nState;
        } items[] = {
            {0, "Open...", ID_FILE_OPEN, MF_ENABLED},
            {0, "Open directory...", ID_OPEN_DIRECTORY, MF_ENABLED},
            {0, nullptr, 0, MF_ENABLED},
            {0, "Exit", ID_FILE_CLOSE, MF_ENABLED},
            {1, "Always on top", ID_ALWAYS_ON_TOP, MF_ENABLED},
            {1, "Options...", ID_OPTIONS, MF_GRAYED},
            {2, "About Pakrill...", ID_HELP_ABOUT, MF_ENABLED},
        };
        int nCounts[3] = {};
        for (const auto& item : items) {
            HMENU hPopup = ::GetSubMenu(hMenu, item.nPopup);
            char szText[64] = {};
            MENUITEMINFOA info = {};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
            info.dwTypeData = szText;
            info.cch = sizeof szText;
            std::string strWhere = std::string(popups[item.nPopup]) + " item " + std::to_string(nCounts[item.nPopup]);
            ASSERT_TRUE(::GetMenuItemInfoA(hPopup, nCounts[item.nPopup]++, TRUE, &info)) << strWhere;
            if (!item.pszText) {
                EXPECT_TRUE(info.fType & MFT_SEPARATOR) << strWhere;
                continue;
            }
            EXPECT_STREQ(szText, item.pszText) << strWhere;
            EXPECT_EQ(info.wID, item.nId) << item.pszText;
            EXPECT_EQ(info.fState, item.nState) << item.pszText;
        }
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(::GetMenuItemCount(::GetSubMenu(hMenu, i)), nCounts[i]) << popups[i];
        ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
    });
}

TEST(MainDialog, IconIsTheDragIconAndNotTheWindowIcon) {
    RunMainDialog([](HWND hDlg) {
        HICON hIcon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAIN_ICON));
        ASSERT_NE(hIcon, nullptr);
        EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageA(hDlg, WM_QUERYDRAGICON, 0, 0)), hIcon);
        EXPECT_EQ(::SendMessageA(hDlg, WM_GETICON, ICON_BIG, 0), 0);
        ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
    });
}

TEST(MainDialog, LayoutFollowsTheClientAreaAndNeverGoesNegative) {
    const struct {
        const char* pszName;
        std::function<void(HWND)> change;
    } cases[] = {
        {"opened", [](HWND) {}},
        {"resized larger", [](HWND h) { ::SetWindowPos(h, nullptr, 0, 0, 900, 640, SWP_NOMOVE | SWP_NOZORDER); }},
        {"resized smaller", [](HWND h) { ::SetWindowPos(h, nullptr, 0, 0, 320, 200, SWP_NOMOVE | SWP_NOZORDER); }},
        {"maximised", [](HWND h) { ::ShowWindow(h, SW_MAXIMIZE); }},
        {"restored", [](HWND h) { ::ShowWindow(h, SW_RESTORE); }},
        {"minimised", [](HWND h) { ::ShowWindow(h, SW_MINIMIZE); }},
        {"restored again", [](HWND h) { ::ShowWindow(h, SW_RESTORE); }},
        {"tiny", [](HWND h) { ::SetWindowPos(h, nullptr, 0, 0, 30, 60, SWP_NOMOVE | SWP_NOZORDER); }},
    };
    RunMainDialog([&](HWND hDlg) {
        bool bSawCramped = false;
        for (const auto& c : cases) {
            c.change(hDlg);
            PumpMessages();
            RECT rcClient;
            ::GetClientRect(hDlg, &rcClient);
            int w = rcClient.right, h = rcClient.bottom;
            bSawCramped = bSawCramped || w < 20 || h < 50;
            RECT rcList = {10, 10, 10 + std::max(w - 20, 0), 10 + std::max(h - 50, 0)};
            RECT rcButton = {w - 70, h - 30, w - 10, h - 10};
            EXPECT_EQ(Describe(ChildRect(hDlg, IDC_FILE_LIST)), Describe(rcList)) << c.pszName << ", client " << w << "x" << h;
            EXPECT_EQ(Describe(ChildRect(hDlg, IDCLOSE)), Describe(rcButton)) << c.pszName << ", client " << w << "x" << h;
        }
        EXPECT_TRUE(bSawCramped) << "no case made the client area smaller than 20x50";
        ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
    });
}

TEST(MainDialog, DeleteRemovesTheSelectedRowsWhateverTheModifiers) {
    const std::vector<std::string> five = {"row0", "row1", "row2", "row3", "row4"};
    const struct {
        const char* pszName;
        std::vector<int> selected;
        WPARAM nKey;
        BYTE nModifier;
        std::vector<std::string> left;
    } cases[] = {
        {"three of five", {1, 2, 4}, VK_DELETE, 0, {"row0", "row3"}},
        {"three of five with Shift", {0, 2, 3}, VK_DELETE, VK_SHIFT, {"row1", "row4"}},
        {"three of five with Ctrl", {0, 1, 4}, VK_DELETE, VK_CONTROL, {"row2", "row3"}},
        {"all", {0, 1, 2, 3, 4}, VK_DELETE, 0, {}},
        {"only the last", {4}, VK_DELETE, 0, {"row0", "row1", "row2", "row3"}},
        {"nothing selected", {}, VK_DELETE, 0, five},
        {"another key", {1, 2}, VK_BACK, 0, five},
    };
    RunMainDialog([&](HWND hDlg) {
        HWND hList = ::GetDlgItem(hDlg, IDC_FILE_LIST);
        for (const auto& c : cases) {
            FillList(hList, five);
            for (int nItem : c.selected)
                Select(hList, nItem);
            PressKey(hList, c.nKey, c.nModifier);
            EXPECT_EQ(ListNames(hList), c.left) << c.pszName;
        }
        ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
    });
}

TEST(MainDialog, AlwaysOnTopTogglesTheTopmostStateAndTheCheckMark) {
    RunMainDialog([](HWND hDlg) {
        HMENU hMenu = ::GetMenu(hDlg);
        EXPECT_FALSE(IsTopMost(hDlg));
        for (bool bOn : {true, false, true}) {
            ::SendMessageA(hDlg, WM_COMMAND, ID_ALWAYS_ON_TOP, 0);
            UINT nState = ::GetMenuState(hMenu, ID_ALWAYS_ON_TOP, MF_BYCOMMAND);
            EXPECT_EQ(IsTopMost(hDlg), bOn);
            EXPECT_EQ((nState & MF_CHECKED) != 0, bOn);
            EXPECT_TRUE(::GetMenuState(hMenu, ID_OPTIONS, MF_BYCOMMAND) & MF_GRAYED) << "Options... enabled";
        }
        ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
    });
}

TEST(MainDialog, EveryWayOfClosingEndsTheDialog) {
    // Exit posts WM_CLOSE, so the dialog ends after the command has returned.
    const struct {
        const char* pszName;
        std::function<void(HWND hDlg, HWND hList, HWND hButton)> close;
        INT_PTR nResult;
        bool bPostsClose;
    } cases[] = {
        {"File Exit", [](HWND d, HWND, HWND) { ::SendMessageA(d, WM_COMMAND, ID_FILE_CLOSE, 0); }, IDCANCEL, true},
        {"Exit button click", [](HWND, HWND, HWND b) { ::SendMessageA(b, BM_CLICK, 0, 0); }, IDCANCEL, true},
        {"Enter on the focused Exit button",
         [](HWND d, HWND, HWND b) {
             ::SendMessageA(d, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(b), TRUE);
             ::PostMessageA(b, WM_KEYDOWN, VK_RETURN, 0);
         },
         IDCANCEL, false},
        {"close box", [](HWND d, HWND, HWND) { ::SendMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL, false},
        {"Esc in the list", [](HWND, HWND l, HWND) { ::PostMessageA(l, WM_KEYDOWN, VK_ESCAPE, 0); }, IDCANCEL, false},
        {"Enter in the list", [](HWND, HWND l, HWND) { ::PostMessageA(l, WM_KEYDOWN, VK_RETURN, 0); }, IDOK, false},
    };
    for (const auto& c : cases) {
        bool bOpen = false, bClosePosted = false;
        INT_PTR nResult = RunMainDialog([&](HWND hDlg) {
            c.close(hDlg, ::GetDlgItem(hDlg, IDC_FILE_LIST), ::GetDlgItem(hDlg, IDCLOSE));
            MSG msg;
            bOpen = ::IsWindowVisible(hDlg) != FALSE;
            bClosePosted = ::PeekMessageA(&msg, hDlg, WM_CLOSE, WM_CLOSE, PM_NOREMOVE) != FALSE;
        });
        EXPECT_EQ(nResult, c.nResult) << c.pszName;
        if (c.bPostsClose) {
            EXPECT_TRUE(bOpen && bClosePosted) << c.pszName;
        }
    }
}
