#include "file_hash.h"

#include <wincrypt.h>

namespace {

class CryptoApiDigest final : public DigestSteps {
public:
    ~CryptoApiDigest() override {
        if (m_hHash)
            CryptDestroyHash(m_hHash);
        if (m_hProv)
            CryptReleaseContext(m_hProv, 0);
    }
    bool AcquireContext() override {
        if (CryptAcquireContextA(&m_hProv, nullptr, nullptr, PROV_RSA_FULL,
                                 CRYPT_VERIFYCONTEXT | CRYPT_MACHINE_KEYSET))
            return true;
        m_hProv = 0;
        return false;
    }
    bool CreateHash() override {
        if (CryptCreateHash(m_hProv, CALG_MD5, 0, 0, &m_hHash))
            return true;
        m_hHash = 0;
        return false;
    }
    bool HashData(const BYTE* pData, DWORD dwLength) override {
        return CryptHashData(m_hHash, pData, dwLength, 0) != FALSE;
    }
    bool GetHashValue(BYTE digest[16]) override {
        DWORD dwSize = 16;
        return CryptGetHashParam(m_hHash, HP_HASHVAL, digest, &dwSize, 0) != FALSE;
    }

private:
    HCRYPTPROV m_hProv = 0;
    HCRYPTHASH m_hHash = 0;
};

}  // namespace

std::unique_ptr<DigestSteps> MakePlatformDigest() { return std::make_unique<CryptoApiDigest>(); }
