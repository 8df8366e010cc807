#pragma once
#include <functional>
#include <string>
#include <vector>

#include "app.h"
#include "dialog.h"
#include "shell_input.h"

// The test program's application object. Message boxes raised by the framework
// are recorded; they are shown unless bShowBoxes is off.
class CTestApp : public CWinApp {
public:
    struct Box {
        std::string strText;
        UINT nType;
    };

    BOOL InitInstance() override { return m_onInitInstance ? m_onInitInstance() : FALSE; }
    int ExitInstance() override {
        ++m_nExitInstanceCalls;
        return 0;
    }
    int ShowMessageBox(HWND hWndOwner, const char* pszText, UINT nType) override;

    std::vector<Box> m_boxes;
    bool m_bShowBoxes = true;
    std::function<BOOL()> m_onInitInstance;
    int m_nExitInstanceCalls = 0;
};
CTestApp& TestApp();

// A thread timer that runs tick until it returns true, also inside nested loops.
UINT_PTR StartTimer(UINT nMilliseconds, std::function<bool()> tick);
void StopTimer(UINT_PTR nId);

// DoModal's result when the script left the dialog open.
constexpr INT_PTR kTimedOut = 0x7E57;

// Runs dlg modally. The script runs once, from a timer inside the dialog's own
// loop, when the dialog is shown and the messages queued at its start are handled.
INT_PTR RunModal(CDialog& dlg, std::function<void(HWND hDlg)> script);

// A message box that was on the screen: its caption, its text and where it stood.
struct ShownBox {
    std::string strCaption;
    std::string strText;
    RECT rcWindow;
};
// Runs step while a timer reads and closes every message box that shows up.
std::vector<ShownBox> CloseBoxesDuring(const std::function<void()>& step);


// A child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND hDlg, int nId);
std::string WindowText(HWND hWnd);

// The main dialog as the program runs it: the application's main window, with no
// owner. Boxes recorded before it are forgotten.
INT_PTR RunMainDialog(std::function<void(HWND hDlg)> script);

// The texts of every row of a list: the first nColumns columns, in order.
std::vector<std::vector<std::string>> ListCells(HWND hList, int nColumns);
// The first column's text of every row.
std::vector<std::string> ListNames(HWND hList);

// Sends a key press to a window with a modifier key (VK_CONTROL, VK_SHIFT) held, or none.
void PressKey(HWND hWnd, WPARAM nKey, BYTE nModifier = 0);

// The pixels of a rectangle of the screen as the user sees them, read back from it.
std::vector<DWORD> ScreenPixels(const RECT& rc);

class CMainDialog;
// The main dialog that RunMainDialog runs.
CMainDialog& MainDialog();
// Runs the messages of this thread until the main dialog's intake is idle: every
// file handed over has its row or its report. False when that takes over 20 s.
bool WaitForIntake();
// Chooses "Open directory..." and then, in the real folder browser, the folder;
// an empty folder cancels the browser. Returns once the browser has closed.
void ChooseFolder(HWND hDlg, const std::string& folder);
// The folder browser of "Open directory...", when one is shown.
HWND FindFolderBrowser();
// Chooses "Open directory..." and returns its browser once shown, or null.
HWND OpenFolderBrowser(HWND hDlg);
// Presses the button and waits until the browser is gone.
bool CloseFolderBrowser(HWND hBrowser, int nButton);

std::string CurrentDirectory();
// Puts the current directory back, which a walk moves; made after the test's
// folders, so that it is left before they are removed.
class KeepCurrentDirectory {
public:
    KeepCurrentDirectory() : m_strPath(CurrentDirectory()) {}
    ~KeepCurrentDirectory() { ::SetCurrentDirectoryA(m_strPath.c_str()); }
    KeepCurrentDirectory(const KeepCurrentDirectory&) = delete;
    KeepCurrentDirectory& operator=(const KeepCurrentDirectory&) = delete;

private:
    std::string m_strPath;
};
