#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

#include "file.h"
#include "sis9.h"
#include "test_files.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kUid1 = 0x10201A7A;
constexpr uint32_t kUid3 = 0xA0000F61;
// UID4 of the three UIDs above.
constexpr uint32_t kUid4 = 0x3D08F331;

constexpr uint32_t kString = 1, kArray = 2, kCompressed = 3, kVersion = 4, kUid = 9, kContents = 12,
                   kController = 13, kInfo = 14, kLanguages = 15, kOptions = 16, kPrerequisites = 17,
                   kProperties = 19, kInstallBlock = 28, kData = 30, kControllerChecksum = 34,
                   kDataChecksum = 35, kChain = 39, kDataIndex = 40;

void Append(Bytes& to, const Bytes& from) { to.insert(to.end(), from.begin(), from.end()); }

Bytes Le32(uint32_t value) {
    return {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
}

Bytes Le64(uint64_t value) {
    Bytes bytes = Le32(uint32_t(value));
    Append(bytes, Le32(uint32_t(value >> 32)));
    return bytes;
}

// A length word, or the two words of the 64-bit form.
Bytes Length(uint64_t length, bool bLong) {
    if (!bLong)
        return Le32(uint32_t(length));
    Bytes bytes = Le32(uint32_t(length & 0x7FFFFFFF) | 0x80000000u);
    Append(bytes, Le32(uint32_t(length >> 31)));
    return bytes;
}

void Pad(Bytes& bytes) { bytes.resize((bytes.size() + 3) & ~size_t(3), 0xEE); }

// Type, length, value and padding; lengthDelta makes the length word lie.
Bytes FieldOf(uint32_t type, const Bytes& value, bool bLong = false, int64_t lengthDelta = 0) {
    Bytes bytes = Le32(type);
    Append(bytes, Length(value.size() + lengthDelta, bLong));
    Append(bytes, value);
    Pad(bytes);
    return bytes;
}

Bytes Utf16(const char* psz) {
    Bytes bytes;
    for (; *psz; ++psz)
        Append(bytes, {uint8_t(*psz), 0});
    return bytes;
}

// An array's value: element type, then each element as length, value and padding;
// lastLengthDelta makes the last element's length word lie.
Bytes ArrayOf(uint32_t elementType, const std::vector<Bytes>& elements, bool bLong = false,
              int lastLengthDelta = 0) {
    Bytes bytes = Le32(elementType);
    for (const Bytes& element : elements) {
        const int delta = &element == &elements.back() ? lastLengthDelta : 0;
        Append(bytes, Length(element.size() + delta, bLong));
        Append(bytes, element);
        Pad(bytes);
    }
    return bytes;
}

// What to build; each case changes a few of these.
struct Package {
    uint32_t uid4 = kUid4;
    uint32_t infoUid = 0x2000ABCD;  // not UID3: the facts come from Info
    int32_t major = 1, minor = 22, build = 333;
    Bytes vendorName = Utf16("Vendor");
    uint32_t namesElementType = kString;
    int nameLengthDelta = 0;
    int64_t infoLengthDelta = 0;
    int controllerLengthDelta = 0;
    int contentsLengthDelta = 0;
    int nChains = 0;
    int nEmbeddedChains = 0;
    bool bLong = false;  // every length in the 64-bit form
    uint32_t algorithm = 1;
    uint64_t claimed = 0;  // 0: the controller's true size
    int claimedDelta = 0;
    size_t nNoiseField = 0;       // bytes of an unknown field that does not compress
    size_t nControllerSize = 0;   // when set, a field of zeros makes the Controller this long
    size_t nAfterController = 0;  // bytes after the Controller field, compressed with it
    size_t nAfterStream = 0;      // bytes after the compressed stream
};

Bytes InfoOf(const Package& p) {
    Bytes info = FieldOf(kUid, Le32(p.infoUid), p.bLong);
    Append(info, FieldOf(kString, p.vendorName, p.bLong));
    Append(info, FieldOf(kArray, ArrayOf(p.namesElementType, {Utf16("Name"), Utf16("Nom")}, p.bLong, p.nameLengthDelta),
                         p.bLong));
    Append(info, FieldOf(kArray, ArrayOf(kString, {Utf16("Vendor Ltd")}, p.bLong), p.bLong));
    Bytes version = Le32(uint32_t(p.major));
    Append(version, Le32(uint32_t(p.minor)));
    Append(version, Le32(uint32_t(p.build)));
    Append(info, FieldOf(kVersion, version, p.bLong));
    Append(info, {0, 0});  // install type and flags
    return info;
}

Bytes ChainOf(const Package& p) { return FieldOf(kChain, Bytes(20, 0xC5), p.bLong); }

Bytes ControllerOf(const Package& p) {
    Bytes body = FieldOf(kInfo, InfoOf(p), p.bLong, p.infoLengthDelta);
    for (uint32_t type : {kOptions, kLanguages, kPrerequisites, kProperties})
        Append(body, FieldOf(type, FieldOf(kArray, ArrayOf(kString, {}, p.bLong), p.bLong), p.bLong));
    // One embedded package, signed as often as asked.
    Package inner = p;
    inner.nEmbeddedChains = 0;
    Bytes embedded = FieldOf(kInfo, InfoOf(inner), p.bLong);
    for (int i = 0; i < p.nEmbeddedChains; ++i)
        Append(embedded, ChainOf(p));
    Append(embedded, FieldOf(kDataIndex, Le32(1), p.bLong));
    Bytes install = FieldOf(kArray, ArrayOf(24, {}, p.bLong), p.bLong);
    Append(install, FieldOf(kArray, ArrayOf(kController, {embedded}, p.bLong), p.bLong));
    Append(install, FieldOf(kArray, ArrayOf(26, {}, p.bLong), p.bLong));
    Append(body, FieldOf(kInstallBlock, install, p.bLong));
    for (int i = 0; i < p.nChains; ++i)
        Append(body, ChainOf(p));
    Append(body, FieldOf(kDataIndex, Le32(0), p.bLong));
    if (p.nNoiseField) {
        Bytes noise(p.nNoiseField);
        uint32_t seed = 12345;
        for (uint8_t& b : noise)
            b = uint8_t((seed = seed * 1103515245 + 12345) >> 16);
        Append(body, FieldOf(0x7777, noise, p.bLong));
    }
    if (p.nControllerSize)
        Append(body, FieldOf(0x7778, Bytes(p.nControllerSize - body.size() - 16)));
    Bytes controller = FieldOf(kController, body, p.bLong, p.controllerLengthDelta);
    controller.resize(controller.size() + p.nAfterController, 0);
    return controller;
}

Bytes Build(const Package& p) {
    const Bytes controller = ControllerOf(p);
    Bytes data = controller;
    if (p.algorithm == 1) {
        uLongf nLength = compressBound(uLong(controller.size()));
        data.resize(nLength);
        EXPECT_EQ(compress2(data.data(), &nLength, controller.data(), uLong(controller.size()), 9), Z_OK);
        data.resize(nLength);
    }
    Bytes compressed = Le32(p.algorithm);
    Append(compressed, Le64((p.claimed ? p.claimed : controller.size()) + p.claimedDelta));
    Append(compressed, data);
    compressed.resize(compressed.size() + p.nAfterStream, 0);

    Bytes contents = FieldOf(kControllerChecksum, {0x12, 0x34}, p.bLong);
    Append(contents, FieldOf(kDataChecksum, {0x56, 0x78}, p.bLong));
    Append(contents, FieldOf(kCompressed, compressed, p.bLong));
    Append(contents, FieldOf(kData, Bytes(40, 0xDA), p.bLong));

    Bytes file = Le32(kUid1);
    for (uint32_t uid : {0u, kUid3, p.uid4})
        Append(file, Le32(uid));
    Append(file, FieldOf(kContents, contents, p.bLong, p.contentsLengthDelta));
    return file;
}

// Parses a prefix from its own exact-size buffer, so the sanitizer sees any read past it.
Sis9Result ParsePrefix(const Bytes& file, size_t nSize, uint64_t nFileLength, Sis9Facts& facts) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[nSize ? nSize : 1]);
    if (nSize)
        std::memcpy(copy.get(), file.data(), nSize);
    return ParseSis9(copy.get(), nSize, nFileLength, facts);
}

