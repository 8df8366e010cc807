#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "harness.h"
#include "main_dialog.h"
#include "resource.h"

#include <commctrl.h>

namespace {

using Row = std::vector<std::string>;

// Three rows with every text set; the names are in three scripts.
const std::vector<Row> kRows = {
    {"alpha.sis", "1.2.3", "0x2a", "0 Kb", "Yes", "E5D1141B4A8E63209B05BEE7AF0CAF3E", "unknown"},
    {"приложение.sis", "0.0.0", "0", "0 Kb", "", "D41D8CD98F00B204E9800998ECF8427E", "EPOC"},
    {"日本語.sis", "2.0.7", "0x10005b00", "2 Kb", "", "Not available", "Symbian 9"},
};

void FillRows(HWND hList, const std::vector<Row>& rows) {
    ::SendMessageA(hList, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < rows.size(); ++i) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(rows[i][0].c_str());
        ::SendMessageA(hList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        for (int nColumn = 1; nColumn < static_cast<int>(rows[i].size()); ++nColumn) {
            item.iSubItem = nColumn;
            item.pszText = const_cast<char*>(rows[i][nColumn].c_str());
            ::SendMessageA(hList, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
        }
    }
}

std::vector<int> SelectedRows(HWND hList) {
    std::vector<int> rows;
    for (int i = -1; (i = static_cast<int>(::SendMessageA(hList, LVM_GETNEXTITEM, i, LVNI_SELECTED))) != -1;)
        rows.push_back(i);
    return rows;
}

void SetSelection(HWND hList, const std::vector<int>& rows) {
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    ::SendMessageA(hList, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    item.state = LVIS_SELECTED;
    for (int nRow : rows)
        ::SendMessageA(hList, LVM_SETITEMSTATE, nRow, reinterpret_cast<LPARAM>(&item));
}

// The middle of a cell, in the list's client coordinates.
POINT CellCentre(HWND hList, int nRow, int nColumn) {
    RECT rc = {};
    rc.top = nColumn;
    rc.left = LVIR_LABEL;
    ::SendMessageA(hList, LVM_GETSUBITEMRECT, nRow, reinterpret_cast<LPARAM>(&rc));
    return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

// What the clipboard holds in a format, as bytes up to the terminating NUL.
std::string ClipboardBytes(UINT nFormat) {
    std::string bytes;
    if (!::OpenClipboard(nullptr))
        return "(clipboard not opened)";
    if (HANDLE hData = ::GetClipboardData(nFormat)) {
        const char* p = static_cast<const char*>(::GlobalLock(hData));
        const size_t nUnit = nFormat == CF_UNICODETEXT ? 2 : 1;
        size_t n = 0;
        while (n + nUnit <= ::GlobalSize(hData) && std::any_of(p + n, p + n + nUnit, [](char c) { return c != 0; }))
            n += nUnit;
        bytes.assign(p, n);
        ::GlobalUnlock(hData);
    }
    ::CloseClipboard();
    return bytes;
}

std::string Utf16Bytes(const std::wstring& text) {
    std::string bytes;
    for (wchar_t ch : text) {
        bytes += static_cast<char>(ch & 0xFF);
        bytes += static_cast<char>((ch >> 8) & 0xFF);
    }
    return bytes;
}

void PutOnClipboard(const char* pszText) {
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    HGLOBAL hMem = ::GlobalAlloc(GMEM_MOVEABLE, std::strlen(pszText) + 1);
    std::strcpy(static_cast<char*>(::GlobalLock(hMem)), pszText);
    ::GlobalUnlock(hMem);
    ::SetClipboardData(CF_TEXT, hMem);
    ::CloseClipboard();
}

const char kHeading[] = "Name\tVersion\tUID\tSize\tSig\tMD5 hash\tKind\r\n";
const wchar_t kWideHeading[] = L"Name\tVersion\tUID\tSize\tSig\tMD5 hash\tKind\r\n";

std::string Line(const Row& row) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i)
        line += row[i] + (i + 1 < row.size() ? "\t" : "\r\n");
    return line;
}

// Waits for the context menu, reads its items, then chooses one with the keyboard
// (nChoice counted from 0), or closes it when nChoice is -1.
struct MenuScript {
    int nChoice = -1;
    std::vector<std::string> items;
    std::vector<bool> enabled;
    bool bSeen = false;
};

UINT_PTR DriveContextMenu(MenuScript& script) {
    return StartTimer(30, [&script] {
        HWND hMenuWnd = ::FindWindowA("#32768", nullptr);
        if (!hMenuWnd || !::IsWindowVisible(hMenuWnd))
            return false;
        HMENU hMenu = reinterpret_cast<HMENU>(::SendMessageA(hMenuWnd, MN_GETHMENU, 0, 0));
        for (int i = 0; i < ::GetMenuItemCount(hMenu); ++i) {
            char szText[64] = {};
            ::GetMenuStringA(hMenu, i, szText, sizeof szText, MF_BYPOSITION);
            script.items.push_back(szText);
            script.enabled.push_back(!(::GetMenuState(hMenu, i, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)));
        }
        script.bSeen = true;
        if (script.nChoice < 0) {
            ::PostMessageA(hMenuWnd, WM_KEYDOWN, VK_ESCAPE, 0);
            return true;
        }
        for (int i = 0; i <= script.nChoice; ++i)
            ::PostMessageA(hMenuWnd, WM_KEYDOWN, VK_DOWN, 0);
        ::PostMessageA(hMenuWnd, WM_KEYDOWN, VK_RETURN, 0);
        return true;
    });
}

void RightClick(HWND hList, POINT pt) {
    ::PostMessageA(hList, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(pt.x, pt.y));
    ::PostMessageA(hList, WM_RBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
}

void LeftClick(HWND hList, POINT pt) {
    ::PostMessageA(hList, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
    ::PostMessageA(hList, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
}

// Runs the script in the main dialog, then closes it.
void RunAndClose(const std::function<void(HWND hDlg, HWND hList)>& script) {
    RunMainDialog([&](HWND hDlg) {
        script(hDlg, ::GetDlgItem(hDlg, IDC_FILE_LIST));
        ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
    });
}

RECT ScreenRectOf(HWND hWnd) {
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    return rc;
}

// The button as it stands on the screen must be what it draws when told to draw
// itself again, and more than a blank rectangle.
void ExpectButtonDrawn(HWND hDlg, const std::string& what) {
    HWND hButton = ::GetDlgItem(hDlg, IDCLOSE);
    const RECT rc = ScreenRectOf(hButton);
    const std::vector<DWORD> shown = ScreenPixels(rc);
    ::RedrawWindow(hButton, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    const std::vector<DWORD> redrawn = ScreenPixels(rc);
    std::vector<DWORD> colours = redrawn;
    std::sort(colours.begin(), colours.end());
    EXPECT_GT(std::unique(colours.begin(), colours.end()) - colours.begin(), 2) << what << ": the button draws nothing";
    EXPECT_TRUE(shown == redrawn) << what << ": the Exit button on the screen is not the button";
}

}  // namespace

TEST(MainWindowDrawing, ExitButtonIsOnTheScreenAfterEveryResize) {
    const struct {
        const char* pszName;
        std::function<void(HWND)> change;
    } cases[] = {
        {"enlarged by its corner", [](HWND h) { ::SetWindowPos(h, nullptr, 0, 0, 900, 640, SWP_NOMOVE | SWP_NOZORDER); }},
        {"shrunk", [](HWND h) { ::SetWindowPos(h, nullptr, 0, 0, 560, 300, SWP_NOMOVE | SWP_NOZORDER); }},
        {"maximised", [](HWND h) { ::ShowWindow(h, SW_MAXIMIZE); }},
        {"restored", [](HWND h) { ::ShowWindow(h, SW_RESTORE); }},
        {"moved and enlarged", [](HWND h) { ::SetWindowPos(h, nullptr, 20, 20, 1000, 700, SWP_NOZORDER); }},
    };
    for (bool bRows : {false, true}) {
        RunAndClose([&](HWND hDlg, HWND hList) {
            if (bRows)
                FillRows(hList, kRows);
            PumpMessages();
            for (const auto& c : cases) {
                c.change(hDlg);
                PumpMessages();
                ExpectButtonDrawn(hDlg, std::string(c.pszName) + (bRows ? ", with rows" : ", empty list"));
            }
        });
    }
}

TEST(MainWindowList, ClickOnAnyCellSelectsTheWholeRow) {
    RunAndClose([](HWND, HWND hList) {
        FillRows(hList, kRows);
        for (int nColumn : {2, 5, 0}) {
            for (int nRow : {1, 2}) {
                LeftClick(hList, CellCentre(hList, nRow, nColumn));
                PumpMessages();
                EXPECT_EQ(SelectedRows(hList), std::vector<int>{nRow}) << "row " << nRow << ", column " << nColumn;
            }
        }
    });
}

TEST(MainWindowList, CtrlASelectsEveryRowAndCtrlCCopiesTheSelectedOnes) {
    RunAndClose([](HWND, HWND hList) {
        FillRows(hList, kRows);
        PressKey(hList, 'A');
        EXPECT_TRUE(SelectedRows(hList).empty()) << "A without Ctrl selected rows";
        PressKey(hList, 'A', VK_CONTROL);
        EXPECT_EQ(SelectedRows(hList), (std::vector<int>{0, 1, 2}));

        PressKey(hList, 'C', VK_CONTROL);
        const std::string expected = kHeading + Line(kRows[0]) + Line(kRows[1]) + Line(kRows[2]);
        EXPECT_EQ(ClipboardBytes(CF_TEXT), expected);
        const std::wstring wide = std::wstring(kWideHeading) +
                                  L"alpha.sis\t1.2.3\t0x2a\t0 Kb\tYes\tE5D1141B4A8E63209B05BEE7AF0CAF3E\tunknown\r\n"
                                  L"приложение.sis\t0.0.0\t0\t0 Kb\t\tD41D8CD98F00B204E9800998ECF8427E\tEPOC\r\n"
                                  L"日本語.sis\t2.0.7\t0x10005b00\t2 Kb\t\tNot available\tSymbian 9\r\n";
        EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT), Utf16Bytes(wide));

        // Rows in list order, whatever order they were selected in.
        SetSelection(hList, {2, 0});
        PressKey(hList, 'C', VK_CONTROL);
        EXPECT_EQ(ClipboardBytes(CF_TEXT), kHeading + Line(kRows[0]) + Line(kRows[2]));

        PutOnClipboard("kept");
        SetSelection(hList, {});
        PressKey(hList, 'C', VK_CONTROL);
        EXPECT_EQ(ClipboardBytes(CF_TEXT), "kept") << "copying nothing replaced the clipboard";
        PressKey(hList, 'C');
        EXPECT_EQ(ClipboardBytes(CF_TEXT), "kept");
    });
}

TEST(MainWindowList, ContextMenuCopiesSelectsAllAndRemoves) {
    const std::vector<std::string> kItems = {"Copy", "Select all", "Remove"};
    const struct {
        const char* pszName;
        int nChoice;
        std::vector<int> selectedAfter;
        std::vector<std::string> namesAfter;
        std::string clipboard;
    } cases[] = {
        {"Copy", 0, {1}, {kRows[0][0], kRows[1][0], kRows[2][0]}, kHeading + Line(kRows[1])},
        {"Select all", 1, {0, 1, 2}, {kRows[0][0], kRows[1][0], kRows[2][0]}, "kept"},
        {"Remove", 2, {}, {kRows[0][0], kRows[2][0]}, "kept"},
        {"closed", -1, {1}, {kRows[0][0], kRows[1][0], kRows[2][0]}, "kept"},
    };
    for (const auto& c : cases) {
        RunAndClose([&](HWND hDlg, HWND hList) {
            FillRows(hList, kRows);
            PutOnClipboard("kept");
            MenuScript script;
            script.nChoice = c.nChoice;
            const UINT_PTR nTimer = DriveContextMenu(script);
            // A right-click on the UID cell of the middle row selects that row and opens the menu.
            RightClick(hList, CellCentre(hList, 1, 2));
            PumpMessages();
            StopTimer(nTimer);
            PumpMessages();
            ASSERT_TRUE(script.bSeen) << c.pszName << ": no context menu";
            EXPECT_EQ(script.items, kItems) << c.pszName;
            EXPECT_EQ(script.enabled, (std::vector<bool>{true, true, true})) << c.pszName;
            EXPECT_EQ(SelectedRows(hList), c.selectedAfter) << c.pszName;
            EXPECT_EQ(ListNames(hList), c.namesAfter) << c.pszName;
            EXPECT_EQ(ClipboardBytes(CF_TEXT), c.clipboard) << c.pszName;
            EXPECT_EQ(::GetMenuItemCount(::GetMenu(hDlg)), 3) << "the menu bar changed";
        });
    }
}

TEST(MainWindowList, ContextMenuOfAnEmptyListOffersNothing) {
    RunAndClose([](HWND, HWND hList) {
        MenuScript script;
        const UINT_PTR nTimer = DriveContextMenu(script);
        RightClick(hList, {20, 40});
        PumpMessages();
        StopTimer(nTimer);
        ASSERT_TRUE(script.bSeen);
        EXPECT_EQ(script.enabled, (std::vector<bool>{false, false, false}));
    });
}

// Shift+F10 or the menu key: the menu opens below the focused row, for the selection.
TEST(MainWindowList, ContextMenuFromTheKeyboardOpensAtTheFocusedRow) {
    RunAndClose([](HWND, HWND hList) {
        FillRows(hList, kRows);
        LVITEMA item = {};
        item.state = item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(hList, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&item));
        MenuScript script;
        RECT rcMenu = {};
        const UINT_PTR nTimer = StartTimer(30, [&] {
            HWND hMenuWnd = ::FindWindowA("#32768", nullptr);
            if (!hMenuWnd || !::IsWindowVisible(hMenuWnd))
                return false;
            ::GetWindowRect(hMenuWnd, &rcMenu);
            script.bSeen = true;
            ::PostMessageA(hMenuWnd, WM_KEYDOWN, VK_ESCAPE, 0);
            return true;
        });
        ::SendMessageA(hList, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hList), MAKELPARAM(-1, -1));
        StopTimer(nTimer);
        ASSERT_TRUE(script.bSeen);
        RECT rcRow = {};
        rcRow.left = LVIR_LABEL;
        ::SendMessageA(hList, LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&rcRow));
        ::MapWindowPoints(hList, nullptr, reinterpret_cast<POINT*>(&rcRow), 2);
        EXPECT_NEAR(rcMenu.top, rcRow.bottom, 2);
        EXPECT_NEAR(rcMenu.left, rcRow.left, 2);
    });
}

