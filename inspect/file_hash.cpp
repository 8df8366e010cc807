#include "file_hash.h"

#include <algorithm>

#include "../framework/file.h"
#include "file_row.h"

namespace {

DigestFactory g_pfnDigestFactory = &MakePlatformDigest;

// Each of the 16 bytes, first byte first, as two upper-case digits.
CString DigestText(const BYTE digest[16]) {
    CString strResult;
    for (int i = 0; i < 16; ++i)
        strResult.AppendFormat("%02X", digest[i]);
    return strResult;
}

}  // namespace

DigestFactory SetDigestFactory(DigestFactory pfnFactory) noexcept {
    DigestFactory pfnOld = g_pfnDigestFactory;
    g_pfnDigestFactory = pfnFactory ? pfnFactory : &MakePlatformDigest;
    return pfnOld;
}

CDigest::CDigest() : m_steps(g_pfnDigestFactory()) {
    if (!m_steps->AcquireContext())
        m_pszFailure = "Error acquiring context";
    else if (!m_steps->CreateHash())
        m_pszFailure = "Error creating hash";
}

void CDigest::Add(const BYTE* pData, size_t nLength) {
    // The service takes at most a DWORD's worth of bytes per call.
    do {
        const DWORD dwPiece = static_cast<DWORD>(std::min<size_t>(nLength, 1u << 30));
        if (m_pszFailure)
            return;
        if (!m_steps->HashData(pData, dwPiece))
            m_pszFailure = "Error hashing data";
        m_bFed = true;
        pData += dwPiece;
        nLength -= dwPiece;
    } while (nLength);
}

CString CDigest::Finish() {
    static const BYTE s_empty[1] = {0};
    if (!m_bFed)
        Add(s_empty, 0);
    BYTE digest[16];
    if (!m_pszFailure && !m_steps->GetHashValue(digest))
        m_pszFailure = "Error getting hash param";
    m_steps.reset();
    if (m_pszFailure)
        return m_pszFailure;
    return DigestText(digest);
}

CString HashBuffer(const BYTE* pData, DWORD dwLength) {
    CDigest digest;
    digest.Add(pData, dwLength);
    return digest.Finish();
}

CString ComputeFileHash(const char* pszPath) {
    CFile file;
    file.OpenOrThrow(pszPath);
    return ReadFileFacts(file, CInspectOptions()).strDigest;
}
