#include <gtest/gtest.h>

#include <fstream>

#include "exceptions.h"
#include "package_info.h"
#include "test_files.h"

namespace {

constexpr uint32_t kUid2Release5 = 0x1000006D;
constexpr uint32_t kUid2Release6 = 0x10003A12;
constexpr uint32_t kUid3Install = 0x10000419;

struct HeaderCase {
    const char* what;
    std::vector<uint8_t> bytes;
    const char* version;
    const char* uid;
    const char* size;
    const char* sig;
};

}  // namespace

TEST(ReadPackageInfo, HeaderTexts) {
    const HeaderCase cases[] = {
        {"empty file", {}, "0.0.0", "0", "0 Kb", ""},
        {"3-byte file keeps the bytes it has", {0x2A, 0x01, 0x02}, "0.0.0", "0x2012a", "0 Kb", ""},
        {"version 1.2.3", MakeBytes(72, {{40, 1, 2}, {42, 2, 2}, {44, 3, 4}}), "1.2.3", "0", "0 Kb", ""},
        {"unsigned 16-bit numbers, signed variant",
         MakeBytes(72, {{40, 0xFFFF, 2}, {42, 0xFFFF, 2}, {44, 0xFFFFFFFF, 4}}), "65535.65535.-1", "0", "0 Kb", ""},
        {"variant from 2^31 prints negative", MakeBytes(72, {{44, 0x80000000u, 4}}), "0.0.-2147483648", "0", "0 Kb",
         ""},
        {"UID 0x2a", MakeBytes(72, {{0, 0x2A, 4}}), "0.0.0", "0x2a", "0 Kb", ""},
        {"UID in lower case", MakeBytes(72, {{0, 0xA0000F61u, 4}}), "0.0.0", "0xa0000f61", "0 Kb", ""},
        {"signature pointer, top byte only", MakeBytes(72, {{71, 1, 1}}), "0.0.0", "0", "0 Kb", "Yes"},
        {"70-byte file: bytes 68 and 69 decide", MakeBytes(70, {{69, 0x80, 1}}), "0.0.0", "0", "0 Kb", "Yes"},
        {"70-byte file without them", MakeBytes(70, {{40, 7, 2}}), "7.0.0", "0", "0 Kb", ""},
        {"release 6 package with a signature",
         MakeBytes(100, {{0, 0x10005A5A, 4}, {4, kUid2Release6, 4}, {8, kUid3Install, 4}, {68, 0x60, 4}}), "0.0.0",
         "0x10005a5a", "0 Kb", "Yes"},
        {"release 5 package: offset 68 starts the language list",
         MakeBytes(100, {{4, kUid2Release5, 4}, {8, kUid3Install, 4}, {68, 1, 4}}), "0.0.0", "0", "0 Kb", ""},
        {"release 5 UID2 alone is not enough",
         MakeBytes(100, {{4, kUid2Release5, 4}, {8, 0x12345678, 4}, {68, 1, 4}}), "0.0.0", "0", "0 Kb", "Yes"},
        {"1,023 bytes", std::vector<uint8_t>(1023), "0.0.0", "0", "0 Kb", ""},
        {"1,024 bytes", std::vector<uint8_t>(1024), "0.0.0", "0", "1 Kb", ""},
    };
    TempDir dir;
    int n = 0;
    for (const HeaderCase& c : cases) {
        const std::string path = dir.Write("case" + std::to_string(n++) + ".sis", c.bytes);
        const CPackageInfo info = ReadPackageInfo(path.c_str());
        EXPECT_STREQ(info.m_strVersion, c.version) << c.what;
        EXPECT_STREQ(info.m_strUid, c.uid) << c.what;
        EXPECT_STREQ(info.m_strSize, c.size) << c.what;
        EXPECT_STREQ(info.m_strSig, c.sig) << c.what;
        EXPECT_EQ(info.m_dwLength, c.bytes.size()) << c.what;
    }
}

TEST(ReadPackageInfo, SizeComesFromTheWholeLength) {
    TempDir dir;
    struct Case {
        uint64_t length;
        const char* size;
        uint32_t low32;
    } const cases[] = {
        {10485760, "10240 Kb", 10485760},
        {5ull << 30, "5242880 Kb", 1u << 30},
    };
    for (const Case& c : cases) {
        const std::string path = dir.WriteSized("sized" + std::to_string(c.length), c.length);
        const CPackageInfo info = ReadPackageInfo(path.c_str());
        EXPECT_STREQ(info.m_strSize, c.size);
        EXPECT_EQ(info.m_dwLength, c.low32);
    }
}

TEST(ReadPackageInfo, MissingFileRaisesNotFound) {
    TempDir dir;
    const std::string path = dir.PathOf("gone.sis");
    try {
        ReadPackageInfo(path.c_str());
        FAIL() << "no error raised";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
        EXPECT_STREQ(e.GetErrorMessage(), (path + " was not found.").c_str());
    }
}