struct SyntheticCase {
    const char* what;
    std::function<void(Package&)> change;
    bool bComplete;
    bool bSigned;
};

struct CorpusCase {
    const char* path;
    bool bSis9;
    uint32_t uid;
    int major, minor, build;
    bool bSigned;
};

// The four facts, each checked against what the case expects.
void ExpectFacts(const Sis9Facts& facts, uint32_t uid, int major, int minor, int build, bool bSigned,
                 const std::string& what) {
    EXPECT_EQ(facts.dwUid, uid) << what;
    EXPECT_EQ(facts.nMajor, major) << what;
    EXPECT_EQ(facts.nMinor, minor) << what;
    EXPECT_EQ(facts.nBuild, build) << what;
    EXPECT_EQ(facts.bSigned, bSigned) << what;
}

// Reads a file as the inspection does: in pieces, keeping only the head the
// reader asks for, then parses that head.
bool ReadFile(const std::string& path, Sis9Facts& facts) {
    CFile file;
    file.OpenOrThrow(path.c_str());
    Sis9HeadKeeper head(file.GetLength());
    BYTE piece[4096];
    while (head.Missing() > 0) {
        const UINT nRead = file.Read(piece, static_cast<UINT>(std::min<size_t>(sizeof piece, head.Missing())));
        if (nRead == 0)
            break;
        head.Take(piece, nRead);
    }
    return ParseSis9(head.Head().data(), head.Head().size(), file.GetLength(), facts).status == Sis9Status::Complete;
}

