// Measures the window while files come in, under the real message loop of the
// main dialog: a probe thread sends WM_NULL every 10 ms and times each round trip,
// and the dialog's own thread notes when the last row is in.
//   intake_bench walk FOLDER COUNT   walks FOLDER through the folder browser
//   intake_bench drop LISTFILE       drops the paths listed in LISTFILE at once,
//                                    then deletes all their rows selected at once
// Prints one line per figure: name, then values in milliseconds.
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app.h"
#include "main_dialog.h"
#include "resource.h"
#include "shell_input.h"

namespace {

class CBenchApp : public CWinApp {
public:
    // A box would stop the clock; the bench reports it instead.
    int ShowMessageBox(HWND, const char* pszText, UINT) override {
        std::fprintf(stderr, "box: %s\n", pszText);
        return IDOK;
    }
} s_app;

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Round trips of WM_NULL, every 10 ms, while running is set.
class Probe {
public:
    explicit Probe(HWND hWnd) : m_hWnd(hWnd), m_thread([this] { Run(); }) {}
    ~Probe() { Stop(); }

    void Stop() {
        m_bRunning = false;
        if (m_thread.joinable())
            m_thread.join();
    }

    void Print(const char* pszName) {
        Stop();
        std::vector<double> t = m_times;
        std::sort(t.begin(), t.end());
        if (t.empty())
            return;
        auto at = [&](double q) { return t[std::min(t.size() - 1, static_cast<size_t>(q * static_cast<double>(t.size())))]; };
        std::printf("%s probes=%zu p50=%.1f p99=%.1f max=%.1f\n", pszName, t.size(), at(0.50), at(0.99), t.back());
    }

private:
    void Run() {
        while (m_bRunning) {
            const double dStart = Now();
            DWORD_PTR dwResult = 0;
            ::SendMessageTimeoutA(m_hWnd, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &dwResult);
            m_times.push_back(Now() - dStart);
            ::Sleep(10);
        }
    }

    HWND m_hWnd;
    std::atomic<bool> m_bRunning{true};
    std::vector<double> m_times;
    std::thread m_thread;
};

void Pump(DWORD dwMilliseconds) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, dwMilliseconds, QS_ALLINPUT);
    PumpMessages();
}

int Rows(HWND hDlg) { return static_cast<int>(::SendDlgItemMessageA(hDlg, IDC_FILE_LIST, LVM_GETITEMCOUNT, 0, 0)); }

// Runs the messages until the list holds nRows rows; the time it first did.
double WaitForRows(HWND hDlg, int nRows) {
    while (Rows(hDlg) < nRows)
        Pump(1);
    return Now();
}

void Walk(HWND hDlg, const std::string& folder, int nFiles) {
    ::PostMessageA(hDlg, WM_COMMAND, ID_OPEN_DIRECTORY, 0);
    HWND hBrowser = nullptr;
    while (!(hBrowser = ::FindWindowA("#32770", "Browse for Folder")) || !::IsWindowVisible(hBrowser))
        Pump(10);
    const std::string name = folder.substr(folder.find_last_of('\\') + 1);
    if (!SelectInFolderBrowser(hBrowser, TRUE, reinterpret_cast<LPARAM>(folder.c_str()), name)) {
        std::fprintf(stderr, "the folder browser did not select %s\n", folder.c_str());
        std::exit(1);
    }
    Probe probe(hDlg);
    const double dStart = Now();
    ::PostMessageA(hBrowser, WM_COMMAND, IDOK, 0);
    const double dEnd = WaitForRows(hDlg, nFiles);
    probe.Print("walk-wm_null");
    std::printf("walk-last-row files=%d ms=%.0f\n", nFiles, dEnd - dStart);
}

void DropAndDelete(HWND hDlg, const std::vector<std::string>& paths) {
    const int nFiles = static_cast<int>(paths.size());
    {
        // The same probe on the idle window, for scale.
        Probe probe(hDlg);
        for (const double dStart = Now(); Now() - dStart < 1000;)
            Pump(10);
        probe.Print("idle-wm_null");
    }
    {
        Probe probe(hDlg);
        const double dStart = Now();
        ::PostMessageA(hDlg, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(paths)), 0);
        const double dEnd = WaitForRows(hDlg, nFiles);
        probe.Print("drop-wm_null");
        std::printf("drop-last-row files=%d ms=%.0f\n", nFiles, dEnd - dStart);
    }
    // Let the last batch's painting finish before the clock starts again.
    for (int i = 0; i < 20; ++i)
        Pump(10);
    HWND hList = ::GetDlgItem(hDlg, IDC_FILE_LIST);
    LVITEMA item = {};
    item.stateMask = item.state = LVIS_SELECTED;
    ::SendMessageA(hList, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    Pump(10);
    const double dStart = Now();
    ::SendMessageA(hList, WM_KEYDOWN, VK_DELETE, 0);
    // The redraw that follows belongs to the deletion.
    ::UpdateWindow(hList);
    std::printf("delete rows=%d ms=%.1f left=%d\n", nFiles, Now() - dStart, Rows(hDlg));
}

struct Script {
    CMainDialog* pDlg;
    std::string mode;
    std::string arg;
    int nCount;
    std::vector<std::string> paths;
    bool bDone;
} s_script;

// Runs once the dialog shows, inside its own message loop, then closes it.
void CALLBACK RunScript(HWND, UINT, UINT_PTR nId, DWORD) {
    if (s_script.bDone || !s_script.pDlg->m_hWnd || !::IsWindowVisible(s_script.pDlg->m_hWnd))
        return;
    s_script.bDone = true;
    ::KillTimer(nullptr, nId);
    if (s_script.mode == "walk")
        Walk(s_script.pDlg->m_hWnd, s_script.arg, s_script.nCount);
    else
        DropAndDelete(s_script.pDlg->m_hWnd, s_script.paths);
    ::PostMessageA(s_script.pDlg->m_hWnd, WM_CLOSE, 0, 0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: intake_bench walk FOLDER COUNT | drop LISTFILE\n");
        return 2;
    }
    CMainDialog dlg;
    s_app.m_pMainWnd = &dlg;
    s_script = {&dlg, argv[1], argv[2], argc > 3 ? std::atoi(argv[3]) : 0, {}, false};
    if (s_script.mode == "drop") {
        std::ifstream in(argv[2]);
        for (std::string line; std::getline(in, line);)
            if (!line.empty())
                s_script.paths.push_back(line.back() == '\r' ? line.substr(0, line.size() - 1) : line);
    }
    ::SetTimer(nullptr, 0, 200, RunScript);
    dlg.DoModal();
    return 0;
}
