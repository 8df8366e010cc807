#include "file.h"

CFile::~CFile() { Close(); }

CString CFile::FullPathOf(const char* pszFileName) {
    if (!pszFileName || !*pszFileName)
        return CString(pszFileName);
    char szFull[MAX_PATH];
    char* pszPart = nullptr;
    const DWORD n = GetFullPathNameA(pszFileName, MAX_PATH, szFull, &pszPart);
    if (n == 0 || n >= MAX_PATH)
        return CString(pszFileName);
    return CString(szFull);
}

BOOL CFile::Open(const char* pszFileName, UINT nOpenFlags, CFileException* pError) {
    Close();
    m_strFilePath = FullPathOf(pszFileName);
    // Other readers, this program's own included, may have the file open too; one
    // that has it open for writing still makes this open fail as in use.
    HANDLE h = CreateFileA(pszFileName ? pszFileName : "", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD dwError = GetLastError();
        if (pError)
            *pError = CFileException(CFileException::OsErrorToCause(static_cast<LONG>(dwError)),
                                     static_cast<LONG>(dwError), m_strFilePath);
        return FALSE;
    }
    // Pipes and devices are not plain files; the caller asked never to wait on one.
    if ((nOpenFlags & modeNoWait) && ::GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        if (pError)
            *pError = CFileException(CFileException::notPlainFile, 0, m_strFilePath);
        return FALSE;
    }
    m_hFile = h;
    return TRUE;
}

void CFile::OpenOrThrow(const char* pszFileName, UINT nOpenFlags) {
    CFileException error;
    if (!Open(pszFileName, nOpenFlags, &error))
        throw error;
}

void CFile::OpenStandardInput() {
    Close();
    m_strFilePath = "-";
    HANDLE h = INVALID_HANDLE_VALUE;
    if (!DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_INPUT_HANDLE), GetCurrentProcess(), &h, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        ThrowLastError();
    m_hFile = h;
}

bool CFile::GetKnownLength(ULONGLONG& nLength) const {
    LARGE_INTEGER size;
    if (::GetFileType(m_hFile) != FILE_TYPE_DISK || !GetFileSizeEx(m_hFile, &size) || size.QuadPart <= 0)
        return false;
    nLength = static_cast<ULONGLONG>(size.QuadPart);
    return true;
}

bool CFile::IsOpen() const noexcept { return m_hFile != INVALID_HANDLE_VALUE; }

void CFile::ThrowLastError() const {
    const LONG lError = static_cast<LONG>(GetLastError());
    throw CFileException(CFileException::OsErrorToCause(lError), lError, m_strFilePath);
}

ULONGLONG CFile::GetLength() const {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(m_hFile, &size))
        ThrowLastError();
    return static_cast<ULONGLONG>(size.QuadPart);
}

UINT CFile::Read(void* pBuffer, UINT nCount) {
    // A pipe hands over what it has; only an empty read or a closed pipe is the end.
    UINT nDone = 0;
    while (nDone < nCount) {
        DWORD dwRead = 0;
        if (!ReadFile(m_hFile, static_cast<BYTE*>(pBuffer) + nDone, nCount - nDone, &dwRead, nullptr)) {
            const DWORD dwError = GetLastError();
            if (dwError == ERROR_BROKEN_PIPE || dwError == ERROR_HANDLE_EOF)
                break;
            ThrowLastError();
        }
        if (dwRead == 0)
            break;
        nDone += dwRead;
    }
    return nDone;
}

ULONGLONG CFile::Seek(LONGLONG lOffset, UINT nFrom) {
    LARGE_INTEGER distance;
    LARGE_INTEGER position;
    distance.QuadPart = lOffset;
    const DWORD dwMethod = nFrom == begin ? FILE_BEGIN : nFrom == current ? FILE_CURRENT : FILE_END;
    if (!SetFilePointerEx(m_hFile, distance, &position, dwMethod))
        ThrowLastError();
    return static_cast<ULONGLONG>(position.QuadPart);
}

void CFile::Close() noexcept {
    if (m_hFile != INVALID_HANDLE_VALUE)
        CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
}
