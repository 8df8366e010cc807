#include "file_name.h"

#ifdef _WIN32
#include <mbstring.h>
#else
#include <cstring>
#endif

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
