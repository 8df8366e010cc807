#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include <ole2.h>
#include <shlobj.h>

#include "exceptions.h"
#include "file_name.h"
#include "main_dialog.h"
#include "resource.h"

namespace {

// The system's text for an error, without its line break.
CString SystemErrorText(DWORD dwError) {
    char szText[512] = {};
    const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, dwError, 0,
                                     szText, sizeof szText, nullptr);
    CString strText(szText, static_cast<int>(n));
    while (!strText.IsEmpty() && (strText[strText.GetLength() - 1] == '\n' || strText[strText.GetLength() - 1] == '\r' ||
                                  strText[strText.GetLength() - 1] == ' '))
        strText = strText.Mid(0, strText.GetLength() - 1);
    if (strText.IsEmpty())
        strText.Format("System error %lu.", static_cast<unsigned long>(dwError));
    return strText;
}

BOOL CALLBACK CloseTopLevelWindow(HWND hWnd, LPARAM) {
    ::PostMessageA(hWnd, WM_CLOSE, 0, 0);
    return TRUE;
}

}  // namespace

CMainDialog::WorkerScope::WorkerScope(CMainDialog& dlg) : m_dlg(dlg) {
    std::lock_guard<std::mutex> lock(m_dlg.m_workersMutex);
    m_dlg.m_workerThreads.push_back(::GetCurrentThreadId());
}

CMainDialog::WorkerScope::~WorkerScope() {
    {
        std::lock_guard<std::mutex> lock(m_dlg.m_workersMutex);
        auto& threads = m_dlg.m_workerThreads;
        threads.erase(std::find(threads.begin(), threads.end(), ::GetCurrentThreadId()));
    }
    --m_dlg.m_nWorkers;
}

bool CMainDialog::StartWorker(AFX_THREADPROC pfnThreadProc, LPVOID pParam) {
    ++m_nWorkers;
    if (AfxBeginThread(pfnThreadProc, pParam, THREAD_PRIORITY_NORMAL, 0, 0, NULL))
        return true;
    --m_nWorkers;
    return false;
}

