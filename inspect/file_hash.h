#pragma once
#include <memory>

#include "../framework/cstring.h"

// Files of this many bytes or more are not read for their digest.
constexpr ULONGLONG kHashSizeLimit = 10485760;

// The MD5 digest text of a whole file, "Not available" at the size limit and
// above, or the text of the digest step that failed. Raises CFileException when
// the file cannot be opened or read, CMemoryException when its buffer cannot be had.
CString ComputeFileHash(const char* pszPath);

// The MD5 digest text of a block, or the text of the step that failed.
CString HashBuffer(const BYTE* pData, DWORD dwLength);

// The four steps of one digest through the platform's hash service. Whatever was
// acquired or created is given back by the destructor.
class DigestSteps {
public:
    virtual ~DigestSteps() = default;
    virtual bool AcquireContext() = 0;
    virtual bool CreateHash() = 0;
    virtual bool HashData(const BYTE* pData, DWORD dwLength) = 0;
    virtual bool GetHashValue(BYTE digest[16]) = 0;
};

// The platform's own digest service (CryptoAPI on Windows, libcrypto elsewhere).
std::unique_ptr<DigestSteps> MakePlatformDigest();

// Where HashBuffer gets its steps from; tests put a failing service in its place.
using DigestFactory = std::unique_ptr<DigestSteps> (*)();
DigestFactory SetDigestFactory(DigestFactory pfnFactory) noexcept;

// One digest fed piece by piece, so a file of any size is hashed in bounded
// memory. The first step that fails names the text, and nothing after it is tried.
class CDigest {
public:
    CDigest();
    void Add(const BYTE* pData, size_t nLength);
    CString Finish();

private:
    std::unique_ptr<DigestSteps> m_steps;
    const char* m_pszFailure = nullptr;
    bool m_bFed = false;
};
