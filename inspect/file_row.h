#pragma once
#include "../framework/cstring.h"
#include "package_info.h"

class CFile;
class CByteBlock;

// The texts shown for one file, in column order: Name, Version, UID, Size, Sig,
// MD5 hash, then the Kind ("EPOC", "Symbian 9", "damaged" or "unknown"). The
// exact number of bytes stands beside them.
struct CFileRow {
    CString m_strTexts[7];
    ULONGLONG m_nBytes = 0;
};

struct CInspectOptions {
    // Files of this many bytes or more get no digest; 0 hashes every file.
    ULONGLONG nMaxSize = 10485760;
    bool bDigest = true;
    // Refuse anything but a plain file, and never wait on a FIFO (for walked entries).
    bool bPlainFileOnly = false;
};

// What one pass over an open file found: the summary, the digest text (empty
// when not asked for) and the bytes the file really held.
struct CFileFacts {
    CPackageInfo info;
    CString strDigest;
    ULONGLONG nBytes = 0;
};
CFileFacts ReadFileFacts(CFile& file, const CInspectOptions& options, CByteBlock* pBuffer = nullptr);

// Inspects one file through one open: the digest and the summary come from the
// same bytes, so a record never mixes two versions of a file. A file whose length
// is reported as 0 or cannot be known (a pipe, a device, a /proc file) is read to
// its end. Raises what opening or reading raises; then there is no row.
CFileRow InspectFile(const char* pszPath);
CFileRow InspectFile(const char* pszPath, const CInspectOptions& options, CByteBlock* pBuffer = nullptr);
// The same for a file already open; pszPath gives the Name.
CFileRow InspectOpenFile(CFile& file, const char* pszPath, const CInspectOptions& options,
                         CByteBlock* pBuffer = nullptr);

// The size of the reusable read buffer a caller may hand over.
constexpr size_t kInspectBufferBytes = 256 * 1024;