// Closing must not wait on a worker that waits on the window, and must not leave
// one behind that still holds this object: reading stops, a walk stops at its
// next entry, and a folder browser still open is told to close until it does.
void CMainDialog::StopWorkers() {
    m_bClosing = true;
    m_hWndShared = nullptr;
    m_intake.Stop();
    while (m_nWorkers > 0) {
        {
            std::lock_guard<std::mutex> lock(m_workersMutex);
            for (DWORD dwThread : m_workerThreads)
                ::EnumThreadWindows(dwThread, CloseTopLevelWindow, 0);
        }
        // Messages sent from a worker's windows to this thread are answered meanwhile.
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
        MSG msg;
        ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

void CMainDialog::OnOpenDirectory() { StartWorker(OpenDirectoryThread, this); }

// Both commands are greyed while any walk runs, and enabled when the last ends.
void CMainDialog::GreyFileCommands(bool bGrey) {
    std::lock_guard<std::mutex> lock(m_workersMutex);
    if (bGrey ? m_nGreyingWalks++ > 0 : --m_nGreyingWalks > 0)
        return;
    CMenu menu(::GetMenu(m_hWndShared.load()));
    if (!menu.m_hMenu)
        return;
    const UINT nState = MF_BYCOMMAND | (bGrey ? MF_GRAYED : MF_ENABLED);
    menu.EnableMenuItem(ID_OPEN_DIRECTORY, nState);
    menu.EnableMenuItem(ID_FILE_OPEN, nState);
}

UINT CMainDialog::OpenDirectoryThread(LPVOID pParam) {
    CMainDialog* pDlg = static_cast<CMainDialog*>(pParam);
    WorkerScope worker(*pDlg);
    char szPath[MAX_PATH] = {};
    // The shell's browser wants COM on the thread that shows it.
    const HRESULT hrCom = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    BROWSEINFOA info = {nullptr, nullptr, szPath, "Select directory", 0, nullptr, 0, 0};
    LPITEMIDLIST pItem = pDlg->m_bClosing ? nullptr : ::SHBrowseForFolderA(&info);
    CString strDisplayName(szPath);
    const bool bPath = pItem && ::SHGetPathFromIDListA(pItem, szPath);
    SHFILEINFOA file = {};
    // Some browsers leave the display name out; the shell still knows it.
    if (pItem && !bPath && strDisplayName.IsEmpty() &&
        ::SHGetFileInfoA(reinterpret_cast<const char*>(pItem), 0, &file, sizeof file, SHGFI_PIDL | SHGFI_DISPLAYNAME))
        strDisplayName = file.szDisplayName;
    if (SUCCEEDED(hrCom))
        ::CoUninitialize();
    if (pItem && !pDlg->m_bClosing) {
        CIntake& intake = pDlg->m_intake;
        const std::shared_ptr<CIntake::Run> run = intake.BeginRun();
        if (!bPath) {
            intake.AddError(*run, "\"" + strDisplayName + "\" is not a folder on a disk: there is nothing to walk.");
            intake.EndRun(*run);
        } else if (pDlg->WalkFolder(*run, szPath, true)) {
            intake.EndRun(*run);
            // The walk lasts until its last row is in.
            intake.WaitUntilRead(*run);
            pDlg->GreyFileCommands(false);
        } else {
            intake.EndRun(*run);
        }
    }
    ::CoTaskMemFree(pItem);
    return 0;
}

bool CMainDialog::WalkFolder(CIntake::Run& run, char* pszPath, bool bGrey) {
    std::lock_guard<std::mutex> walk(m_walkMutex);
    if (m_bClosing)
        return false;
    if (!::SetCurrentDirectoryA(pszPath)) {
        const DWORD dwError = ::GetLastError();
        m_intake.AddError(run, CString(pszPath) + " cannot be walked: " + SystemErrorText(dwError));
        return false;
    }
    if (bGrey)
        GreyFileCommands(true);
    m_pWalkRun = &run;
    ScanDirectory(pszPath);
    m_pWalkRun = nullptr;
    return true;
}

// Such a path is never cut to fit: cut, it could name another file.
void CMainDialog::AddPathTooLong(CIntake::Run& run, const CString& strPath) {
    m_intake.AddError(run, CFileException(CFileException::badPath, ERROR_FILENAME_EXCED_RANGE, strPath).GetErrorMessage());
}

// Depth first, each folder's entries in the order the file system gives them. A
// folder is whatever can be made the current directory; it is walked where it is
// met and is never a file to read, whatever its name.
void CMainDialog::ScanDirectory(char* pszPath) {
    char szFolder[MAX_PATH];
    lstrcpynA(szFolder, pszPath, MAX_PATH);
    WIN32_FIND_DATAA find;
    HANDLE hFind = ::FindFirstFileA("*.*", &find);
    if (hFind == INVALID_HANDLE_VALUE)
        return;
    do {
        if (m_bClosing)
            break;
        if (std::strcmp(find.cFileName, ".") == 0 || std::strcmp(find.cFileName, "..") == 0)
            continue;
        const int nLength = std::snprintf(pszPath, MAX_PATH, "%s\\%s", szFolder, find.cFileName);
        if (nLength < 0 || nLength >= MAX_PATH) {
            AddPathTooLong(*m_pWalkRun, CString(szFolder) + "\\" + find.cFileName);
            continue;
        }
        if (::SetCurrentDirectoryA(pszPath)) {
            ScanDirectory(pszPath);
            continue;
        }
        if (EndsInSis(pszPath))
            AddFileToList(*m_pWalkRun, pszPath);
    } while (::FindNextFileA(hFind, &find));
    ::FindClose(hFind);
}
