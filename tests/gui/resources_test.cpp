#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "resource.h"
#include "types.h"

#include <commctrl.h>

namespace {

const BYTE* FindData(LPCSTR pszType, int nId, DWORD* pnSize = nullptr) {
    HMODULE hModule = ::GetModuleHandleA(nullptr);
    HRSRC hInfo = ::FindResourceA(hModule, MAKEINTRESOURCEA(nId), pszType);
    if (!hInfo)
        return nullptr;
    if (pnSize)
        *pnSize = ::SizeofResource(hModule, hInfo);
    return static_cast<const BYTE*>(::LockResource(::LoadResource(hModule, hInfo)));
}

// Reads a dialog template: words, and names that are either an ordinal or a UTF-16 string.
class TemplateReader {
public:
    explicit TemplateReader(const BYTE* p) : m_p(p), m_pStart(p) {}
    WORD Word() {
        WORD n;
        std::memcpy(&n, m_p, 2);
        m_p += 2;
        return n;
    }
    DWORD Dword() {
        DWORD n = Word();
        return n | static_cast<DWORD>(Word()) << 16;
    }
    // "#n" for an ordinal, except the button class's, which is named.
    std::string Name() {
        WORD first = Word();
        if (first == 0xFFFF) {
            WORD nOrdinal = Word();
            return nOrdinal == 0x80 ? "BUTTON" : "#" + std::to_string(nOrdinal);
        }
        std::string strText;
        for (WORD c = first; c; c = Word())
            strText += static_cast<char>(c);
        return strText;
    }
    void AlignDword() { m_p += (4 - (m_p - m_pStart) % 4) % 4; }

private:
    const BYTE* m_p;
    const BYTE* m_pStart;
};

}  // namespace

TEST(Resources, MainDialogTemplateHasExactlyTheStylesAsked) {
    const BYTE* pData = FindData(RT_DIALOG, IDD_MAIN);
    ASSERT_NE(pData, nullptr);
    TemplateReader in(pData);
    ASSERT_NE(reinterpret_cast<const WORD*>(pData)[1], 0xFFFF) << "an extended template";
    EXPECT_EQ(in.Dword(), static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
                                             WS_MINIMIZEBOX | WS_MAXIMIZEBOX | DS_SETFONT));
    EXPECT_EQ(in.Dword(), static_cast<DWORD>(WS_EX_APPWINDOW | WS_EX_ACCEPTFILES));
    WORD nItems = in.Word();
    ASSERT_EQ(nItems, 2);
    std::vector<int> geometry;
    for (int i = 0; i < 4; ++i)
        geometry.push_back(static_cast<short>(in.Word()));
    EXPECT_EQ(geometry, (std::vector<int>{0, 0, 334, 130}));
    EXPECT_EQ(in.Name(), "#130") << "menu";
    EXPECT_EQ(in.Name(), "") << "window class";
    EXPECT_EQ(in.Name(), "Pakrill") << "caption";
    EXPECT_EQ(in.Word(), 8) << "font size";
    EXPECT_EQ(in.Name(), "MS Sans Serif");

    const struct {
        WORD nId;
        const char* pszClass;
        const char* pszText;
        DWORD nStyle;
        DWORD nExStyle;
        std::vector<int> geometry;
    } controls[] = {
        {IDC_FILE_LIST, "SysListView32", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_NOSORTHEADER,
         WS_EX_CLIENTEDGE, {10, 10, 314, 94}},
        {IDCLOSE, "BUTTON", "Exit", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_FLAT, 0,
         {274, 110, 50, 13}},
    };
    for (const auto& c : controls) {
        in.AlignDword();
        EXPECT_EQ(in.Dword(), c.nStyle) << c.pszText;
        EXPECT_EQ(in.Dword(), c.nExStyle) << c.pszText;
        std::vector<int> at;
        for (int i = 0; i < 4; ++i)
            at.push_back(static_cast<short>(in.Word()));
        EXPECT_EQ(at, c.geometry) << c.pszText;
        EXPECT_EQ(in.Word(), c.nId);
        // Window class names are compared without regard to case, and the resource compiler upper-cases them.
        EXPECT_STRCASEEQ(in.Name().c_str(), c.pszClass);
        EXPECT_EQ(in.Name(), c.pszText);
        EXPECT_EQ(in.Word(), 0) << "creation data";
    }
}

