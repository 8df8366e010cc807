#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "about_dialog.h"
#include "harness.h"
#include "link_fakes.h"
#include "link_test_ids.h"
#include "resource.h"

namespace {

const char kStored[] = "https://stored.test/";
const char kString[] = "https://string.test/";  // the string resource of IDC_TEST_LINK_WITH_STRING
const char kText[] = "https://text.test/";

// Every link under test lives in a real About box: its own link, or a static
// added below it, with the dialog's font, so the box's colouring reaches it.
HWND AddStatic(HWND hDlg, int nId, const char* pszText, DWORD nStyle) {
    RECT rc = {10, 113, 160, 121};
    ::MapDialogRect(hDlg, &rc);
    HWND hStatic = ::CreateWindowExA(0, "STATIC", pszText, WS_CHILD | WS_VISIBLE | nStyle, rc.left, rc.top,
                                     rc.right - rc.left, rc.bottom - rc.top, hDlg,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(nId)), ::GetModuleHandleA(nullptr),
                                     nullptr);
    ::SendMessageA(hStatic, WM_SETFONT, ::SendMessageA(hDlg, WM_GETFONT, 0, 0), FALSE);
    return hStatic;
}

// Pumps messages until done() holds, for at most three seconds.
bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 300; ++i) {
        PumpMessages();
        if (done())
            return true;
        ::Sleep(10);
    }
    return done();
}

// What a static shows once it has painted itself again.
struct Painted {
    int nBlue = 0;
    int nPurple = 0;
    int nLongestRun[2] = {};  // the longest horizontal run of blue, then of purple, pixels
    int nTextWidth = 0;

    bool Underlined(int nColour) const { return nLongestRun[nColour] >= nTextWidth * 8 / 10; }
};

Painted Paint(HWND hStatic) {
    ::RedrawWindow(hStatic, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Painted painted;
    RECT rc;
    ::GetClientRect(hStatic, &rc);
    HDC hDC = ::GetDC(hStatic);
    const COLORREF colours[2] = {CStaticLink::s_crUnvisited, CStaticLink::s_crVisited};
    for (int y = 0; y < rc.bottom; ++y) {
        int nRun[2] = {};
        for (int x = 0; x < rc.right; ++x) {
            COLORREF cr = ::GetPixel(hDC, x, y);
            for (int c = 0; c < 2; ++c) {
                nRun[c] = cr == colours[c] ? nRun[c] + 1 : 0;
                painted.nLongestRun[c] = std::max(painted.nLongestRun[c], nRun[c]);
            }
            painted.nBlue += cr == colours[0];
            painted.nPurple += cr == colours[1];
        }
    }
    std::string strText = WindowText(hStatic);
    HGDIOBJ hOld = ::SelectObject(hDC, reinterpret_cast<HFONT>(::SendMessageA(hStatic, WM_GETFONT, 0, 0)));
    SIZE size = {};
    ::GetTextExtentPoint32A(hDC, strText.c_str(), static_cast<int>(strText.size()), &size);
    ::SelectObject(hDC, hOld);
    ::ReleaseDC(hStatic, hDC);
    painted.nTextWidth = size.cx;
    return painted;
}

class StaticLink : public ::testing::Test {
protected:
    FakeLinkSystem m_fake;
};

}  // namespace

