#pragma once
#include "cstring.h"
#include "wnd.h"

// The one application object. Its constructor makes it the current application;
// the entry point then runs InitInstance and the exit path.
class CWinApp {
public:
    // A null name means the executable's file name without its extension.
    explicit CWinApp(const char* pszAppName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The program's whole life; FALSE means there is nothing more to run.
    virtual BOOL InitInstance() { return FALSE; }
    // Returns the process's exit code.
    virtual int ExitInstance() { return 0; }
    // Shows a message box with the application's name as its caption.
    virtual int ShowMessageBox(HWND hWndOwner, const char* pszText, UINT nType);

    CString m_strAppName;
    // The main window, from just before its modal loop until its window is destroyed.
    CWnd* m_pMainWnd = nullptr;
};

CWinApp* AfxGetApp() noexcept;
HINSTANCE AfxGetInstanceHandle() noexcept;
// Shows the exception being handled, from inside a catch block: its own text, with
// the exclamation icon for a memory failure and the stop icon for any other.
void ReportCaughtException(HWND hWndOwner);
// Initialises OLE for the calling thread until the entry point's exit path.
BOOL AfxOleInit();
// The entry point's body: InitInstance, then ExitInstance and the framework's shut-down.
int AfxWinMain();
