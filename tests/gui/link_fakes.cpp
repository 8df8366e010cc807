#include "link_fakes.h"

#include <cassert>

namespace {
FakeLinkSystem* s_pCurrent = nullptr;

HINSTANCE WINAPI FakeShellExecuteA(HWND hWnd, LPCSTR pszVerb, LPCSTR pszFile, LPCSTR pszParameters,
                                   LPCSTR pszDirectory, INT nShow) {
    FakeLinkSystem& fake = FakeLinkSystem::Current();
    FakeLinkSystem::ShellCall call;
    call.strFile = pszFile ? pszFile : "(null)";
    call.strVerb = pszVerb ? pszVerb : "(null)";
    call.bPlain = !hWnd && !pszParameters && !pszDirectory && nShow == SW_SHOWNORMAL;
    if (fake.m_pWatched)
        call.strStored = fake.m_pWatched->m_strTarget.GetString();
    fake.m_calls.push_back(call);
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(fake.m_accepted.count(call.strFile) ? 42 : 2));
}

BOOL WINAPI FakeMessageBeep(UINT) {
    ++FakeLinkSystem::Current().m_nBeeps;
    return TRUE;
}

HCURSOR WINAPI CountingLoadCursorA(HINSTANCE hInstance, LPCSTR pszName) {
    FakeLinkSystem& fake = FakeLinkSystem::Current();
    ++fake.m_nCursorLoads;
    return fake.m_bCursorLoadFails ? nullptr : ::LoadCursorA(hInstance, pszName);
}

HFONT WINAPI CountingCreateFontIndirectA(const LOGFONTA* pLogFont) {
    ++FakeLinkSystem::Current().m_nFontsMade;
    return ::CreateFontIndirectA(pLogFont);
}

void Send(std::vector<INPUT> inputs) {
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

INPUT Mouse(DWORD nFlags, POINT pt) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(pt.x, 65536, ::GetSystemMetrics(SM_CXSCREEN)) + 1;
    input.mi.dy = MulDiv(pt.y, 65536, ::GetSystemMetrics(SM_CYSCREEN)) + 1;
    input.mi.dwFlags = nFlags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    return input;
}
}  // namespace

FakeLinkSystem::FakeLinkSystem() : m_saved(g_linkSystemCalls) {
    assert(!s_pCurrent);
    s_pCurrent = this;
    g_linkSystemCalls = {FakeShellExecuteA, FakeMessageBeep, CountingLoadCursorA, CountingCreateFontIndirectA};
}

FakeLinkSystem::~FakeLinkSystem() {
    g_linkSystemCalls = m_saved;
    s_pCurrent = nullptr;
}

FakeLinkSystem& FakeLinkSystem::Current() { return *s_pCurrent; }

void ClickAt(POINT pt) { Send({Mouse(0, pt), Mouse(MOUSEEVENTF_LEFTDOWN, pt), Mouse(MOUSEEVENTF_LEFTUP, pt)}); }

void DragAndRelease(POINT ptFrom, POINT ptTo) {
    Send({Mouse(0, ptFrom), Mouse(MOUSEEVENTF_LEFTDOWN, ptFrom), Mouse(0, ptTo), Mouse(MOUSEEVENTF_LEFTUP, ptTo)});
}

void PressKey(WORD nKey) {
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = nKey;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, inputs, sizeof(INPUT));
}

POINT ScreenCentre(HWND hWnd) {
    RECT rc;
    ::GetWindowRect(hWnd, &rc);
    return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}