TEST_F(StaticLink, ActivationTriesTheStoredTargetThenTheStringResourceThenTheWindowText) {
    using Calls = std::vector<std::pair<std::string, std::string>>;  // what was opened, what was stored meanwhile
    const struct {
        const char* pszName;
        const char* pszTarget;
        int nId;
        const char* pszText;
        std::set<std::string> accepted;
        Calls calls;
        bool bOpened;
        std::string strStoredAfter;
    } cases[] = {
        {"stored target accepted", kStored, IDC_TEST_LINK_WITH_STRING, kText, {kStored}, {{kStored, kStored}}, true,
         kStored},
        {"stored target refused, window text accepted", kStored, IDC_TEST_LINK, kText, {kText},
         {{kStored, kStored}, {kText, kText}}, true, kText},
        {"no target, string accepted", nullptr, IDC_TEST_LINK_WITH_STRING, kText, {kString}, {{kString, kString}},
         true, kString},
        {"stored target and string refused, window text accepted", kStored, IDC_TEST_LINK_WITH_STRING, kText, {kText},
         {{kStored, kStored}, {kString, kString}, {kText, kText}}, true, kText},
        {"no target, string and window text refused", nullptr, IDC_TEST_LINK_WITH_STRING, kText, {},
         {{kString, kString}, {kText, kText}}, false, kText},
        {"no target, no string, window text accepted", nullptr, IDC_TEST_LINK, kText, {kText}, {{kText, kText}}, true,
         kText},
        {"everything empty", nullptr, IDC_TEST_LINK, "", {}, {}, false, ""},
    };
    CAboutDialog dlg;
    RunModal(dlg, [&](HWND hDlg) {
        for (const auto& c : cases) {
            HWND hStatic = AddStatic(hDlg, c.nId, c.pszText, SS_LEFT | SS_NOTIFY);
            CStaticLink link(c.pszTarget, FALSE);
            ASSERT_TRUE(link.SubclassWindow(hStatic)) << c.pszName;
            m_fake.m_accepted = c.accepted;
            m_fake.m_pWatched = &link;
            m_fake.m_calls.clear();
            m_fake.m_nBeeps = 0;
            ::SendMessageA(hStatic, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
            Calls calls;
            for (const auto& call : m_fake.m_calls) {
                calls.emplace_back(call.strFile, call.strStored);
                EXPECT_EQ(call.strVerb, "open") << c.pszName;
                EXPECT_TRUE(call.bPlain) << c.pszName << ": an owner, parameters, a directory or another show state";
            }
            EXPECT_EQ(calls, c.calls) << c.pszName;
            EXPECT_EQ(link.m_strTarget.GetString(), c.strStoredAfter) << c.pszName;
            EXPECT_EQ(m_fake.m_nBeeps, c.bOpened ? 0 : 1) << c.pszName;
            EXPECT_EQ(link.m_crText, c.bOpened ? CStaticLink::s_crVisited : CStaticLink::s_crUnvisited) << c.pszName;
            m_fake.m_pWatched = nullptr;
            ::DestroyWindow(hStatic);
        }
        ::EndDialog(hDlg, IDCANCEL);
    });
}

TEST_F(StaticLink, AboutLinkIsBlueAndUnderlinedTurnsPurpleWhenOpenedAndIsBlueInTheNextBox) {
    for (int nBox = 0; nBox < 2; ++nBox) {
        CAboutDialog dlg;
        RunModal(dlg, [&](HWND hDlg) {
            HWND hLink = ::GetDlgItem(hDlg, IDC_LINK);
            m_fake.m_accepted = {WindowText(hLink)};
            m_fake.m_calls.clear();
            Painted before = Paint(hLink);
            EXPECT_GT(before.nBlue, 0) << "box " << nBox;
            EXPECT_EQ(before.nPurple, 0) << "box " << nBox;
            EXPECT_TRUE(before.Underlined(0)) << "box " << nBox << ": longest blue run " << before.nLongestRun[0]
                                              << " of a text " << before.nTextWidth << " pixels wide";

            ::SetForegroundWindow(hDlg);
            ClickAt(ScreenCentre(hLink));
            ASSERT_TRUE(WaitFor([&] { return !m_fake.m_calls.empty(); })) << "box " << nBox << ": the click opened nothing";
            EXPECT_EQ(m_fake.m_calls[0].strFile, WindowText(hLink));
            Painted after = Paint(hLink);
            EXPECT_EQ(after.nBlue, 0) << "box " << nBox;
            EXPECT_GT(after.nPurple, 0) << "box " << nBox;
            EXPECT_TRUE(after.Underlined(1)) << "box " << nBox;
            EXPECT_TRUE(::IsWindowVisible(hDlg)) << "opening the link closed the box";
            ::EndDialog(hDlg, IDCANCEL);
        });
        EXPECT_EQ(m_fake.m_calls.size(), 1u) << "box " << nBox;
    }
}

TEST_F(StaticLink, NoPrefixLinkIsLeftToTheDialogsColouringButStillOpens) {
    CAboutDialog dlg;
    RunModal(dlg, [&](HWND hDlg) {
        HWND hStatic = AddStatic(hDlg, IDC_TEST_LINK, kText, SS_LEFT | SS_NOPREFIX | SS_NOTIFY);
        CStaticLink link(nullptr, FALSE);
        ASSERT_TRUE(link.SubclassWindow(hStatic));
        m_fake.m_accepted = {kText};

        // The dialog colours it as it colours a static that is not bound: the version text.
        HWND hVersion = ::GetWindow(::GetDlgItem(hDlg, IDC_LINK), GW_HWNDPREV);
        while (hVersion && WindowText(hVersion) != "version 1.03")
            hVersion = ::GetWindow(hVersion, GW_HWNDPREV);
        ASSERT_NE(hVersion, nullptr);
        HDC hDC = ::GetDC(hStatic);
        LRESULT hUsual = ::SendMessageA(hDlg, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hDC),
                                        reinterpret_cast<LPARAM>(hVersion));
        LRESULT hBrush = ::SendMessageA(hDlg, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hDC),
                                        reinterpret_cast<LPARAM>(hStatic));
        EXPECT_NE(::GetTextColor(hDC), CStaticLink::s_crUnvisited);
        ::ReleaseDC(hStatic, hDC);
        EXPECT_NE(hUsual, 0);
        EXPECT_EQ(hBrush, hUsual);

        Painted before = Paint(hStatic);
        EXPECT_EQ(before.nBlue + before.nPurple, 0);
        EXPECT_EQ(link.m_fontUnderline.GetSafeHandle(), nullptr) << "an underlined font was made";
        EXPECT_TRUE(::SendMessageA(hStatic, WM_SETCURSOR, reinterpret_cast<WPARAM>(hStatic),
                                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)))
            << "no hand";
        ::SendMessageA(hStatic, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        ASSERT_EQ(m_fake.m_calls.size(), 1u);
        EXPECT_EQ(m_fake.m_calls[0].strFile, kText);
        Painted after = Paint(hStatic);
        EXPECT_EQ(after.nBlue + after.nPurple, 0);
        ::EndDialog(hDlg, IDCANCEL);
    });
}

