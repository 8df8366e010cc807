#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "about_dialog.h"
#include "harness.h"
#include "link_fakes.h"
#include "options_dialog.h"
#include "resource.h"

namespace {

struct Found {
    const char* pszCaption;
    HWND hWnd;
};

BOOL CALLBACK MatchDialog(HWND hWnd, LPARAM lParam) {
    Found& found = *reinterpret_cast<Found*>(lParam);
    char szClass[16] = {};
    ::GetClassNameA(hWnd, szClass, sizeof szClass);
    if (std::strcmp(szClass, "#32770") == 0 && ::IsWindowVisible(hWnd) && WindowText(hWnd) == found.pszCaption) {
        found.hWnd = hWnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindDialog(const char* pszCaption) {
    Found found = {pszCaption, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), MatchDialog, reinterpret_cast<LPARAM>(&found));
    return found.hWnd;
}

// Sends the command to the main window and runs inspect once on the dialog it
// shows; inspect must see to it that the dialog ends, or it is ended after eight seconds.
void WhileShown(HWND hMain, UINT nCommand, const char* pszCaption, const std::function<void(HWND)>& inspect) {
    bool bShown = false, bTimedOut = false;
    UINT_PTR nInspect = StartTimer(20, [&] {
        HWND hDlg = FindDialog(pszCaption);
        if (!hDlg)
            return false;
        bShown = true;
        inspect(hDlg);
        return true;
    });
    UINT_PTR nWatchdog = StartTimer(8000, [&] {
        if (HWND hDlg = FindDialog(pszCaption)) {
            bTimedOut = true;
            ::EndDialog(hDlg, kTimedOut);
        }
        return true;
    });
    ::SendMessageA(hMain, WM_COMMAND, nCommand, 0);
    StopTimer(nInspect);
    StopTimer(nWatchdog);
    EXPECT_TRUE(bShown) << pszCaption << " did not show";
    EXPECT_FALSE(bTimedOut) << pszCaption << " was still open after eight seconds";
    EXPECT_EQ(FindDialog(pszCaption), nullptr) << pszCaption << " still open";
}

// Lets input and painting run for a while.
void Settle(int nMilliseconds) {
    for (int i = 0; i < nMilliseconds / 10; ++i) {
        PumpMessages();
        ::Sleep(10);
    }
}

bool IsTopMost(HWND hWnd) { return (::GetWindowLongA(hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

}  // namespace

TEST(AboutDialog, FromTheHelpMenuItDisablesTheMainWindowIgnoresTabAndClicksAndClosesOnEscape) {
    FakeLinkSystem fake;
    RunMainDialog([&](HWND hMain) {
        WhileShown(hMain, ID_HELP_ABOUT, "About Pakrill", [&](HWND hAbout) {
            EXPECT_EQ(::GetWindow(hAbout, GW_OWNER), hMain);
            EXPECT_FALSE(::IsWindowEnabled(hMain)) << "the main window takes input under the box";
            ::SetForegroundWindow(hAbout);
            Settle(100);
            HWND hFocus = ::GetFocus();
            PressKey(VK_TAB);
            Settle(200);
            EXPECT_EQ(::GetFocus(), hFocus) << "Tab moved the focus";

            HWND hLink = ::GetDlgItem(hAbout, IDC_LINK);
            int nClicked = 0;
            for (HWND hChild = ::GetWindow(hAbout, GW_CHILD); hChild; hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
                if (hChild == hLink)
                    continue;
                ClickAt(ScreenCentre(hChild));
                Settle(150);
                ++nClicked;
                EXPECT_TRUE(::IsWindowVisible(hAbout)) << "a click on \"" << WindowText(hChild) << "\" closed the box";
            }
            EXPECT_EQ(nClicked, 3) << "the picture and the two texts";
            EXPECT_TRUE(fake.m_calls.empty()) << "a click beside the link opened " << fake.m_calls[0].strFile;
            EXPECT_EQ(fake.m_nBeeps, 0);
            EXPECT_EQ(::GetFocus(), hFocus);
            PressKey(VK_ESCAPE);
        });
        EXPECT_TRUE(::IsWindowEnabled(hMain));
        ::PostMessageA(hMain, WM_CLOSE, 0, 0);
    });
}

TEST(AboutDialog, TextsFitTheirControlsAndThePictureIsShownWhole) {
    FakeLinkSystem fake;
    CAboutDialog dlg;
    RunModal(dlg, [](HWND hDlg) {
        HFONT hFont = reinterpret_cast<HFONT>(::SendMessageA(hDlg, WM_GETFONT, 0, 0));
        HDC hDC = ::GetDC(hDlg);
        HGDIOBJ hOld = ::SelectObject(hDC, hFont);
        int nTexts = 0;
        for (HWND hChild = ::GetWindow(hDlg, GW_CHILD); hChild; hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
            RECT rcClient;
            ::GetClientRect(hChild, &rcClient);
            if (::GetWindowLongA(hChild, GWL_STYLE) & SS_BITMAP) {
                EXPECT_EQ(rcClient.right, 224);
                EXPECT_EQ(rcClient.bottom, 76);
                continue;
            }
            std::string strText = WindowText(hChild);
            RECT rcText = {};
            ::DrawTextA(hDC, strText.c_str(), -1, &rcText, DT_CALCRECT | DT_SINGLELINE);
            EXPECT_LE(rcText.right, rcClient.right) << "\"" << strText << "\" is wider than its control";
            EXPECT_LE(rcText.bottom, rcClient.bottom) << "\"" << strText << "\" is taller than its control";
            ++nTexts;
        }
        EXPECT_EQ(nTexts, 3);
        ::SelectObject(hDC, hOld);
        ::ReleaseDC(hDlg, hDC);

        std::string strLink = WindowText(::GetDlgItem(hDlg, IDC_LINK));
        EXPECT_EQ(strLink.rfind("https://", 0), 0u) << strLink << " is not a web address with a scheme";
        ::EndDialog(hDlg, IDCANCEL);
    });
}

TEST(OptionsDialog, OpensUntickedEachTimeAndOkChangesNothing) {
    for (bool bOnTop : {false, true}) {
        RunMainDialog([&](HWND hMain) {
            HMENU hMenu = ::GetMenu(hMain);
            if (bOnTop)
                ::SendMessageA(hMain, WM_COMMAND, ID_ALWAYS_ON_TOP, 0);
            for (int nOpening = 1; nOpening <= 2; ++nOpening) {
                std::string strCase = std::string(bOnTop ? "on top" : "not on top") + ", opening " +
                                      std::to_string(nOpening);
                WhileShown(hMain, ID_OPTIONS, "Options", [&](HWND hOptions) {
                    EXPECT_EQ(::GetWindow(hOptions, GW_OWNER), hMain) << strCase;
                    EXPECT_FALSE(::IsWindowEnabled(hMain)) << strCase;
                    HWND hCheck = ::GetDlgItem(hOptions, IDC_ALWAYS_ON_TOP);
                    HWND hOk = ::GetDlgItem(hOptions, IDOK);
                    EXPECT_EQ(::SendMessageA(hCheck, BM_GETCHECK, 0, 0), BST_UNCHECKED) << strCase;
                    EXPECT_EQ(::GetFocus(), hOk) << strCase;
                    EXPECT_EQ(LOWORD(::SendMessageA(hOptions, DM_GETDEFID, 0, 0)), IDOK) << strCase;
                    ::SendMessageA(hCheck, BM_CLICK, 0, 0);
                    EXPECT_EQ(::SendMessageA(hCheck, BM_GETCHECK, 0, 0), BST_CHECKED) << strCase;
                    ::SendMessageA(hOk, BM_CLICK, 0, 0);
                });
                EXPECT_EQ(IsTopMost(hMain), bOnTop) << strCase;
                EXPECT_EQ((::GetMenuState(hMenu, ID_ALWAYS_ON_TOP, MF_BYCOMMAND) & MF_CHECKED) != 0, bOnTop) << strCase;
                EXPECT_TRUE(::GetMenuState(hMenu, ID_OPTIONS, MF_BYCOMMAND) & MF_GRAYED) << strCase;
                EXPECT_TRUE(::IsWindowEnabled(hMain)) << strCase;
            }
            ::PostMessageA(hMain, WM_CLOSE, 0, 0);
        });
    }
}

TEST(SecondaryWindows, RuntimeClassesCarryTheirNamesAndBases) {
    CAboutDialog about;
    COptionsDialog options;
    CStaticLink link;
    const struct {
        const CWnd* pWnd;
        const char* pszName;
        const CRuntimeClass* pBase;
        const char* pszBaseName;
    } classes[] = {
        {&about, "CAboutDialog", &CDialog::s_runtimeClass, "CDialog"},
        {&options, "COptionsDialog", &CDialog::s_runtimeClass, "CDialog"},
        {&link, "CStaticLink", &CStatic::s_runtimeClass, "CStatic"},
    };
    for (const auto& c : classes) {
        const CRuntimeClass* pClass = c.pWnd->GetRuntimeClass();
        EXPECT_STREQ(pClass->m_lpszClassName, c.pszName);
        EXPECT_EQ(pClass->m_pBaseClass, c.pBase) << c.pszName;
        EXPECT_STREQ(pClass->m_pBaseClass->m_lpszClassName, c.pszBaseName) << c.pszName;
        EXPECT_TRUE(c.pWnd->IsKindOf(&CWnd::s_runtimeClass)) << c.pszName;
    }
    EXPECT_FALSE(options.IsKindOf(&CAboutDialog::s_runtimeClass));
    EXPECT_FALSE(link.IsKindOf(&CDialog::s_runtimeClass));
}