TEST(Resources, IconGroupHasFourImagesThatLoad) {
    const BYTE* pGroup = FindData(RT_GROUP_ICON, IDR_MAIN_ICON);
    ASSERT_NE(pGroup, nullptr);
    WORD nCount;
    std::memcpy(&nCount, pGroup + 4, 2);
    std::set<std::pair<int, int>> sizesAndDepths;
    for (int i = 0; i < nCount; ++i) {
        const BYTE* pEntry = pGroup + 6 + 14 * i;
        int nSize = pEntry[0] ? pEntry[0] : 256;
        WORD nBits, nId;
        std::memcpy(&nBits, pEntry + 6, 2);
        std::memcpy(&nId, pEntry + 12, 2);
        sizesAndDepths.insert({nSize, nBits});
        DWORD nBytes = 0;
        const BYTE* pImage = FindData(RT_ICON, nId, &nBytes);
        ASSERT_NE(pImage, nullptr) << nSize << "x" << nSize << " " << nBits << " bits";
        HICON hIcon = ::CreateIconFromResourceEx(const_cast<BYTE*>(pImage), nBytes, TRUE, 0x00030000, nSize, nSize, 0);
        EXPECT_NE(hIcon, nullptr) << nSize << "x" << nSize << " " << nBits << " bits";
        ::DestroyIcon(hIcon);
    }
    EXPECT_EQ(sizesAndDepths, (std::set<std::pair<int, int>>{{48, 8}, {32, 8}, {48, 32}, {32, 32}}));
}

TEST(Resources, VersionBlockDescribesTheProgram) {
    char szPath[MAX_PATH];
    ::GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    DWORD nHandle = 0;
    std::vector<char> block(::GetFileVersionInfoSizeA(szPath, &nHandle));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(::GetFileVersionInfoA(szPath, 0, static_cast<DWORD>(block.size()), block.data()));

    VS_FIXEDFILEINFO* pFixed = nullptr;
    UINT nLength = 0;
    ASSERT_TRUE(::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&pFixed), &nLength));
    EXPECT_EQ(pFixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(pFixed->dwFileVersionLS, 0u);
    EXPECT_EQ(pFixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(pFixed->dwProductVersionLS, 0u);

    WORD* pTranslation = nullptr;
    ASSERT_TRUE(::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&pTranslation),
                                 &nLength));
    ASSERT_EQ(nLength, 4u) << "more than one language";
    EXPECT_EQ(pTranslation[0], 0x0409);
    EXPECT_EQ(pTranslation[1], 1200);

    const struct {
        const char* pszKey;
        const char* pszValue;
    } strings[] = {
        {"FileDescription", "Utility for extracting information from SIS files"},
        {"ProductName", "Pakrill"},
        {"LegalTrademarks", "Pakrill"},
        {"CompanyName", "The Pakrill developers"},
        {"LegalCopyright", "Copyright (C) The Pakrill developers"},
        {"FileVersion", "1.0.0.0"},
        {"ProductVersion", "1.0.0.0"},
    };
    for (const auto& s : strings) {
        char* pszValue = nullptr;
        std::string strQuery = std::string("\\StringFileInfo\\040904b0\\") + s.pszKey;
        ASSERT_TRUE(::VerQueryValueA(block.data(), strQuery.c_str(), reinterpret_cast<void**>(&pszValue), &nLength))
            << s.pszKey;
        EXPECT_STREQ(pszValue, s.pszValue) << s.pszKey;
    }
}

namespace {

struct ExtendedControl {
    DWORD nId;
    const char* pszClass;
    std::string strText;  // "#n" for a resource ordinal
    DWORD nStyle;
    std::vector<int> geometry;
};

// Reads an extended dialog template whose header is checked by the caller's values.
void ExpectExtendedTemplate(int nId, DWORD nStyle, std::vector<int> geometry, const char* pszCaption, WORD nPoints,
                            WORD nWeight, BYTE nCharset, const char* pszFace,
                            const std::vector<ExtendedControl>& controls) {
    const BYTE* pData = FindData(RT_DIALOG, nId);
    ASSERT_NE(pData, nullptr) << nId;
    TemplateReader in(pData);
    ASSERT_EQ(in.Word(), 1) << "version of template " << nId;
    ASSERT_EQ(in.Word(), 0xFFFF) << "template " << nId << " is not extended";
    EXPECT_EQ(in.Dword(), 0u) << "help id";
    EXPECT_EQ(in.Dword(), 0u) << "extended style";
    EXPECT_EQ(in.Dword(), nStyle) << "style of template " << nId;
    WORD nItems = in.Word();
    std::vector<int> at;
    for (int i = 0; i < 4; ++i)
        at.push_back(static_cast<short>(in.Word()));
    EXPECT_EQ(at, geometry) << nId;
    EXPECT_EQ(in.Name(), "") << "menu";
    EXPECT_EQ(in.Name(), "") << "window class";
    EXPECT_EQ(in.Name(), pszCaption);
    EXPECT_EQ(in.Word(), nPoints) << "font size";
    EXPECT_EQ(in.Word(), nWeight) << "font weight";
    WORD nItalicAndCharset = in.Word();
    EXPECT_EQ(nItalicAndCharset & 0xFF, 0) << "italic";
    EXPECT_EQ(nItalicAndCharset >> 8, nCharset) << "character set";
    EXPECT_EQ(in.Name(), pszFace);
    ASSERT_EQ(nItems, controls.size()) << nId;
    for (const auto& c : controls) {
        in.AlignDword();
        EXPECT_EQ(in.Dword(), 0u) << c.strText << ": help id";
        EXPECT_EQ(in.Dword(), 0u) << c.strText << ": extended style";
        EXPECT_EQ(in.Dword(), c.nStyle) << c.strText;
        std::vector<int> rect;
        for (int i = 0; i < 4; ++i)
            rect.push_back(static_cast<short>(in.Word()));
        EXPECT_EQ(rect, c.geometry) << c.strText;
        EXPECT_EQ(in.Dword(), c.nId) << c.strText;
        std::string strClass = in.Name();
        // The static class may be stored as its ordinal; class names compare without regard to case.
        if (strClass == "#130")
            strClass = "STATIC";
        EXPECT_STRCASEEQ(strClass.c_str(), c.pszClass) << c.strText;
        std::string strText = in.Name();
        if (c.strText == "*")
            EXPECT_FALSE(strText.empty()) << "a text left to us";
        else
            EXPECT_EQ(strText, c.strText);
        EXPECT_EQ(in.Word(), 0) << c.strText << ": creation data";
    }
}

}  // namespace