TEST_F(StaticLink, SpaceOpensOtherCharactersAndEnterDoNotAndAReleaseAfterAPressElsewhereOpens) {
    CAboutDialog dlg;
    size_t nCallsBeforeEnter = 0;
    INT_PTR nResult = RunModal(dlg, [&](HWND hDlg) {
        HWND hStatic = AddStatic(hDlg, IDC_TEST_LINK, kText, SS_LEFT | SS_NOTIFY);
        // Goes with its window, when the box ends.
        ASSERT_TRUE((new CStaticLink(nullptr, TRUE))->SubclassWindow(hStatic));
        m_fake.m_accepted = {kText};
        EXPECT_EQ(::SendMessageA(hStatic, WM_GETDLGCODE, 0, 0), DLGC_WANTCHARS);
        const struct {
            WPARAM nChar;
            size_t nCalls;
        } chars[] = {{' ', 1}, {'\r', 0}, {'\n', 0}, {'a', 0}, {'\t', 0}, {' ', 1}};
        for (const auto& c : chars) {
            m_fake.m_calls.clear();
            ::SendMessageA(hStatic, WM_CHAR, c.nChar, 1);
            EXPECT_EQ(m_fake.m_calls.size(), c.nCalls) << "character " << c.nChar;
        }

        // Through the dialog manager, from real key presses.
        ::SetForegroundWindow(hDlg);
        ::SetFocus(hStatic);
        m_fake.m_calls.clear();
        PressKey(VK_SPACE);
        EXPECT_TRUE(WaitFor([&] { return m_fake.m_calls.size() == 1; })) << "a real space opened nothing";

        // The picture has no SS_NOTIFY, so the press goes to the box; the release over the link opens it.
        HWND hPicture = ::GetWindow(hDlg, GW_CHILD);
        while (hPicture && !(::GetWindowLongA(hPicture, GWL_STYLE) & SS_BITMAP))
            hPicture = ::GetWindow(hPicture, GW_HWNDNEXT);
        ASSERT_NE(hPicture, nullptr);
        m_fake.m_calls.clear();
        DragAndRelease(ScreenCentre(hPicture), ScreenCentre(hStatic));
        EXPECT_TRUE(WaitFor([&] { return m_fake.m_calls.size() == 1; })) << "the release over the link opened nothing";

        // Enter is the dialog's: it ends the box with IDOK and opens nothing.
        ::SetFocus(hStatic);
        nCallsBeforeEnter = m_fake.m_calls.size();
        PressKey(VK_RETURN);
    });
    EXPECT_EQ(nResult, IDOK) << "Enter did not reach the dialog";
    EXPECT_EQ(m_fake.m_calls.size(), nCallsBeforeEnter) << "Enter opened the link";
}

