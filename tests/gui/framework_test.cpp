#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>

#include <ole2.h>

#include "controls.h"
#include "exceptions.h"
#include "harness.h"
#include "main_dialog.h"
#include "resource.h"

namespace {

constexpr UINT kRaiseCommand = 40001;
constexpr UINT kPing = WM_APP + 1;

// A dialog on the main template whose handlers raise what the test asks for.
class CProbeDialog : public CDialog {
public:
    CProbeDialog() : CDialog(IDD_MAIN) {}

    std::function<void()> m_raise;
    int m_nPaintsToFail = 0;
    int m_nPaints = 0;
    int m_nCancels = 0;

protected:
    const MessageMap* GetMessageMap() const override { return &s_messageMap; }

    void OnRaise() { m_raise(); }
    void OnPaint() {
        ++m_nPaints;
        if (m_nPaintsToFail > 0) {
            --m_nPaintsToFail;
            throw std::runtime_error("cannot paint");
        }
        Default();
    }
    void OnCancelProbe() {
        ++m_nCancels;
        CDialog::OnCancel();
    }

    static const MessageEntry s_messageEntries[];
    static const MessageMap s_messageMap;
};

const MessageEntry CProbeDialog::s_messageEntries[] = {
    msg::Command<&CProbeDialog::OnRaise>(kRaiseCommand),
    msg::Paint<&CProbeDialog::OnPaint>(),
    msg::Command<&CProbeDialog::OnCancelProbe>(IDCANCEL),
};
const MessageMap CProbeDialog::s_messageMap = {&CDialog::s_messageMap, s_messageEntries, std::size(s_messageEntries)};

// Binds the main template's two controls.
class CBindingDialog : public CDialog {
public:
    explicit CBindingDialog(int nListId = IDC_FILE_LIST) : CDialog(IDD_MAIN), m_nListId(nListId) {}
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Control(pDX, m_nListId, m_list);
        DDX_Control(pDX, IDCLOSE, m_button);
    }
    int m_nListId;
    CListCtrl m_list;
    CButton m_button;
};

// Counts kPing messages in a counter that outlives it.
class CPingCounter : public CWnd {
public:
    explicit CPingCounter(int& rCount) : m_rCount(rCount) {}

protected:
    const MessageMap* GetMessageMap() const override { return &s_messageMap; }
    LRESULT OnPing(WPARAM, LPARAM) { return ++m_rCount; }
    int& m_rCount;
    static const MessageEntry s_messageEntries[];
    static const MessageMap s_messageMap;
};

const MessageEntry CPingCounter::s_messageEntries[] = {msg::Message<&CPingCounter::OnPing>(kPing)};
const MessageMap CPingCounter::s_messageMap = {&CWnd::s_messageMap, s_messageEntries, std::size(s_messageEntries)};

class CNamedDialog : public CDialog {
public:
    static const CRuntimeClass s_runtimeClass;
    CNamedDialog() : CDialog(IDD_MAIN) {}
    const CRuntimeClass* GetRuntimeClass() const override { return &s_runtimeClass; }
};
const CRuntimeClass CNamedDialog::s_runtimeClass = {"CNamedDialog", &CDialog::s_runtimeClass};

}  // namespace

