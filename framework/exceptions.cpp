#include "exceptions.h"

#ifndef _WIN32
#include <cerrno>
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
    case none:
        m_strMessage.Format("No error occurred with %s.", pszName);
        break;
    default:
        m_strMessage.Format("%s could not be read (system error %ld).", pszName, static_cast<long>(lOsError));
        break;
    }
}
