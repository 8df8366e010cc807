#include "file_name.h"

#ifdef _WIN32
#include <mbstring.h>
#else
#include <cstring>
#endif

CString FileNameOfPath(const char* pszPath) {
#ifdef _WIN32
    const auto* pszBytes = reinterpret_cast<const unsigned char*>(pszPath);
    const unsigned char* pSeparator = _mbsrchr(pszBytes, '\\');
    if (pSeparator && pSeparator > pszBytes)
        return CString(reinterpret_cast<const char*>(pSeparator + 1));
    return CString(pszPath);
#else
    const char* pSeparator = std::strrchr(pszPath, '/');
    return CString(pSeparator ? pSeparator + 1 : pszPath);
#endif
}
