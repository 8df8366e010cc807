#include "thread.h"

#include <new>

#include <process.h>

#include "app.h"

CWinThread::~CWinThread() {
    if (m_hThread)
        ::CloseHandle(m_hThread);
}

BOOL CWinThread::CreateThread(DWORD dwCreateFlags, UINT nStackSize, LPSECURITY_ATTRIBUTES pSecurityAttrs) {
    // Made suspended, so the handle and id are in place before the procedure can end
    // and delete this object.
    unsigned nId = 0;
    const uintptr_t hThread =
        ::_beginthreadex(pSecurityAttrs, nStackSize, &Start, this, CREATE_SUSPENDED, &nId);
    if (!hThread)
        return FALSE;
    m_hThread = reinterpret_cast<HANDLE>(hThread);
    m_nThreadID = nId;
    if (!(dwCreateFlags & CREATE_SUSPENDED))
        ResumeThread();
    return TRUE;
}

BOOL CWinThread::SetThreadPriority(int nPriority) { return ::SetThreadPriority(m_hThread, nPriority); }

DWORD CWinThread::ResumeThread() { return ::ResumeThread(m_hThread); }

// Nothing may leave a thread's start: an escaping error is shown like one from a
// window's handler, and the thread ends with exit code 1.
unsigned __stdcall CWinThread::Start(void* pThread) {
    CWinThread* pSelf = static_cast<CWinThread*>(pThread);
    UINT nExitCode = 1;
    try {
        nExitCode = pSelf->m_pfnThreadProc(pSelf->m_pParam);
    } catch (...) {
        ReportCaughtException(nullptr);
    }
    if (pSelf->m_bAutoDelete)
        delete pSelf;
    return nExitCode;
}

CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority, UINT nStackSize,
                           DWORD dwCreateFlags, LPSECURITY_ATTRIBUTES pSecurityAttrs) {
    CWinThread* pThread = new (std::nothrow) CWinThread(pfnThreadProc, pParam);
    if (!pThread)
        return nullptr;
    if (!pThread->CreateThread(dwCreateFlags | CREATE_SUSPENDED, nStackSize, pSecurityAttrs)) {
        delete pThread;
        return nullptr;
    }
    pThread->SetThreadPriority(nPriority);
    if (!(dwCreateFlags & CREATE_SUSPENDED))
        pThread->ResumeThread();
    return pThread;
}
