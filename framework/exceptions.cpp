#include "exceptions.h"
#include <type_traits>

#ifndef _WIN32
#include <cerrno>
#include <cstring>
#endif

CMemoryException::CMemoryException() { m_strMessage = "Out of memory."; }

int CFileException::OsErrorToCause(LONG lOsError) noexcept {
#ifdef _WIN32
    switch (static_cast<DWORD>(lOsError)) {
    case NO_ERROR: return none;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return fileNotFound;
    case ERROR_TOO_MANY_OPEN_FILES: return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED: return accessDenied;
    case ERROR_INVALID_HANDLE: return invalidFile;
    case ERROR_SHARING_VIOLATION: return sharingViolation;
    case ERROR_LOCK_VIOLATION: return lockViolation;
    case ERROR_HANDLE_EOF: return endOfFile;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_FILENAME_EXCED_RANGE: return badPath;
    case ERROR_NEGATIVE_SEEK:
    case ERROR_SEEK: return badSeek;
    case ERROR_CRC:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE: return hardIO;
    default: return genericException;
    }
#else
    switch (lOsError) {
    case 0: return none;
    case ENOENT:
    case ENOTDIR: return fileNotFound;
    case EMFILE:
    case ENFILE: return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR: return accessDenied;
    case EBADF: return invalidFile;
    case ENAMETOOLONG:
    case EINVAL: return badPath;
    case ESPIPE: return badSeek;
    case EIO: return hardIO;
    default: return genericException;
    }
#endif
}

bool CFileException::IsPathTooLong(LONG lOsError) noexcept {
#ifdef _WIN32
    return static_cast<DWORD>(lOsError) == ERROR_FILENAME_EXCED_RANGE;
#else
    return lOsError == ENAMETOOLONG;
#endif
}

CString CFileException::SystemText(LONG lOsError) {
    CString strText;
#ifdef _WIN32
    char szText[512];
    DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                               static_cast<DWORD>(lOsError), 0, szText, sizeof szText, nullptr);
    while (n && (szText[n - 1] == '\r' || szText[n - 1] == '\n' || szText[n - 1] == ' ' || szText[n - 1] == '.'))
        --n;
    szText[n] = '\0';
    strText = n ? szText : "unknown error";
#else
    char szText[256];
    // The GNU form returns its text; the POSIX form fills the buffer.
    auto pick = [&](auto result) -> const char* {
        if constexpr (std::is_same_v<decltype(result), char*>)
            return result;
        else
            return result == 0 ? szText : "unknown error";
    };
    strText = pick(strerror_r(static_cast<int>(lOsError), szText, sizeof szText));
#endif
    return strText;
}

CFileException::CFileException(int cause, LONG lOsError, const char* pszFileName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(pszFileName) {
    const char* pszName = m_strFileName.GetString();
    switch (cause) {
    case fileNotFound:
        m_strMessage.Format("%s was not found.", pszName);
        break;
    case badPath:
        if (IsPathTooLong(lOsError))
            m_strMessage.Format("The path %s is too long to be opened.", pszName);
        else
            m_strMessage.Format("%s is not a valid path.", pszName);
        break;
    case accessDenied:
        m_strMessage.Format("Access to %s was denied.", pszName);
        break;
    case sharingViolation:
    case lockViolation:
        m_strMessage.Format("%s is in use by another program and cannot be read.", pszName);
        break;
    case tooManyOpenFiles:
        m_strMessage.Format("Too many files are open to open %s.", pszName);
        break;
    case badSeek:
        m_strMessage.Format("A seek in %s failed.", pszName);
        break;
    case endOfFile:
        m_strMessage.Format("%s ended before its data did.", pszName);
        break;
    case notPlainFile:
        m_strMessage.Format("%s is not a regular file.", pszName);
        break;
    case none:
        m_strMessage.Format("No error occurred with %s.", pszName);
        break;
    default:
        m_strMessage.Format("%s could not be read (system error %ld: %s).", pszName, static_cast<long>(lOsError),
                            SystemText(lOsError).GetString());
        break;
    }
}