// However small it is made, the headings, the list's scroll bar room and the whole
// Exit button stay, and the button is drawn.
TEST(MainWindowDrawing, MinimumSizeKeepsHeadingsAndExitButton) {
    RunAndClose([](HWND hDlg, HWND hList) {
        FillRows(hList, kRows);
        for (SIZE size : {SIZE{1, 1}, SIZE{120, 40}, SIZE{300, 120}}) {
            ::SetWindowPos(hDlg, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
            PumpMessages();
            const std::string what = "asked for " + std::to_string(size.cx) + "x" + std::to_string(size.cy);
            RECT rcClient, rcListClient, rcHeader;
            ::GetClientRect(hDlg, &rcClient);
            const RECT rcList = ChildRect(hDlg, IDC_FILE_LIST), rcButton = ChildRect(hDlg, IDCLOSE);
            EXPECT_GE(rcButton.left, rcClient.left) << what;
            EXPECT_LE(rcButton.bottom, rcClient.bottom) << what;
            EXPECT_GT(rcButton.top, rcList.bottom) << what;
            EXPECT_GE(rcList.right - rcList.left, 200) << what << ": the Name column does not fit";
            ::GetClientRect(hList, &rcListClient);
            ::GetClientRect(reinterpret_cast<HWND>(::SendMessageA(hList, LVM_GETHEADER, 0, 0)), &rcHeader);
            EXPECT_GE(rcListClient.bottom, 2 * rcHeader.bottom) << what << ": no room below the headings";
            ExpectButtonDrawn(hDlg, what);
        }
    });
}

// A path far too long for one line starts a line of its own and is broken after its
// backslashes; the box fits the screen and the text, less the breaks, is the message.
TEST(MessageBoxes, LongPathBoxFitsTheScreenAndKeepsThePath) {
    std::string path = "Z:\\";
    for (int i = 0; path.size() < 300; ++i)
        path += "folder-" + std::to_string(i) + "\\";
    path += "package.sis";
    ASSERT_GE(path.size(), 300u);
    std::string wholeName = "C:\\" + std::string(270, 'W') + ".sis";
    const struct {
        const char* pszName;
        std::string text;
    } cases[] = {
        {"300-character path", "The path " + path + " is too long to be opened."},
        {"one part longer than a line", wholeName + " was not found."},
        {"short", "short.sis was not found."},
    };
    const int nScreen = ::GetSystemMetrics(SM_CXSCREEN);
    for (const auto& c : cases) {
        const std::vector<ShownBox> boxes = CloseBoxesDuring([&] { TestApp().ShowMessageBox(nullptr, c.text.c_str(), MB_ICONSTOP); });
        ASSERT_EQ(boxes.size(), 1u) << c.pszName;
        const ShownBox& box = boxes[0];
        EXPECT_GE(box.rcWindow.left, 0) << c.pszName;
        EXPECT_LE(box.rcWindow.right, nScreen) << c.pszName << ": " << box.rcWindow.right - box.rcWindow.left << " px wide";
        std::string joined = box.strText;
        joined.erase(std::remove(joined.begin(), joined.end(), '\n'), joined.end());
        EXPECT_EQ(joined, c.text) << c.pszName;
        const bool bPath = c.text.find("path") != std::string::npos;
        for (size_t i = box.strText.find('\n'); bPath && i != std::string::npos; i = box.strText.find('\n', i + 1)) {
            EXPECT_TRUE(box.strText[i - 1] == '\\' || box.strText[i - 1] == ' ') << c.pszName << ": broken at " << i;
        }
        EXPECT_EQ(box.strCaption, "gui_tests") << c.pszName;
    }
    EXPECT_EQ(nScreen, 1280) << "the display is not the one the case is made for";
}

TEST(AnyFileName, TheAnsiCodePageIsUtf8) { EXPECT_EQ(::GetACP(), static_cast<UINT>(CP_UTF8)); }

namespace {

// One character drawn black on white in a font, in a cell of its own.
std::vector<DWORD> Rendered(HFONT hFont, wchar_t ch) {
    HDC hScreen = ::GetDC(nullptr);
    HDC hMem = ::CreateCompatibleDC(hScreen);
    ::ReleaseDC(nullptr, hScreen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 40;
    info.bmiHeader.biHeight = -40;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* pBits = nullptr;
    HBITMAP hBitmap = ::CreateDIBSection(hMem, &info, DIB_RGB_COLORS, &pBits, nullptr, 0);
    HGDIOBJ hOldBitmap = ::SelectObject(hMem, hBitmap);
    HGDIOBJ hOldFont = ::SelectObject(hMem, hFont);
    RECT rc = {0, 0, 40, 40};
    ::FillRect(hMem, &rc, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::SetTextColor(hMem, RGB(0, 0, 0));
    ::SetBkMode(hMem, TRANSPARENT);
    ::TextOutW(hMem, 4, 4, &ch, 1);
    ::GdiFlush();
    std::vector<DWORD> pixels(static_cast<const DWORD*>(pBits), static_cast<const DWORD*>(pBits) + 40 * 40);
    ::SelectObject(hMem, hOldFont);
    ::SelectObject(hMem, hOldBitmap);
    ::DeleteObject(hBitmap);
    ::DeleteDC(hMem);
    return pixels;
}

}  // namespace

// Each character of a Cyrillic and a Japanese name, drawn in the list's own font,
// comes out as a glyph: neither nothing nor the box shown for a character that no
// font has. Japanese comes from the CJK font that the system links to the list's.
TEST(AnyFileName, ListFontShowsCyrillicAndJapanese) {
    RunAndClose([](HWND, HWND hList) {
        HFONT hFont = reinterpret_cast<HFONT>(::SendMessageA(hList, WM_GETFONT, 0, 0));
        const std::vector<DWORD> blank(40 * 40, 0xFFFFFF);
        // Unassigned in Unicode, so no font has it.
        const std::vector<DWORD> missing = Rendered(hFont, 0x0378);
        for (wchar_t ch : std::wstring(L"приложение日本語")) {
            const std::vector<DWORD> glyph = Rendered(hFont, ch);
                EXPECT_TRUE(glyph != blank) << "U+" << std::hex << static_cast<int>(ch) << " is not drawn";
            EXPECT_TRUE(glyph != missing) << "U+" << std::hex << static_cast<int>(ch) << " has no glyph";
        }
    });
}