TEST(Resources, AboutTemplateIsExactlyAsItsTable) {
    const DWORD kText = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;
    ExpectExtendedTemplate(IDD_ABOUT, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, {0, 0, 174, 126},
                           "About Pakrill", 8, 0, 0, "MS Sans Serif",
                           {
                               {0xFFFFFFFF, "STATIC", "version 1.03", kText, {69, 67, 40, 8}},
                               {0xFFFFFFFF, "STATIC", "*", kText, {32, 89, 108, 8}},
                               {IDC_LINK, "STATIC", "*", kText | SS_NOTIFY, {52, 101, 68, 8}},
                               {0xFFFFFFFF, "STATIC", "#138", WS_CHILD | WS_VISIBLE | SS_BITMAP, {12, 11, 151, 47}},
                           });
}

TEST(Resources, OptionsTemplateIsExactlyAsItsTable) {
    ExpectExtendedTemplate(
        IDD_OPTIONS, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS, {0, 0, 186, 95},
        "Options", 8, 400, 1, "MS Shell Dlg",
        {
            {IDOK, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, {75, 77, 50, 14}},
            {IDC_ALWAYS_ON_TOP, "BUTTON", "Always on top", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX,
             {14, 22, 83, 8}},
            {0xFFFFFFFF, "BUTTON", "General", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, {7, 7, 172, 64}},
            {IDCANCEL, "BUTTON", "Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, {129, 76, 50, 15}},
        });
}

TEST(Resources, AboutPictureIsAnUncompressedBottomUp24BitBitmapOnTheGivenGrey) {
    DWORD nSize = 0;
    const BYTE* pData = FindData(RT_BITMAP, IDB_ABOUT_PICTURE, &nSize);
    ASSERT_NE(pData, nullptr);
    BITMAPINFOHEADER header;
    ASSERT_GE(nSize, sizeof header);
    std::memcpy(&header, pData, sizeof header);
    EXPECT_EQ(header.biSize, sizeof header);
    EXPECT_EQ(header.biWidth, 224);
    EXPECT_EQ(header.biHeight, 76) << "rows stored bottom-up";
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(header.biClrUsed, 0u) << "colour table";
    ASSERT_EQ(nSize, sizeof header + 672u * 76) << "672 bytes a row, nothing else";

    // Pixel (x, y) from the top; the rows are stored from the bottom, blue first.
    auto pixel = [&](int x, int y) {
        const BYTE* p = pData + sizeof header + (75 - y) * 672 + x * 3;
        return RGB(p[2], p[1], p[0]);
    };
    for (POINT pt : {POINT{0, 0}, POINT{223, 0}, POINT{0, 75}, POINT{223, 75}, POINT{112, 2}})
        EXPECT_EQ(pixel(pt.x, pt.y), RGB(214, 211, 206)) << pt.x << "," << pt.y;
    int nGreen = 0, nDark = 0;
    for (int y = 0; y < 76; ++y)
        for (int x = 0; x < 224; ++x) {
            COLORREF cr = pixel(x, y);
            nGreen += GetGValue(cr) > GetRValue(cr) + 40 && GetGValue(cr) > GetBValue(cr) + 40;
            nDark += GetRValue(cr) < 120 && GetGValue(cr) < 120 && GetBValue(cr) < 120;
        }
    EXPECT_GT(nGreen, 224 * 76 / 5) << "the green letters";
    EXPECT_GT(nDark, 224 * 76 / 40) << "the dark shadow and outline";
}
