#include <gtest/gtest.h>

#include "cstring.h"

TEST(CString, FormatFollowsPrintf) {
    struct Case {
        const char* format;
        long long a;
        const char* expected;
    } const cases[] = {
        {"%#x", 0, "0"},
        {"%#x", 0x2a, "0x2a"},
        {"%d", -1, "-1"},
        {"%02X", 0x0a, "0A"},
        {"%llu Kb", 5242880, "5242880 Kb"},
    };
    for (const Case& c : cases) {
        CString s;
        if (std::string(c.format).find("ll") != std::string::npos)
            s.Format(c.format, static_cast<unsigned long long>(c.a));
        else
            s.Format(c.format, static_cast<int>(c.a));
        EXPECT_STREQ(s, c.expected) << c.format;
    }
}

TEST(CString, CopiesShareUntilWritten) {
    CString a("abc");
    CString b = a;
    EXPECT_EQ(a.GetString(), b.GetString());  // one buffer
    b += "def";
    EXPECT_STREQ(a, "abc");
    EXPECT_STREQ(b, "abcdef");
    char* p = a.GetBuffer(10);
    p[0] = 'X';
    a.ReleaseBuffer();
    EXPECT_STREQ(a, "Xbc");
    EXPECT_STREQ(b, "abcdef");
}

TEST(CString, AppendsItselfAndGrows) {
    CString s("ab");
    for (int i = 0; i < 10; ++i)
        s += s;
    EXPECT_EQ(s.GetLength(), 2 << 10);
    EXPECT_EQ(s.Mid(2046), "ab");
    s += s.GetString() + 1;  // a pointer into its own buffer
    EXPECT_EQ(s.GetLength(), (2 << 10) * 2 - 1);
}

TEST(CString, EmptyAndSlicing) {
    CString s;
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_STREQ(s, "");
    s = "C:\\pkgs\\app.sis";
    EXPECT_EQ(s.ReverseFind('\\'), 7);
    EXPECT_EQ(s.Find('x'), -1);
    EXPECT_EQ(s.Mid(8), "app.sis");
    EXPECT_EQ(s.Mid(8, 3), "app");
    EXPECT_EQ(s.Mid(40), "");
    s.Empty();
    EXPECT_EQ(s.GetLength(), 0);
}