Bytes LoadFile(const std::filesystem::path& path) {
    Bytes bytes(size_t(std::filesystem::file_size(path)));
    CFile file;
    file.OpenOrThrow(path.string().c_str());
    EXPECT_EQ(file.Read(bytes.data(), UINT(bytes.size())), bytes.size());
    return bytes;
}

}  // namespace

TEST(Sis9, SyntheticPackages) {
    const SyntheticCase cases[] = {
        {"unsigned", [](Package&) {}, true, false},
        {"one chain", [](Package& p) { p.nChains = 1; }, true, true},
        {"two chains", [](Package& p) { p.nChains = 2; }, true, true},
        {"only the embedded package is signed", [](Package& p) { p.nEmbeddedChains = 2; }, true, false},
        {"every length in the 64-bit form",
         [](Package& p) {
             p.bLong = true;
             p.nChains = 1;
         },
         true, true},
        {"controller stored uncompressed", [](Package& p) { p.algorithm = 0; }, true, false},
        {"negative and largest version numbers",
         [](Package& p) {
             p.major = -1;
             p.build = 2147483647;
         },
         true, false},
        {"empty vendor name", [](Package& p) { p.vendorName.clear(); }, true, false},
        {"wrong UID4", [](Package& p) { p.uid4 ^= 0x00010000; }, false, false},
        {"Contents runs past the end of the file", [](Package& p) { p.contentsLengthDelta = 4; }, false, false},
        {"Controller runs past its inflated bytes", [](Package& p) { p.controllerLengthDelta = 4; }, false, false},
        {"Version runs past the end of Info", [](Package& p) { p.infoLengthDelta = -4; }, false, false},
        {"Info 4 GiB longer in the 64-bit form",
         [](Package& p) {
             p.bLong = true;
             p.infoLengthDelta = int64_t(1) << 32;
         },
         false, false},
        {"a name runs past the end of its array", [](Package& p) { p.nameLengthDelta = 8; }, false, false},
        {"names array holds UIDs", [](Package& p) { p.namesElementType = kUid; }, false, false},
        {"odd-length vendor name", [](Package& p) { p.vendorName.push_back('x'); }, false, false},
        {"odd-length name in the names array", [](Package& p) { p.nameLengthDelta = -1; }, false, false},
        {"controller of 4 MiB", [](Package& p) { p.nControllerSize = 4 << 20; }, true, false},
        {"controller of 4 MiB and 4 bytes", [](Package& p) { p.nControllerSize = (4 << 20) + 4; }, false, false},
        {"bytes after the Controller", [](Package& p) { p.nAfterController = 4; }, false, false},
        {"bytes after the compressed stream", [](Package& p) { p.nAfterStream = 1; }, false, false},
        {"uncompressed size 4 GiB", [](Package& p) { p.claimed = uint64_t(1) << 32; }, false, false},
        {"uncompressed size one too small", [](Package& p) { p.claimedDelta = -1; }, false, false},
        {"uncompressed size one too large", [](Package& p) { p.claimedDelta = 1; }, false, false},
        {"stored size other than the data's",
         [](Package& p) {
             p.algorithm = 0;
             p.claimedDelta = -4;
         },
         false, false},
        {"algorithm 7 over stored bytes", [](Package& p) { p.algorithm = 7; }, false, false},
    };
    for (const SyntheticCase& c : cases) {
        Package package;
        c.change(package);
        const Bytes file = Build(package);
        Sis9Facts facts;
        const Sis9Result result = ParsePrefix(file, file.size(), file.size(), facts);
        ASSERT_EQ(result.status, c.bComplete ? Sis9Status::Complete : Sis9Status::NotSis9) << c.what;
        if (!c.bComplete)
            continue;
        ExpectFacts(facts, package.infoUid, package.major, package.minor, package.build, c.bSigned, c.what);
    }
}

