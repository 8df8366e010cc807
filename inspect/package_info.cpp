#include "package_info.h"

#include "../framework/file.h"
#include "file_row.h"
#include "sis9.h"

namespace {

constexpr DWORD kUidEpocRelease5 = 0x1000006D;
constexpr DWORD kUidEpocRelease6 = 0x10003A12;
constexpr DWORD kUidEpocInstallFile = 0x10000419;
constexpr DWORD kUidSymbian9 = 0x10201A7A;

// Little-endian bytes at nOffset, up to the end of what is at hand; missing bytes stay zero.
DWORD LittleEndianAt(const BYTE* p, size_t n, size_t nOffset, size_t nBytes) {
    DWORD dwValue = 0;
    for (size_t i = nBytes; i-- > 0;)
        if (nOffset + i < n)
            dwValue = (dwValue << 8) | p[nOffset + i];
        else
            dwValue <<= 8;
    return dwValue;
}

}  // namespace

CPackageInfo SummarizePackage(const BYTE* pHead, size_t nHead, ULONGLONG nLength) {
    CPackageInfo info;
    info.m_dwLength = static_cast<DWORD>(nLength);
    info.m_dwUid = LittleEndianAt(pHead, nHead, 0, 4);
    const DWORD dwUid2 = LittleEndianAt(pHead, nHead, 4, 4);
    const DWORD dwUid3 = LittleEndianAt(pHead, nHead, 8, 4);
    const DWORD dwSignature = LittleEndianAt(pHead, nHead, 68, 4);
    // Release 3 to 5 headers end at 68, where the language list starts: no pointer there.
    const bool bHasSignatureField = !(dwUid2 == kUidEpocRelease5 && dwUid3 == kUidEpocInstallFile);
    if (bHasSignatureField && dwSignature != 0)
        info.m_strSig = "Yes";
    info.m_nMajor = static_cast<int>(LittleEndianAt(pHead, nHead, 40, 2));
    info.m_nMinor = static_cast<int>(LittleEndianAt(pHead, nHead, 42, 2));
    info.m_nVariant = static_cast<int>(LittleEndianAt(pHead, nHead, 44, 4));
    info.m_strKind = "unknown";

    // Symbian 9 packages keep their facts in a compressed controller, not at fixed
    // offsets; without a sound controller there are no facts to show.
    bool bDamaged = false;
    if (info.m_dwUid == kUidSymbian9) {
        Sis9Facts facts;
        if (ParseSis9(pHead, nHead, nLength, facts).status == Sis9Status::Complete) {
            info.m_dwUid = facts.dwUid;
            info.m_nMajor = facts.nMajor;
            info.m_nMinor = facts.nMinor;
            info.m_nVariant = facts.nBuild;
            info.m_strSig = facts.bSigned ? "Yes" : "";
            info.m_strKind = "Symbian 9";
        } else {
            bDamaged = true;
            info.m_strSig.Empty();
            info.m_strKind = "damaged";
        }
    } else if (nHead >= 16 && (dwUid2 == kUidEpocRelease5 || dwUid2 == kUidEpocRelease6) &&
               dwUid3 == kUidEpocInstallFile && LittleEndianAt(pHead, nHead, 12, 4) == Uid4Of(pHead)) {
        info.m_strKind = "EPOC";
    }

    if (!bDamaged)
        info.m_strVersion.Format("%d.%d.%d", info.m_nMajor, info.m_nMinor, info.m_nVariant);
    info.m_strUid.Format("%#x", info.m_dwUid);
    // From the whole 64-bit length, so files of 4 GiB and more read true.
    info.m_strSize.Format("%llu %s", static_cast<unsigned long long>(nLength >> 10), "Kb");
    return info;
}

CPackageInfo ReadPackageInfo(const char* pszPath) {
    CFile file;
    file.OpenOrThrow(pszPath);
    CInspectOptions options;
    options.bDigest = false;
    return ReadFileFacts(file, options).info;
}