TEST(ExceptionGuard, ShowsOneBoxWithTheTextAndTheDialogGoesOn) {
    const struct {
        const char* pszName;
        std::function<void()> raise;
        const char* pszText;
        UINT nType;
    } cases[] = {
        {"file error",
         [] { throw CFileException(CFileException::fileNotFound, ERROR_FILE_NOT_FOUND, "C:\\gone.sis"); },
         "C:\\gone.sis was not found.", MB_ICONSTOP},
        {"out of memory", [] { throw CMemoryException(); }, "Out of memory.", MB_ICONEXCLAMATION | MB_SYSTEMMODAL},
        {"standard exception", [] { throw std::runtime_error("disk on fire"); }, "disk on fire", MB_ICONSTOP},
        {"anything else", [] { throw 42; }, "An unexpected error occurred.", MB_ICONSTOP},
    };
    CProbeDialog dlg;
    INT_PTR nResult = RunModal(dlg, [&](HWND hDlg) {
        for (const auto& c : cases) {
            TestApp().m_boxes.clear();
            dlg.m_raise = c.raise;
            auto shown = CloseBoxesDuring([&] { ::SendMessageA(hDlg, WM_COMMAND, kRaiseCommand, 0); });
            ASSERT_EQ(shown.size(), 1u) << c.pszName;
            EXPECT_EQ(shown[0].strCaption, "gui_tests") << c.pszName;
            EXPECT_EQ(shown[0].strText, c.pszText) << c.pszName;
            ASSERT_EQ(TestApp().m_boxes.size(), 1u) << c.pszName;
            EXPECT_EQ(TestApp().m_boxes[0].nType & (MB_ICONMASK | MB_MODEMASK), c.nType) << c.pszName;
            EXPECT_TRUE(::IsWindowEnabled(hDlg)) << c.pszName;
        }
        ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(nResult, IDCANCEL);
    EXPECT_EQ(dlg.m_nCancels, 1);
}

TEST(ExceptionGuard, FailedPaintLeavesNothingToRepaint) {
    CProbeDialog dlg;
    TestApp().m_bShowBoxes = false;
    TestApp().m_boxes.clear();
    RunModal(dlg, [&](HWND hDlg) {
        dlg.m_nPaintsToFail = 1;
        int nBefore = dlg.m_nPaints;
        ::InvalidateRect(hDlg, nullptr, TRUE);
        ::UpdateWindow(hDlg);
        // Left invalid, a window whose painting keeps failing is painted again and again.
        EXPECT_FALSE(::GetUpdateRect(hDlg, nullptr, FALSE));
        PumpMessages();
        EXPECT_EQ(dlg.m_nPaints, nBefore + 1);
        ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
    });
    TestApp().m_bShowBoxes = true;
    ASSERT_EQ(TestApp().m_boxes.size(), 1u);
    EXPECT_EQ(TestApp().m_boxes[0].strText, "cannot paint");
}

TEST(MessageMap, DerivedEntriesComeFirstAndTheBaseMapStillAnswers) {
    const struct {
        const char* pszName;
        UINT nCommand;
        INT_PTR nResult;
        int nCancels;
    } cases[] = {
        {"IDCANCEL, mapped by the derived class", IDCANCEL, IDCANCEL, 1},
        {"IDOK, mapped by CDialog only", IDOK, IDOK, 0},
    };
    for (const auto& c : cases) {
        CProbeDialog dlg;
        INT_PTR nResult = RunModal(dlg, [&](HWND hDlg) { ::PostMessageA(hDlg, WM_COMMAND, c.nCommand, 0); });
        EXPECT_EQ(nResult, c.nResult) << c.pszName;
        EXPECT_EQ(dlg.m_nCancels, c.nCancels) << c.pszName;
    }
}

TEST(DoModal, FailsWithMinusOneWhenTheDialogCannotBeMade) {
    CDialog missing(9999);
    CBindingDialog unbindable(4242);
    const struct {
        const char* pszName;
        CDialog& dlg;
    } cases[] = {{"missing template", missing}, {"control not in the template", unbindable}};
    for (const auto& c : cases)
        EXPECT_EQ(RunModal(c.dlg, [](HWND) { ADD_FAILURE() << "the dialog was shown"; }), -1) << c.pszName;
}

TEST(DoModal, ParentlessDialogIsOwnedByTheMainWindowWhichWaitsDisabled) {
    CMainDialog mainDlg;
    TestApp().m_pMainWnd = &mainDlg;
    HWND hMain = nullptr, hOwner = nullptr;
    BOOL bEnabledDuring = TRUE, bEnabledAfter = FALSE;
    RECT rcMain = {}, rcInner = {};
    RunModal(mainDlg, [&](HWND hDlg) {
        hMain = hDlg;
        ::GetWindowRect(hDlg, &rcMain);
        CDialog inner(IDD_MAIN);
        RunModal(inner, [&](HWND hInner) {
            hOwner = ::GetWindow(hInner, GW_OWNER);
            bEnabledDuring = ::IsWindowEnabled(hDlg);
            ::GetWindowRect(hInner, &rcInner);
            ::PostMessageA(hInner, WM_CLOSE, 0, 0);
        });
        bEnabledAfter = ::IsWindowEnabled(hDlg);
        ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(hOwner, hMain);
    EXPECT_FALSE(bEnabledDuring);
    EXPECT_TRUE(bEnabledAfter);
    EXPECT_NEAR(rcInner.left + rcInner.right, rcMain.left + rcMain.right, 1) << "not centred over its owner";
    EXPECT_NEAR(rcInner.top + rcInner.bottom, rcMain.top + rcMain.bottom, 1) << "not centred over its owner";
    EXPECT_EQ(TestApp().m_pMainWnd, nullptr);
}

TEST(DDX_Control, BindsOnceLeavesUserDataAloneAndLetsGoWithTheWindow) {
    CBindingDialog dlg;
    RunModal(dlg, [&](HWND hDlg) {
        HWND hList = ::GetDlgItem(hDlg, IDC_FILE_LIST);
        EXPECT_EQ(dlg.m_list.m_hWnd, hList);
        EXPECT_EQ(dlg.m_button.m_hWnd, ::GetDlgItem(hDlg, IDCLOSE));
        EXPECT_EQ(::GetWindowLongPtrA(hList, GWLP_USERDATA), 0);
        EXPECT_TRUE(dlg.UpdateData(FALSE));
        EXPECT_EQ(dlg.m_list.m_hWnd, hList) << "a later exchange changed the binding";
        // Through the bound wrapper, the list's own rows.
        EXPECT_EQ(dlg.m_list.InsertItem(0, "second"), 0);
        EXPECT_EQ(dlg.m_list.InsertItem(0, "first"), 0);
        dlg.m_list.SetItemText(1, 0, "renamed");
        EXPECT_EQ(dlg.m_list.GetItemCount(), 2);
        EXPECT_STREQ(dlg.m_list.GetItemText(0, 0), "first");
        EXPECT_STREQ(dlg.m_list.GetItemText(1, 0), "renamed");
        ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_list.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_button.m_hWnd, nullptr);
}

TEST(SubclassWindow, WrapperDestroyedFirstLetsGoOfTheWindow) {
    HWND hWnd = ::CreateWindowExA(0, "BUTTON", "probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hWnd, nullptr);
    ::SetWindowLongPtrA(hWnd, GWLP_USERDATA, 1234);
    int nPings = 0;
    auto* pWrapper = new CPingCounter(nPings);
    ASSERT_TRUE(pWrapper->SubclassWindow(hWnd));
    EXPECT_FALSE(pWrapper->SubclassWindow(hWnd)) << "bound twice";
    ::SendMessageA(hWnd, kPing, 0, 0);
    EXPECT_EQ(nPings, 1);
    delete pWrapper;
    ::SendMessageA(hWnd, kPing, 0, 0);
    EXPECT_EQ(nPings, 1);
    EXPECT_EQ(::GetWindowLongPtrA(hWnd, GWLP_USERDATA), 1234);
    ::DestroyWindow(hWnd);
}

TEST(RuntimeClass, NamesTheClassAndKnowsItsBases) {
    CNamedDialog named;
    CDialog plain(IDD_MAIN);
    CListCtrl list;
    const struct {
        const CWnd& wnd;
        const CRuntimeClass* pClass;
        bool bKind;
    } cases[] = {
        {named, &CNamedDialog::s_runtimeClass, true}, {named, &CDialog::s_runtimeClass, true},
        {named, &CWnd::s_runtimeClass, true},         {plain, &CNamedDialog::s_runtimeClass, false},
        {list, &CDialog::s_runtimeClass, false},      {list, &CWnd::s_runtimeClass, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.wnd.IsKindOf(c.pClass), c.bKind)
            << c.wnd.GetRuntimeClass()->m_lpszClassName << " of " << c.pClass->m_lpszClassName;
    EXPECT_STREQ(named.GetRuntimeClass()->m_lpszClassName, "CNamedDialog");
}

TEST(EntryPoint, RunsInitInstanceThenExitInstanceAndUndoesOle) {
    CTestApp& app = TestApp();
    bool bOleDuring = false;
    app.m_onInitInstance = [&] {
        CMainDialog dlg;
        app.m_pMainWnd = &dlg;
        AfxOleInit();
        RunModal(dlg, [&](HWND hDlg) {
            // Initialised already: a second initialisation only counts up.
            HRESULT hr = ::OleInitialize(nullptr);
            bOleDuring = hr == S_FALSE;
            if (SUCCEEDED(hr))
                ::OleUninitialize();
            ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
        });
        return FALSE;
    };
    int nExits = app.m_nExitInstanceCalls;
    EXPECT_EQ(AfxWinMain(), 0);
    app.m_onInitInstance = nullptr;
    EXPECT_TRUE(bOleDuring);
    EXPECT_EQ(app.m_nExitInstanceCalls, nExits + 1);
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    HRESULT hr = ::OleInitialize(nullptr);
    EXPECT_EQ(hr, S_OK) << "OLE was left initialised";
    if (SUCCEEDED(hr))
        ::OleUninitialize();
}
