#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "byte_block.h"
#include "file.h"
#include "test_files.h"

#ifdef _WIN32
// Holds a file open the way another program could; with no sharing at all by default.
struct HeldOpen {
    explicit HeldOpen(const std::string& path, DWORD dwAccess = GENERIC_READ, DWORD dwShare = 0)
        : h(CreateFileA(path.c_str(), dwAccess, dwShare, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~HeldOpen() { CloseHandle(h); }
    HANDLE h;
};
#endif

TEST(CFile, ReadsShortAtTheEndAndSeeksPastIt) {
    TempDir dir;
    const std::string path = dir.Write("five", {1, 2, 3, 4, 5});
    CFile file;
    file.OpenOrThrow(path.c_str());
    EXPECT_EQ(file.GetLength(), 5u);

    unsigned char buf[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    file.Seek(3, CFile::begin);
    EXPECT_EQ(file.Read(buf, 4), 2u);
    EXPECT_EQ(buf[0], 4);
    EXPECT_EQ(buf[1], 5);
    EXPECT_EQ(buf[2], 9) << "bytes past the end are left as they were";

    EXPECT_EQ(file.Seek(68, CFile::begin), 68u);
    EXPECT_EQ(file.Read(buf, 4), 0u);
}

TEST(CFile, LengthIsSixtyFourBits) {
    TempDir dir;
    const std::string path = dir.WriteSized("big", 5ull << 30);
    CFile file;
    file.OpenOrThrow(path.c_str());
    EXPECT_EQ(file.GetLength(), 5ull << 30);
}

TEST(CFile, ClosesWhenDestroyed) {
    TempDir dir;
    const std::string path = dir.Write("a", {1});
    {
        CFile file;
        file.OpenOrThrow(path.c_str());
    }
#ifdef _WIN32
    // An open that shares nothing fails while any other handle is open.
    HeldOpen exclusive(path);
    EXPECT_NE(exclusive.h, INVALID_HANDLE_VALUE);
#else
    CFile again;
    EXPECT_TRUE(again.Open(path.c_str(), CFile::modeRead | CFile::shareCompat));
#endif
}

#ifdef _WIN32
// Other readers never make a file unreadable; a writer or an opener that shares
// nothing does.
TEST(CFile, SharesTheFileWithOtherReadersOnly) {
    TempDir dir;
    const std::string path = dir.Write("shared.sis", {1, 2, 3});
    const DWORD dwAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    struct Case {
        const char* what;
        DWORD dwAccess;
        DWORD dwShare;
        bool bReadable;
    } const cases[] = {
        {"a reader sharing everything", GENERIC_READ, dwAll, true},
        {"a reader sharing reading", GENERIC_READ, FILE_SHARE_READ, true},
        {"a writer sharing everything", GENERIC_WRITE, dwAll, false},
        {"a reader sharing nothing", GENERIC_READ, 0, false},
    };
    for (const Case& c : cases) {
        HeldOpen other(path, c.dwAccess, c.dwShare);
        ASSERT_NE(other.h, INVALID_HANDLE_VALUE) << c.what;
        CFile first, second;
        CFileException error;
        EXPECT_EQ(first.Open(path.c_str(), CFile::modeRead, &error), c.bReadable) << c.what;
        if (c.bReadable) {
            EXPECT_TRUE(second.Open(path.c_str(), CFile::modeRead)) << c.what << ": this program's second open";
            BYTE b[3] = {};
            EXPECT_EQ(second.Read(b, 3), 3u) << c.what;
        } else {
            EXPECT_EQ(error.m_cause, CFileException::sharingViolation) << c.what;
            EXPECT_STREQ(error.GetErrorMessage(), (path + " is in use by another program and cannot be read.").c_str())
                << c.what;
        }
    }
}
#endif

// Every way an open can fail names the true cause and a full path, never an empty one.
TEST(CFile, OpenFailuresCarryTheirCause) {
    TempDir dir;
    const std::string existing = dir.Write("held.sis", {1, 2, 3});
    struct Case {
        const char* what;
        std::string path;
        int cause;
        std::string message;
    };
    std::vector<Case> cases = {
        {"missing file", dir.PathOf("missing.sis"), CFileException::fileNotFound,
         CFile::FullPathOf(dir.PathOf("missing.sis").c_str()).GetString() + std::string(" was not found.")},
        {"missing folder", dir.PathOf("nowhere/x.sis"), CFileException::fileNotFound, ""},
        {"folder", dir.Path().string(), CFileException::accessDenied,
         "Access to " + dir.Path().string() + " was denied."},
    };
#ifdef _WIN32
    HeldOpen held(existing);
    ASSERT_NE(held.h, INVALID_HANDLE_VALUE);
    cases.push_back({"held open without sharing", existing, CFileException::sharingViolation,
                     existing + " is in use by another program and cannot be read."});
    const std::string longPath = dir.PathOf(std::string(300, 'x') + ".sis");
    cases.push_back({"path too long", longPath, CFileException::badPath,
                     "The path " + longPath + " is too long to be opened."});
#else
    const std::string longPath = dir.PathOf(std::string(300, 'x') + ".sis");
    cases.push_back({"name too long", longPath, CFileException::badPath,
                     "The path " + longPath + " is too long to be opened."});
#endif
    for (const Case& c : cases) {
        CFile file;
        CFileException error;
        EXPECT_FALSE(file.Open(c.path.c_str(), CFile::modeRead | CFile::shareCompat, &error)) << c.what;
        EXPECT_EQ(error.m_cause, c.cause) << c.what;
        EXPECT_FALSE(error.m_strFileName.IsEmpty()) << c.what;
        if (!c.message.empty()) {
            EXPECT_STREQ(error.GetErrorMessage(), c.message.c_str()) << c.what;
        }
        EXPECT_THROW(file.OpenOrThrow(c.path.c_str()), CFileException) << c.what;
    }
}

TEST(CFile, RelativePathsGetTheirFullPath) {
    CFileException error;
    CFile file;
    ASSERT_FALSE(file.Open("no-such-package.sis", CFile::modeRead, &error));
    const std::string name = error.m_strFileName.GetString();
    EXPECT_GT(name.size(), std::string("no-such-package.sis").size());
    EXPECT_EQ(name.substr(name.size() - 19), "no-such-package.sis");
}

// Whole-file blocks, large-page aligned or not, hold every byte they promise.
TEST(CByteBlock, HoldsEveryByteOfItsSize) {
    for (size_t nSize : {size_t{0}, size_t{1}, size_t{4097}, size_t{(2u << 20) - 1}, size_t{2u << 20},
                         size_t{10485759}}) {
        CByteBlock block(nSize);
        ASSERT_NE(block.Data(), nullptr) << nSize;
        EXPECT_EQ(block.Size(), nSize);
        for (size_t i = 0; i < nSize; i += 4096)
            block.Data()[i] = static_cast<BYTE>(i);
        if (nSize) {
            block.Data()[nSize - 1] = 0x5A;
            EXPECT_EQ(block.Data()[nSize - 1], 0x5A) << nSize;
        }
    }
}

#ifndef _WIN32
namespace {
// The process's address space in KiB, as the kernel counts it.
long AddressSpaceKib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmSize:", 0) == 0)
            return std::stol(line.substr(7));
    return -1;
}
}  // namespace

// Blocks whose size is not a whole number of pages gave back all they took.
TEST(CByteBlock, GivesBackItsWholeMappingWhateverTheSize) {
    const long nBefore = AddressSpaceKib();
    ASSERT_GT(nBefore, 0);
    for (int i = 0; i < 200; ++i) {
        CByteBlock block(3000001 + static_cast<size_t>(i));
        block.Data()[0] = 1;
    }
    // Each leaked tail would be up to 2 MiB; 200 of them several hundred MiB.
    EXPECT_LT(AddressSpaceKib() - nBefore, 32 * 1024);
}
#endif
