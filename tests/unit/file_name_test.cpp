#include <gtest/gtest.h>

#include "file_name.h"

#ifdef _WIN32
#include <mbctype.h>
#endif

TEST(FileNameOfPath, NameIsTheTextAfterTheLastSeparator) {
    struct Case {
        const char* path;
        const char* name;
    } const cases[] = {
#ifdef _WIN32
        {"C:\\pkgs\\app.sis", "app.sis"},
        {"app.sis", "app.sis"},
        {"\\app.sis", "\\app.sis"},  // a backslash in the first place does not count
        {"\\\\server\\share\\app.sis", "app.sis"},
        {"C:\\pkgs\\", ""},
        {"C:\\pkgs/app.sis", "app.sis"},
        {"psion/HEBREAD.SIS", "HEBREAD.SIS"},
        {"C:/pkgs\\sub/app.sis", "app.sis"},
        {"/app.sis", "/app.sis"},
#else
        {"/pkgs/app.sis", "app.sis"},
        {"app.sis", "app.sis"},
        {"/pkgs/", ""},
#endif
    };
    for (const Case& c : cases)
        EXPECT_STREQ(FileNameOfPath(c.path), c.name) << c.path;
}

#ifdef _WIN32
// In code page 932 the second byte of a double-byte character can be 0x5C; it is
// part of that character, not a separator.
TEST(FileNameOfPath, DoubleByteCharacterEndingInBackslashByte) {
    const int nOldPage = _getmbcp();
    ASSERT_EQ(_setmbcp(932), 0);
    EXPECT_STREQ(FileNameOfPath("C:\\pkgs\\\x95\x5C.sis"), "\x95\x5C.sis");
    EXPECT_STREQ(FileNameOfPath("C:\\\x95\x5C"), "\x95\x5C");
    _setmbcp(nOldPage);
    // Read byte by byte, the same path splits inside the character.
    ASSERT_EQ(_setmbcp(1252), 0);
    EXPECT_STREQ(FileNameOfPath("C:\\pkgs\\\x95\x5C.sis"), ".sis");
    _setmbcp(nOldPage);
}
#endif

// The walks' test, shared by the window and pakrill-cli: the last three characters.
TEST(EndsInSis, LastThreeCharactersInAnyCase) {
    struct Case {
        const char* path;
        bool taken;
    } const cases[] = {
        {"a.sis", true}, {"B.SIS", true}, {"thesis", true}, {".sis", true}, {"x.Sis", true},
        {"x.sisx", false}, {"c.txt", false}, {"is", false}, {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EndsInSis(c.path), c.taken) << c.path;
#ifdef _WIN32
    // In code page 932 "\x82s" is one character, so "\x82sis" ends in "\x82s", "i", "s".
    const int nOldPage = _getmbcp();
    ASSERT_EQ(_setmbcp(932), 0);
    EXPECT_FALSE(EndsInSis("\x82sis"));
    _setmbcp(nOldPage);
#endif
}
