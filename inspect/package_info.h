#pragma once
#include "../framework/cstring.h"

// The header facts shown for one package: five numbers and the four texts made
// from them.
struct CPackageInfo {
    int m_nMajor = 0;
    int m_nMinor = 0;
    int m_nVariant = 0;
    DWORD m_dwUid = 0;
    DWORD m_dwLength = 0;
    CString m_strSig;
    CString m_strVersion;
    CString m_strUid;
    CString m_strSize;
};

// Reads a file's header facts. Raises CFileException when the file cannot be
// opened or read; any readable file gets a record, package or not.
CPackageInfo ReadPackageInfo(const char* pszPath);
