#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "../inspect/package_info.h"
#include "../inspect/sis9.h"

namespace {

constexpr uint32_t kUid1 = 0x10201A7A;

void Check(bool bHolds) {
    if (!bHolds)
        std::abort();
}

// An exact-size copy, so the sanitizer sees any read past the prefix.
Sis9Result ParsePrefix(const uint8_t* pData, size_t nSize, size_t nFileLength, Sis9Facts& facts) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[nSize ? nSize : 1]);
    if (nSize)
        std::memcpy(copy.get(), pData, nSize);
    return ParseSis9(copy.get(), nSize, nFileLength, facts);
}

bool Same(const Sis9Facts& a, const Sis9Facts& b) {
    return a.dwUid == b.dwUid && a.nMajor == b.nMajor && a.nMinor == b.nMinor && a.nBuild == b.nBuild &&
           a.bSigned == b.bSigned;
}

// From a prefix of nStart bytes, asks for longer prefixes until the answer comes;
// it must come within nRounds parses and match the whole file's answer.
void CheckConverges(const uint8_t* pData, size_t nSize, size_t nStart, int nRounds, const Sis9Result& whole,
                    const Sis9Facts& wholeFacts) {
    size_t nPrefix = nStart;
    for (int nRound = 0; nRound < nRounds; ++nRound) {
        Sis9Facts facts;
        const Sis9Result partial = ParsePrefix(pData, nPrefix, nSize, facts);
        if (partial.status != Sis9Status::NeedMore) {
            Check(partial.status == whole.status);
            Check(partial.status != Sis9Status::Complete || Same(facts, wholeFacts));
            return;
        }
        Check(partial.nNeeded > nPrefix && partial.nNeeded <= nSize);
        nPrefix = partial.nNeeded;
    }
    std::abort();
}

bool SameSummary(const CPackageInfo& a, const CPackageInfo& b) {
    return a.m_strVersion == b.m_strVersion && a.m_strUid == b.m_strUid && a.m_strSize == b.m_strSize &&
           a.m_strSig == b.m_strSig && a.m_strKind == b.m_strKind;
}

// The Kind and the texts from the whole file must be what a reader gets that keeps
// only the head the summary asks for, in pieces of any size, whether or not it
// knows the length while reading. A damaged package must show no invented facts.
void FuzzKind(const uint8_t* pData, size_t nSize) {
    const CPackageInfo whole = SummarizePackage(pData, nSize, nSize);
    const CString& kind = whole.m_strKind;
    Check(kind == "EPOC" || kind == "Symbian 9" || kind == "damaged" || kind == "unknown");
    if (kind == "damaged")
        Check(whole.m_strVersion.IsEmpty() && whole.m_strSig.IsEmpty() && whole.m_strUid == "0x10201a7a");
    if (kind == "Symbian 9") {
        Sis9Facts facts;
        Check(ParsePrefix(pData, nSize, nSize, facts).status == Sis9Status::Complete);
    }
    if (kind == "EPOC")
        Check(nSize >= 16 && (pData[12] | pData[13] << 8 | pData[14] << 16 | static_cast<uint32_t>(pData[15]) << 24) ==
                                 Uid4Of(pData));
    const size_t nPiece = nSize ? 1 + pData[nSize - 1] * 37u : 1;
    for (ULONGLONG nAssumed : {static_cast<ULONGLONG>(nSize), static_cast<ULONGLONG>(~0ull >> 2)}) {
        Sis9HeadKeeper keeper(nAssumed);
        for (size_t nAt = 0; nAt < nSize && keeper.Missing(); nAt += nPiece)
            keeper.Take(pData + nAt, std::min(nPiece, nSize - nAt));
        const std::vector<BYTE>& head = keeper.Head();
        Check(SameSummary(SummarizePackage(head.data(), head.size(), nSize), whole));
    }
}

void FuzzFile(const uint8_t* pData, size_t nSize) {
    FuzzKind(pData, nSize);
    Sis9Facts facts;
    const Sis9Result whole = ParsePrefix(pData, nSize, nSize, facts);
    Check(whole.status != Sis9Status::NeedMore);
    CheckConverges(pData, nSize, nSize / 2, 3, whole, facts);
    // The file reader's way: the head, then at most one more read.
    CheckConverges(pData, nSize, nSize < kSis9HeadBytes ? nSize : kSis9HeadBytes, 2, whole, facts);
}

void PutLe32(std::vector<uint8_t>& bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Input that is not a file is taken as a raw controller and stored uncompressed,
// so mutations reach the controller's fields instead of breaking a zlib stream.
void FuzzController(const uint8_t* pData, size_t nSize) {
    std::vector<uint8_t> file;
    for (uint32_t uid : {kUid1, 0u, 0xA0000F61u, 0x3D08F331u})
        PutLe32(file, uid);
    PutLe32(file, 12);
    PutLe32(file, static_cast<uint32_t>(20 + nSize));
    PutLe32(file, 3);
    PutLe32(file, static_cast<uint32_t>(12 + nSize));
    PutLe32(file, 0);
    PutLe32(file, static_cast<uint32_t>(nSize));
    PutLe32(file, 0);
    file.insert(file.end(), pData, pData + nSize);
    FuzzFile(file.data(), file.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    if (nSize >= 4 && (pData[0] | pData[1] << 8 | pData[2] << 16 | static_cast<uint32_t>(pData[3]) << 24) == kUid1) {
        FuzzFile(pData, nSize);
    } else {
        // Any other file gets a Kind too (EPOC or unknown).
        FuzzKind(pData, nSize);
        if (nSize < (1u << 20))
            FuzzController(pData, nSize);
    }
    return 0;
}
