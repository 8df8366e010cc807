#include <openssl/evp.h>

#include "file_hash.h"

namespace {

class OpenSslDigest final : public DigestSteps {
public:
    ~OpenSslDigest() override { EVP_MD_CTX_free(m_pContext); }
    bool AcquireContext() override { return (m_pContext = EVP_MD_CTX_new()) != nullptr; }
    bool CreateHash() override { return EVP_DigestInit_ex(m_pContext, EVP_md5(), nullptr) == 1; }
    bool HashData(const BYTE* pData, DWORD dwLength) override {
        return EVP_DigestUpdate(m_pContext, pData, dwLength) == 1;
    }
    bool GetHashValue(BYTE digest[16]) override {
        unsigned int nSize = 16;
        return EVP_DigestFinal_ex(m_pContext, digest, &nSize) == 1 && nSize == 16;
    }

private:
    EVP_MD_CTX* m_pContext = nullptr;
};

}  // namespace

std::unique_ptr<DigestSteps> MakePlatformDigest() { return std::make_unique<OpenSslDigest>(); }
