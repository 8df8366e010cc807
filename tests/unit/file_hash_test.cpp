#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "file.h"
#include "file_hash.h"
#include "file_row.h"
#include "test_files.h"

TEST(HashBuffer, Md5TextIsThirtyTwoUpperCaseDigits) {
    struct Case {
        std::string data;
        const char* md5;
    } const cases[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(HashBuffer(reinterpret_cast<const BYTE*>(c.data.data()), static_cast<DWORD>(c.data.size())),
                     c.md5)
            << '"' << c.data << '"';
}

TEST(ComputeFileHash, HashesBelowTheLimitOnly) {
    TempDir dir;
    std::vector<uint8_t> kib;
    for (int i = 0; i < 4; ++i)
        for (int b = 0; b < 256; ++b)
            kib.push_back(static_cast<uint8_t>(b));
    struct Case {
        std::string path;
        const char* text;
    } const cases[] = {
        {dir.Write("empty", {}), "D41D8CD98F00B204E9800998ECF8427E"},
        {dir.Write("kib", kib), "B2EA9F7FCEA831A4A63B213F41A8855B"},
        {dir.WriteSized("just-below", 10485759), "CA08DCF70B77620FFF46E57078F8C265"},
        {dir.WriteSized("at-limit", 10485760), "Not available"},
        {dir.WriteSized("five-gib", 5ull << 30), "Not available"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(ComputeFileHash(c.path.c_str()), c.text) << c.path;
}

TEST(ComputeFileHash, MissingFileRaisesNotFound) {
    TempDir dir;
    const std::string path = dir.PathOf("gone.sis");
    try {
        ComputeFileHash(path.c_str());
        FAIL() << "no error raised";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
        EXPECT_STREQ(e.GetErrorMessage(), (path + " was not found.").c_str());
    }
}

TEST(ComputeFileHash, FileThatShrankIsHashedAsRead) {
    TempDir dir;
    const std::string path = dir.Write("shrunk", {'a', 'b', 'c'});
    CFile file;
    file.OpenOrThrow(path.c_str());
    // Whatever length was once reported, only the bytes read count.
    EXPECT_STREQ(ReadFileFacts(file, CInspectOptions()).strDigest, "900150983CD24FB0D6963F7D28E17F72");
}

namespace {

// Fails at one step and records which steps were tried.
class FailingDigest final : public DigestSteps {
public:
    static int s_nFailAt;
    static std::string s_strCalls;
    ~FailingDigest() override { s_strCalls += "~"; }
    bool AcquireContext() override { return Step(1, "A"); }
    bool CreateHash() override { return Step(2, "C"); }
    bool HashData(const BYTE*, DWORD) override { return Step(3, "H"); }
    bool GetHashValue(BYTE digest[16]) override {
        for (int i = 0; i < 16; ++i)
            digest[i] = static_cast<BYTE>(i);
        return Step(4, "V");
    }

private:
    bool Step(int n, const char* name) {
        s_strCalls += name;
        return n != s_nFailAt;
    }
};
int FailingDigest::s_nFailAt = 0;
std::string FailingDigest::s_strCalls;

std::unique_ptr<DigestSteps> MakeFailingDigest() { return std::make_unique<FailingDigest>(); }

}  // namespace

TEST(HashBuffer, FirstFailingStepNamesTheText) {
    struct Case {
        int failAt;
        const char* text;
        const char* calls;
    } const cases[] = {
        {1, "Error acquiring context", "A~"},
        {2, "Error creating hash", "AC~"},
        {3, "Error hashing data", "ACH~"},
        {4, "Error getting hash param", "ACHV~"},
        {0, "000102030405060708090A0B0C0D0E0F", "ACHV~"},
    };
    const DigestFactory pfnOld = SetDigestFactory(&MakeFailingDigest);
    TempDir dir;
    const std::string path = dir.Write("x", {1, 2, 3});
    for (const Case& c : cases) {
        FailingDigest::s_nFailAt = c.failAt;
        FailingDigest::s_strCalls.clear();
        EXPECT_STREQ(ComputeFileHash(path.c_str()), c.text) << "failing step " << c.failAt;
        EXPECT_EQ(FailingDigest::s_strCalls, c.calls) << "failing step " << c.failAt;
    }
    SetDigestFactory(pfnOld);
}

// The platform service through its real steps, one at a time, gives back all it took.
TEST(HashBuffer, PlatformStepsInOrder) {
    std::unique_ptr<DigestSteps> steps = MakePlatformDigest();
    BYTE digest[16];
    ASSERT_TRUE(steps->AcquireContext());
    ASSERT_TRUE(steps->CreateHash());
    ASSERT_TRUE(steps->HashData(reinterpret_cast<const BYTE*>("abc"), 3));
    ASSERT_TRUE(steps->GetHashValue(digest));
    EXPECT_EQ(digest[0], 0x90);
    EXPECT_EQ(digest[15], 0x72);
}
