#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "file.h"

CFile::~CFile() { Close(); }

CString CFile::FullPathOf(const char* pszFileName) {
    if (!pszFileName || !*pszFileName)
        return CString(pszFileName);
    if (pszFileName[0] == '/')
        return CString(pszFileName);
    char szDir[PATH_MAX];
    if (!getcwd(szDir, sizeof szDir))
        return CString(pszFileName);
    CString strFull(szDir);
    if (strFull.GetLength() == 0 || strFull[strFull.GetLength() - 1] != '/')
        strFull += '/';
    strFull += pszFileName;
    return strFull;
}

BOOL CFile::Open(const char* pszFileName, UINT nOpenFlags, CFileException* pError) {
    Close();
    m_strFilePath = FullPathOf(pszFileName);
    const bool bNoWait = (nOpenFlags & modeNoWait) != 0;
    int nError = 0;
    int nCause = 0;
    int fd = ::open(pszFileName ? pszFileName : "", O_RDONLY | O_CLOEXEC | (bNoWait ? O_NONBLOCK : 0));
    if (fd < 0) {
        nError = errno;
    } else {
        // A folder opens here but is no file; Windows refuses it as access denied.
        struct stat st;
        if (fstat(fd, &st) != 0)
            nError = errno;
        else if (S_ISDIR(st.st_mode))
            nError = EISDIR;
        else if (bNoWait && !S_ISREG(st.st_mode))
            nCause = CFileException::notPlainFile;
        else if (bNoWait)
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        if (nError || nCause) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd < 0) {
        if (pError)
            *pError = CFileException(nCause ? nCause : CFileException::OsErrorToCause(nError), nError, m_strFilePath);
        return FALSE;
    }
    m_fd = fd;
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
    m_fd = ::fcntl(0, F_DUPFD_CLOEXEC, 0);
    if (m_fd < 0)
        ThrowLastError();
}

bool CFile::GetKnownLength(ULONGLONG& nLength) const {
    struct stat st;
    if (m_fd < 0 || fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0)
        return false;
    nLength = static_cast<ULONGLONG>(st.st_size);
    return true;
}

bool CFile::IsOpen() const noexcept { return m_fd >= 0; }

void CFile::ThrowLastError() const {
    const int nError = errno;
    throw CFileException(CFileException::OsErrorToCause(nError), nError, m_strFilePath);
}

ULONGLONG CFile::GetLength() const {
    struct stat st;
    if (m_fd < 0) {
        errno = EBADF;
        ThrowLastError();
    }
    if (fstat(m_fd, &st) != 0)
        ThrowLastError();
    return static_cast<ULONGLONG>(st.st_size);
}

UINT CFile::Read(void* pBuffer, UINT nCount) {
    if (m_fd < 0) {
        errno = EBADF;
        ThrowLastError();
    }
    auto* p = static_cast<char*>(pBuffer);
    UINT nDone = 0;
    while (nDone < nCount) {
        const ssize_t n = ::read(m_fd, p + nDone, nCount - nDone);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowLastError();
        }
        if (n == 0)
            break;
        nDone += static_cast<UINT>(n);
    }
    return nDone;
}

ULONGLONG CFile::Seek(LONGLONG lOffset, UINT nFrom) {
    if (m_fd < 0) {
        errno = EBADF;
        ThrowLastError();
    }
    const int whence = nFrom == begin ? SEEK_SET : nFrom == current ? SEEK_CUR : SEEK_END;
    const off_t pos = ::lseek(m_fd, static_cast<off_t>(lOffset), whence);
    if (pos < 0)
        ThrowLastError();
    return static_cast<ULONGLONG>(pos);
}

void CFile::Close() noexcept {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}
