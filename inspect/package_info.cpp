#include "package_info.h"

#include "../framework/file.h"
#include "sis9.h"

namespace {

constexpr DWORD kUidEpocRelease5 = 0x1000006D;
constexpr DWORD kUidEpocInstallFile = 0x10000419;
constexpr DWORD kUidSymbian9 = 0x10201A7A;

// Little-endian bytes up to the count the read returned; missing bytes stay zero.
DWORD ReadLittleEndian(CFile& file, UINT nBytes) {
    BYTE bytes[4] = {0, 0, 0, 0};
    const UINT nRead = file.Read(bytes, nBytes);
    DWORD dwValue = 0;
    for (UINT i = nRead; i-- > 0;)
        dwValue = (dwValue << 8) | bytes[i];
    return dwValue;
}

}  // namespace

CPackageInfo ReadPackageInfo(const char* pszPath) {
    CPackageInfo info;
    CFile file;
    file.OpenOrThrow(pszPath);

    const ULONGLONG nLength = file.GetLength();
    info.m_dwLength = static_cast<DWORD>(nLength);

    info.m_dwUid = ReadLittleEndian(file, 4);
    const DWORD dwUid2 = ReadLittleEndian(file, 4);
    const DWORD dwUid3 = ReadLittleEndian(file, 4);

    file.Seek(68, CFile::begin);
    const DWORD dwSignature = ReadLittleEndian(file, 4);
    // Release 3 to 5 headers end at 68, where the language list starts: no pointer there.
    const bool bHasSignatureField = !(dwUid2 == kUidEpocRelease5 && dwUid3 == kUidEpocInstallFile);
    if (bHasSignatureField && dwSignature != 0)
        info.m_strSig = "Yes";

    file.Seek(40, CFile::begin);
    info.m_nMajor = static_cast<int>(ReadLittleEndian(file, 2));
    info.m_nMinor = static_cast<int>(ReadLittleEndian(file, 2));
    info.m_nVariant = static_cast<int>(ReadLittleEndian(file, 4));

    // Symbian 9 packages keep their facts in a compressed controller, not at fixed
    // offsets; one that does not parse completely keeps the fixed-offset texts.
    Sis9Facts facts;
    if (info.m_dwUid == kUidSymbian9 && ReadSis9Facts(file, nLength, facts)) {
        info.m_dwUid = facts.dwUid;
        info.m_nMajor = facts.nMajor;
        info.m_nMinor = facts.nMinor;
        info.m_nVariant = facts.nBuild;
        info.m_strSig = facts.bSigned ? "Yes" : "";
    }

    info.m_strVersion.Format("%d.%d.%d", info.m_nMajor, info.m_nMinor, info.m_nVariant);
    info.m_strUid.Format("%#x", info.m_dwUid);
    // From the whole 64-bit length, so files of 4 GiB and more read true.
    info.m_strSize.Format("%llu %s", static_cast<unsigned long long>(nLength >> 10), "Kb");
    return info;
}
