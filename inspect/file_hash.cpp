#include "file_hash.h"

#include "../framework/byte_block.h"
#include "../framework/file.h"

namespace {

DigestFactory g_pfnDigestFactory = &MakePlatformDigest;

}  // namespace

DigestFactory SetDigestFactory(DigestFactory pfnFactory) noexcept {
    DigestFactory pfnOld = g_pfnDigestFactory;
    g_pfnDigestFactory = pfnFactory ? pfnFactory : &MakePlatformDigest;
    return pfnOld;
}

CString HashBufferWith(DigestSteps& steps, const BYTE* pData, DWORD dwLength) {
    BYTE digest[16];
    if (!steps.AcquireContext())
        return "Error acquiring context";
    if (!steps.CreateHash())
        return "Error creating hash";
    if (!steps.HashData(pData, dwLength))
        return "Error hashing data";
    if (!steps.GetHashValue(digest))
        return "Error getting hash param";
    CString strResult;
    for (BYTE b : digest)
        strResult.AppendFormat("%02X", b);
    return strResult;
}

CString HashBuffer(const BYTE* pData, DWORD dwLength) {
    std::unique_ptr<DigestSteps> steps = g_pfnDigestFactory();
    return HashBufferWith(*steps, pData, dwLength);
}

CString ComputeFileHash(const char* pszPath) {
    CFile file;
    file.OpenOrThrow(pszPath);
    return HashOpenFile(file, file.GetLength());
}

CString HashOpenFile(CFile& file, ULONGLONG nLength) {
    if (nLength >= kHashSizeLimit)
        return "Not available";

    const auto nSize = static_cast<UINT>(nLength);
    CByteBlock buffer(nSize);
    // A file that shrank since its length was asked is hashed as it now reads.
    const UINT nRead = file.Read(buffer.Data(), nSize);
    return HashBuffer(buffer.Data(), nRead);
}
