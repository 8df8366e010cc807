#pragma once
#include "types.h"

// The procedure of a worker thread: its one parameter in, its exit code out.
typedef UINT (*AFX_THREADPROC)(LPVOID pParam);

// A thread of the program. A worker's object deletes itself when its thread ends,
// so the pointer AfxBeginThread returns is only good while the caller knows the
// thread still runs.
class CWinThread {
public:
    CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam) noexcept
        : m_pfnThreadProc(pfnThreadProc), m_pParam(pParam) {}
    virtual ~CWinThread();
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Creates the thread; it starts at once unless dwCreateFlags holds CREATE_SUSPENDED.
    BOOL CreateThread(DWORD dwCreateFlags = 0, UINT nStackSize = 0, LPSECURITY_ATTRIBUTES pSecurityAttrs = nullptr);
    BOOL SetThreadPriority(int nPriority);
    DWORD ResumeThread();

    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;
    BOOL m_bAutoDelete = TRUE;

private:
    static unsigned __stdcall Start(void* pThread);

    AFX_THREADPROC m_pfnThreadProc;
    LPVOID m_pParam;
};

// Starts pfnThreadProc(pParam) on a new thread; null when it cannot be made.
CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority = THREAD_PRIORITY_NORMAL,
                           UINT nStackSize = 0, DWORD dwCreateFlags = 0,
                           LPSECURITY_ATTRIBUTES pSecurityAttrs = nullptr);
