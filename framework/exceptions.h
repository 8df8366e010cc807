#pragma once
#include "cstring.h"

// Errors the framework raises. They are thrown by value and caught by reference;
// each formats its message once, when it is made.
class CException {
public:
    virtual ~CException() = default;
    const CString& GetErrorMessage() const noexcept { return m_strMessage; }

protected:
    CString m_strMessage;
};

class CMemoryException : public CException {
public:
    CMemoryException();
};

class CFileException : public CException {
public:
    enum {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile,
        notPlainFile
    };

    CFileException(int cause = none, LONG lOsError = -1, const char* pszFileName = nullptr);

    // Maps an operating-system error (GetLastError on Windows, errno elsewhere).
    static int OsErrorToCause(LONG lOsError) noexcept;
    static bool IsPathTooLong(LONG lOsError) noexcept;
    // The system's own text for an error number, without a final full stop.
    static CString SystemText(LONG lOsError);

    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};
