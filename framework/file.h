#pragma once
#include "exceptions.h"

// A file opened for reading only, shared with other readers but not with writers
// (on Windows; POSIX has no sharing modes). Errors other than a failed Open raise
// CFileException.
class CFile {
public:
    // modeNoWait: never waits for a FIFO's writer, and refuses anything that is
    // not a plain file (cause notPlainFile).
    enum OpenFlags : UINT { modeRead = 0x0000, shareCompat = 0x0000, modeNoWait = 0x10000 };
    enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

    CFile() noexcept = default;
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Returns FALSE on failure and, when pError is given, fills it with the cause,
    // the operating-system error and the full path (the path as given when no
    // full path can be formed).
    BOOL Open(const char* pszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
    // Opens or throws the CFileException that Open would have reported.
    void OpenOrThrow(const char* pszFileName, UINT nOpenFlags = modeRead | shareCompat);
    // Reads a copy of the standard input, named "-".
    void OpenStandardInput();

    // The length of a plain file whose system reports one other than 0; false for
    // pipes, devices and files such as /proc's whose length is not their content's.
    bool GetKnownLength(ULONGLONG& nLength) const;

    ULONGLONG GetLength() const;
    // Reads up to nCount bytes; fewer only at the end of the file (or of a pipe).
    UINT Read(void* pBuffer, UINT nCount);
    // Positions from the start, the current position or the end; past the end is allowed.
    ULONGLONG Seek(LONGLONG lOffset, UINT nFrom);
    void Close() noexcept;
    bool IsOpen() const noexcept;
    const CString& GetFilePath() const noexcept { return m_strFilePath; }

    // The absolute form of a path, or the path itself when none can be formed.
    static CString FullPathOf(const char* pszFileName);

private:
    [[noreturn]] void ThrowLastError() const;
#ifdef _WIN32
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
#else
    int m_fd = -1;
#endif
    CString m_strFilePath;
};
