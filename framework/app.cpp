#include "app.h"

#include <exception>
#include <vector>

#include <ole2.h>

#include "exceptions.h"
#include "message_box.h"

namespace {
CWinApp* s_pApp = nullptr;
int s_nOleInits = 0;

CString ExecutableBaseName() {
    // In UTF-8 a path of MAX_PATH characters can take several times as many bytes.
    std::vector<char> path(MAX_PATH);
    while (::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size())) >= path.size() &&
           path.size() < 32768 * 4)
        path.resize(path.size() * 2);
    CString strPath(path.data());
    int nStart = strPath.ReverseFind('\\') + 1;
    CString strName = strPath.Mid(nStart);
    int nDot = strName.ReverseFind('.');
    return nDot > 0 ? strName.Mid(0, nDot) : strName;
}
}  // namespace

CWinApp::CWinApp(const char* pszAppName)
    : m_strAppName(pszAppName ? CString(pszAppName) : ExecutableBaseName()) {
    s_pApp = this;
}

CWinApp::~CWinApp() {
    if (s_pApp == this)
        s_pApp = nullptr;
}

int CWinApp::ShowMessageBox(HWND hWndOwner, const char* pszText, UINT nType) {
    return ShowFittedMessageBox(hWndOwner, pszText, m_strAppName, nType);
}

CWinApp* AfxGetApp() noexcept { return s_pApp; }

void ReportCaughtException(HWND hWndOwner) {
    CString strText = "An unexpected error occurred.";
    UINT nType = MB_ICONSTOP;
    try {
        throw;
    } catch (const CMemoryException& e) {
        strText = e.GetErrorMessage();
        nType = MB_ICONEXCLAMATION | MB_SYSTEMMODAL;
    } catch (const CException& e) {
        strText = e.GetErrorMessage();
    } catch (const std::exception& e) {
        strText = e.what();
    } catch (...) {
    }
    if (s_pApp)
        s_pApp->ShowMessageBox(hWndOwner, strText, nType);
    else
        ShowFittedMessageBox(hWndOwner, strText, nullptr, nType);
}

HINSTANCE AfxGetInstanceHandle() noexcept { return ::GetModuleHandleA(nullptr); }

BOOL AfxOleInit() {
    if (FAILED(::OleInitialize(nullptr)))
        return FALSE;
    ++s_nOleInits;
    return TRUE;
}

int AfxWinMain() {
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return -1;
    // Only the dialog-based life is supported: InitInstance runs the program and
    // returns FALSE, so there is no message loop of the application's own.
    pApp->InitInstance();
    if (pApp->m_pMainWnd && pApp->m_pMainWnd->m_hWnd)
        ::DestroyWindow(pApp->m_pMainWnd->m_hWnd);
    int nExitCode = pApp->ExitInstance();
    for (; s_nOleInits > 0; --s_nOleInits)
        ::OleUninitialize();
    return nExitCode;
}