TEST_F(StaticLink, UnderlinedFontIsMadeOncePerLinkAndTheHandOncePerProcess) {
    CAboutDialog dlg;
    RunModal(dlg, [&](HWND hDlg) {
        HWND hStatics[2] = {AddStatic(hDlg, IDC_TEST_LINK, kText, SS_LEFT), AddStatic(hDlg, IDC_TEST_LINK_OTHER, kText, SS_CENTER)};
        CStaticLink links[2];
        for (int i = 0; i < 2; ++i)
            ASSERT_TRUE(links[i].SubclassWindow(hStatics[i]));
        HFONT hDialogFont = reinterpret_cast<HFONT>(::SendMessageA(hDlg, WM_GETFONT, 0, 0));
        LOGFONTA dialogFont = {};
        ::GetObjectA(hDialogFont, sizeof dialogFont, &dialogFont);

        int nFontsBefore = m_fake.m_nFontsMade;
        HFONT hMade[2] = {};
        for (int nRound = 0; nRound < 3; ++nRound) {
            for (int i = 0; i < 2; ++i) {
                Paint(hStatics[i]);
                if (nRound == 0)
                    hMade[i] = links[i].m_fontUnderline.GetSafeHandle();
                EXPECT_EQ(links[i].m_fontUnderline.GetSafeHandle(), hMade[i]) << "link " << i << ", round " << nRound;
            }
            Paint(::GetDlgItem(hDlg, IDC_LINK));
        }
        EXPECT_EQ(m_fake.m_nFontsMade - nFontsBefore, 2);
        for (int i = 0; i < 2; ++i) {
            LOGFONTA made = {};
            ASSERT_NE(hMade[i], nullptr);
            ::GetObjectA(hMade[i], sizeof made, &made);
            EXPECT_EQ(made.lfUnderline, 1) << "link " << i;
            EXPECT_STREQ(made.lfFaceName, dialogFont.lfFaceName) << "link " << i;
            EXPECT_EQ(made.lfHeight, dialogFont.lfHeight) << "link " << i;
        }

        // As in a fresh process: a failed load is tried again, a loaded hand is kept.
        CStaticLink::s_hHandCursor = nullptr;
        m_fake.m_nCursorLoads = 0;
        m_fake.m_bCursorLoadFails = true;
        auto setCursor = [](HWND hWnd) {
            return ::SendMessageA(hWnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hWnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        };
        EXPECT_FALSE(setCursor(hStatics[0]));
        EXPECT_EQ(m_fake.m_nCursorLoads, 1);
        m_fake.m_bCursorLoadFails = false;
        for (HWND hWnd : {hStatics[0], hStatics[1], hStatics[0], ::GetDlgItem(hDlg, IDC_LINK), hStatics[1]})
            EXPECT_TRUE(setCursor(hWnd));
        EXPECT_EQ(m_fake.m_nCursorLoads, 2);
        HCURSOR hHand = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
        EXPECT_EQ(CStaticLink::s_hHandCursor, hHand);
        EXPECT_EQ(::GetCursor(), hHand);
        ::EndDialog(hDlg, IDCANCEL);
    });
}

TEST_F(StaticLink, SelfDeletingLinkGoesWithItsWindowAndAnotherStays) {
    class CWatchedLink : public CStaticLink {
    public:
        CWatchedLink(bool& rDeleted, BOOL bSelfDelete) : CStaticLink(nullptr, bSelfDelete), m_rDeleted(rDeleted) {}
        ~CWatchedLink() override { m_rDeleted = true; }
        bool& m_rDeleted;
    };
    CAboutDialog dlg;
    RunModal(dlg, [&](HWND hDlg) {
        bool bSelfDeleted = false, bKeptDeleted = false;
        HWND hSelf = AddStatic(hDlg, IDC_TEST_LINK, kText, SS_LEFT);
        ASSERT_TRUE((new CWatchedLink(bSelfDeleted, TRUE))->SubclassWindow(hSelf));
        Paint(hSelf);
        ::DestroyWindow(hSelf);
        EXPECT_TRUE(bSelfDeleted);

        HWND hKept = AddStatic(hDlg, IDC_TEST_LINK, kText, SS_LEFT);
        {
            CWatchedLink kept(bKeptDeleted, FALSE);
            ASSERT_TRUE(kept.SubclassWindow(hKept));
            ::DestroyWindow(hKept);
            EXPECT_FALSE(bKeptDeleted);
            EXPECT_EQ(kept.m_hWnd, nullptr);
        }
        EXPECT_TRUE(bKeptDeleted);
        ::EndDialog(hDlg, IDCANCEL);
    });
}

namespace {

// The parent's pixels in a rectangle of its client area.
std::vector<COLORREF> ParentPixels(HWND hParent, const RECT& rc) {
    std::vector<COLORREF> pixels;
    HDC hDC = ::GetDC(hParent);
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x)
            pixels.push_back(::GetPixel(hDC, x, y));
    ::ReleaseDC(hParent, hDC);
    return pixels;
}

}  // namespace