// Real packages, old and new side by side: Symbian 9 facts come from the
// controller, every other file keeps its fixed-offset texts, and each says what it is.
TEST(ReadPackageInfo, RealPackages) {
    const std::filesystem::path corpus = CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "PAKRILL_CORPUS is not set to the folder of real packages";
    struct Case {
        const char* path;
        const char* version;
        const char* uid;
        const char* size;
        const char* sig;
        const char* kind;
    } const cases[] = {
        {"bt-sender/BT_Sender_3rdEd.SIS", "0.79.0", "0xa0000f61", "12 Kb", "", "Symbian 9"},
        {"bt-sender/BT_Sender_3rdEd_signed.SIS", "0.79.0", "0xa0000f61", "13 Kb", "Yes", "Symbian 9"},
        {"ybrowser-old/Y_Browser_3rdEd_Full.SIS", "0.89.0", "0xa00007a6", "484 Kb", "", "Symbian 9"},
        {"ybrowser-old/Y_Browser_3rdEd_Full_089_0.SIS", "0.89.0", "0xa00007a6", "484 Kb", "Yes", "Symbian 9"},
        {"ybrowser-old/Release/PushL/older/Y_Browser_050_0_1StEd.SIS", "0.50.0", "0x101f7bbf", "34 Kb", "", "EPOC"},
    };
    for (const Case& c : cases) {
        const CPackageInfo info = ReadPackageInfo((corpus / c.path).string().c_str());
        EXPECT_STREQ(info.m_strVersion, c.version) << c.path;
        EXPECT_STREQ(info.m_strUid, c.uid) << c.path;
        EXPECT_STREQ(info.m_strSize, c.size) << c.path;
        EXPECT_STREQ(info.m_strSig, c.sig) << c.path;
        EXPECT_STREQ(info.m_strKind, c.kind) << c.path;
    }
}

// A Symbian 9 package that is cut short or carries bytes after its compressed
// controller shows no facts it cannot back: the marker's UID, no Version, no Sig.
// A file that merely has a package's name is unknown.
TEST(ReadPackageInfo, DamagedAndUnknownFilesInventNothing) {
    const std::filesystem::path corpus = CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "PAKRILL_CORPUS is not set to the folder of real packages";
    std::ifstream in(corpus / "ybrowser-old/Y_Browser_3rdEd_Full.SIS", std::ios::binary);
    const std::vector<uint8_t> whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(whole.size(), 100000u);
    // Eight bytes more inside the compressed field, after the zlib stream.
    std::vector<uint8_t> padded(whole.begin(), whole.end());
    auto le32 = [&](size_t i) {
        return padded[i] | padded[i + 1] << 8 | padded[i + 2] << 16 | static_cast<uint32_t>(padded[i + 3]) << 24;
    };
    size_t nCompressed = 24;  // past the checksum fields, if any
    while (le32(nCompressed) != 3)
        nCompressed = (nCompressed + 8 + le32(nCompressed + 4) + 3) & ~size_t{3};
    const size_t nEnd = nCompressed + 8 + le32(nCompressed + 4);
    padded.insert(padded.begin() + static_cast<std::ptrdiff_t>(nEnd), 8, 0x5A);
    for (size_t i : {nCompressed + 4, size_t{20}}) {
        const uint32_t n = le32(i) + 8;
        for (int b = 0; b < 4; ++b)
            padded[i + b] = static_cast<uint8_t>(n >> (8 * b));
    }
    const std::string text =
        "These notes are not a package at all; they only have its name, and enough text to reach the header fields.\n";

    TempDir dir;
    struct Case {
        std::string path;
        const char* version;
        const char* uid;
        const char* sig;
        const char* kind;
    } const cases[] = {
        {dir.Write("cut300.sis", std::vector<uint8_t>(whole.begin(), whole.begin() + 300)), "", "0x10201a7a", "",
         "damaged"},
        {dir.Write("cut100000.sis", std::vector<uint8_t>(whole.begin(), whole.begin() + 100000)), "", "0x10201a7a",
         "", "damaged"},
        {dir.Write("padded.sis", padded), "", "0x10201a7a", "", "damaged"},
        {dir.Write("notes.sis", std::vector<uint8_t>(text.begin(), text.end())), "31077.28448.544828526",
         "0x73656854", "Yes", "unknown"},
    };
    for (const Case& c : cases) {
        const CPackageInfo info = ReadPackageInfo(c.path.c_str());
        EXPECT_STREQ(info.m_strVersion, c.version) << c.path;
        EXPECT_STREQ(info.m_strUid, c.uid) << c.path;
        EXPECT_STREQ(info.m_strSig, c.sig) << c.path;
        EXPECT_STREQ(info.m_strKind, c.kind) << c.path;
    }
}
