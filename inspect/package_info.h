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
    // What the file is: "EPOC" (a release 3 to 6 package), "Symbian 9" (its
    // controller parsed), "damaged" (the Symbian 9 marker, but no sound
    // controller) or "unknown".
    CString m_strKind;
};

// The summary from a file's first nHead bytes (as many as the Symbian 9 reader
// asked for) and its true length. A damaged package shows no invented facts: its
// UID is the marker's, and its Version and Sig are empty.
CPackageInfo SummarizePackage(const BYTE* pHead, size_t nHead, ULONGLONG nLength);

// Reads a file's header facts. Raises CFileException when the file cannot be
// opened or read; any readable file gets a record, package or not.
CPackageInfo ReadPackageInfo(const char* pszPath);
