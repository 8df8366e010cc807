#include "file_name.h"

#ifdef _WIN32
#include <mbstring.h>
#else
#include <strings.h>
#endif
#include <cstring>

CString FileNameOfPath(const char* pszPath) {
#ifdef _WIN32
    const auto* pszBytes = reinterpret_cast<const unsigned char*>(pszPath);
    // A forward slash separates folders on Windows as well as a backslash does.
    const unsigned char* pSeparator = _mbsrchr(pszBytes, '\\');
    const unsigned char* pSlash = _mbsrchr(pszBytes, '/');
    if (pSlash && (!pSeparator || pSlash > pSeparator))
        pSeparator = pSlash;
    if (pSeparator && pSeparator > pszBytes)
        return CString(reinterpret_cast<const char*>(pSeparator + 1));
    return CString(pszPath);
#else
    const char* pSeparator = std::strrchr(pszPath, '/');
    return CString(pSeparator ? pSeparator + 1 : pszPath);
#endif
}

bool EndsInSis(const char* pszPath) {
#ifdef _WIN32
    const auto* pStart = reinterpret_cast<const unsigned char*>(pszPath);
    const unsigned char* pTail = pStart + std::strlen(pszPath);
    for (int i = 0; i < 3 && pTail > pStart; ++i)
        pTail = _mbsdec(pStart, pTail);
    return _mbsicmp(pTail, reinterpret_cast<const unsigned char*>("sis")) == 0;
#else
    const size_t nLength = std::strlen(pszPath);
    return nLength >= 3 && strcasecmp(pszPath + nLength - 3, "sis") == 0;
#endif
}
