#pragma once
#include "../framework/cstring.h"

// The six texts shown for one file, in column order: Name, Version, UID, Size,
// Sig, MD5 hash.
struct CFileRow {
    CString m_strTexts[6];
};

// Inspects one file: the Name from the path, then its digest, then its summary,
// so the file is opened twice, one open after the other. Raises what the digest
// or the summary raises; then there is no row.
CFileRow InspectFile(const char* pszPath);