// A controller that ends past the first read takes exactly one more, up to the
// end of the Compressed field.
TEST(Sis9, ControllerPastTheFirstRead) {
    Package package;
    package.nChains = 1;
    package.nNoiseField = 100000;
    const Bytes file = Build(package);
    Sis9Facts facts;
    const Sis9Result head = ParsePrefix(file, kSis9HeadBytes, file.size(), facts);
    ASSERT_EQ(head.status, Sis9Status::NeedMore);
    EXPECT_GT(head.nNeeded, kSis9HeadBytes);
    EXPECT_LE(head.nNeeded, file.size() - 48);  // the Data field is never asked for
    EXPECT_EQ(ParsePrefix(file, head.nNeeded - 1, file.size(), facts).status, Sis9Status::NeedMore);
    EXPECT_EQ(ParsePrefix(file, head.nNeeded, file.size(), facts).status, Sis9Status::Complete);

    TempDir dir;
    facts = Sis9Facts();
    EXPECT_TRUE(ReadFile(dir.Write("large.sis", file), facts));
    EXPECT_EQ(facts.dwUid, package.infoUid);
    EXPECT_TRUE(facts.bSigned);
    const Bytes cut(file.begin(), file.begin() + head.nNeeded - 1);
    EXPECT_FALSE(ReadFile(dir.Write("cut.sis", cut), facts));
}

TEST(Sis9, RealPackages) {
    const std::filesystem::path corpus = CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "PAKRILL_CORPUS is not set to the folder of real packages";
    const CorpusCase cases[] = {
        {"bt-sender/BT_Sender_3rdEd.SIS", true, 0xA0000F61, 0, 79, 0, false},
        {"bt-sender/BT_Sender_3rdEd_signed.SIS", true, 0xA0000F61, 0, 79, 0, true},
        // Unsigned, though the five packages inside it are signed.
        {"ybrowser-old/Y_Browser_3rdEd_Full.SIS", true, 0xA00007A6, 0, 89, 0, false},
        {"ybrowser-old/Y_Browser_3rdEd_Full_089_0.SIS", true, 0xA00007A6, 0, 89, 0, true},
        {"ybrowser-old/Release/PushL/older/Y_Browser_050_0_1StEd.SIS", false, 0, 0, 0, 0, false},
    };
    for (const CorpusCase& c : cases) {
        Sis9Facts facts;
        ASSERT_EQ(ReadFile((corpus / c.path).string(), facts), c.bSis9) << c.path;
        if (!c.bSis9)
            continue;
        ExpectFacts(facts, c.uid, c.major, c.minor, c.build, c.bSigned, c.path);
    }
}

// Every real Symbian 9 package is read, and no other one.
TEST(Sis9, WholeCorpus) {
    const std::filesystem::path corpus = CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "PAKRILL_CORPUS is not set to the folder of real packages";
    int nSis9 = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus)) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || (extension != ".SIS" && extension != ".sis"))
            continue;
        const Bytes file = LoadFile(entry.path());
        const bool bSis9 = file.size() >= 4 && std::memcmp(file.data(), Le32(kUid1).data(), 4) == 0;
        Sis9Facts facts;
        EXPECT_EQ(ReadFile(entry.path().string(), facts), bSis9) << entry.path();
        nSis9 += bSis9;
    }
    EXPECT_GT(nSis9, 0) << "no Symbian 9 package found under " << corpus;
}

// Cut at every length, as a short file and as a short read of the whole one. The
// file is smaller than the first read, so the whole of it is asked for.
TEST(Sis9, TruncatedRealPackage) {
    const std::filesystem::path corpus = CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "PAKRILL_CORPUS is not set to the folder of real packages";
    const Bytes file = LoadFile(corpus / "bt-sender/BT_Sender_3rdEd_signed.SIS");
    ASSERT_LT(file.size(), kSis9HeadBytes);
    Sis9Facts facts;
    ASSERT_EQ(ParsePrefix(file, file.size(), file.size(), facts).status, Sis9Status::Complete);
    for (size_t n = 0; n < file.size(); ++n) {
        ASSERT_EQ(ParsePrefix(file, n, n, facts).status, Sis9Status::NotSis9) << n << " bytes";
        const Sis9Result result = ParsePrefix(file, n, file.size(), facts);
        ASSERT_EQ(result.status, Sis9Status::NeedMore) << n << " bytes";
        ASSERT_EQ(result.nNeeded, file.size()) << n << " bytes";
    }
}