TEST_F(StaticLink, FocusFrameIsDrawnOnePixelOutsideTheTextOrTheWindowAndTakenAwayAgain) {
    CAboutDialog dlg;
    RunModal(dlg, [&](HWND hDlg) {
        for (DWORD nAlign : {static_cast<DWORD>(SS_LEFT), static_cast<DWORD>(SS_CENTER)}) {
            const char* pszCase = nAlign == SS_LEFT ? "left-aligned" : "centred";
            HWND hStatic = AddStatic(hDlg, IDC_TEST_LINK, kText, nAlign);
            HWND hOther = AddStatic(hDlg, IDC_TEST_LINK_OTHER, "", SS_LEFT);
            ::MoveWindow(hOther, 0, 0, 1, 1, FALSE);
            CStaticLink link;
            ASSERT_TRUE(link.SubclassWindow(hStatic));
            Paint(hStatic);

            // Where the frame belongs, in the box's client coordinates.
            RECT rcFrame;
            if (nAlign == SS_LEFT) {
                HDC hDC = ::GetDC(hStatic);
                HGDIOBJ hOld = ::SelectObject(hDC, reinterpret_cast<HFONT>(::SendMessageA(hDlg, WM_GETFONT, 0, 0)));
                ::SetRectEmpty(&rcFrame);
                ::DrawTextA(hDC, kText, -1, &rcFrame, DT_CALCRECT);
                ::SelectObject(hDC, hOld);
                ::ReleaseDC(hStatic, hDC);
                ::MapWindowPoints(hStatic, hDlg, reinterpret_cast<POINT*>(&rcFrame), 2);
            } else {
                rcFrame = ChildRect(hDlg, IDC_TEST_LINK);
            }
            ::InflateRect(&rcFrame, 1, 1);
            RECT rcAround = rcFrame;
            ::InflateRect(&rcAround, 3, 3);

            std::vector<COLORREF> before = ParentPixels(hDlg, rcAround);
            ::SetFocus(hStatic);
            std::vector<COLORREF> focused = ParentPixels(hDlg, rcAround);
            ::SetFocus(hOther);
            std::vector<COLORREF> after = ParentPixels(hDlg, rcAround);

            int nOnFrame = 0, nElsewhere = 0, nPerimeter = 0;
            size_t i = 0;
            for (int y = rcAround.top; y < rcAround.bottom; ++y)
                for (int x = rcAround.left; x < rcAround.right; ++x, ++i) {
                    bool bInside = x >= rcFrame.left && x < rcFrame.right && y >= rcFrame.top && y < rcFrame.bottom;
                    bool bEdge = bInside && (x == rcFrame.left || x == rcFrame.right - 1 || y == rcFrame.top ||
                                             y == rcFrame.bottom - 1);
                    nPerimeter += bEdge;
                    if (focused[i] != before[i])
                        (bEdge ? nOnFrame : nElsewhere) += 1;
                }
            EXPECT_GE(nOnFrame, nPerimeter / 3) << pszCase << ": too little of the frame was drawn";
            EXPECT_EQ(nElsewhere, 0) << pszCase << ": pixels off the frame changed";
            EXPECT_EQ(after, before) << pszCase << ": losing the focus did not take the frame away";
            ::DestroyWindow(hStatic);
            ::DestroyWindow(hOther);
        }
        ::EndDialog(hDlg, IDCANCEL);
    });
}
