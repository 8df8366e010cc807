#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "exceptions.h"
#include "file_dialog.h"
#include "harness.h"
#include "main_dialog.h"
#include "resource.h"
#include "test_files.h"

#include <commctrl.h>
#include <shlobj.h>

namespace {

using Row = std::vector<std::string>;

std::vector<Row> ListRows(HWND hList) { return ListCells(hList, 6); }

std::vector<std::string> Names(HWND hDlg) { return ListNames(::GetDlgItem(hDlg, IDC_FILE_LIST)); }

// A dropped set as the shell hands it over: DROPFILES, then the names, double NUL.
HDROP MakeDrop(const std::vector<std::string>& paths) {
    size_t nBytes = sizeof(DROPFILES) + 1;
    for (const std::string& path : paths)
        nBytes += path.size() + 1;
    HGLOBAL hGlobal = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, nBytes);
    auto* pDrop = static_cast<DROPFILES*>(::GlobalLock(hGlobal));
    pDrop->pFiles = sizeof(DROPFILES);
    pDrop->fWide = FALSE;
    char* p = reinterpret_cast<char*>(pDrop + 1);
    for (const std::string& path : paths) {
        std::memcpy(p, path.c_str(), path.size() + 1);
        p += path.size() + 1;
    }
    ::GlobalUnlock(hGlobal);
    return static_cast<HDROP>(hGlobal);
}

// A dropped set as the shell of today hands it over: the names in UTF-16.
HDROP MakeWideDrop(const std::vector<std::wstring>& paths) {
    size_t nChars = 1;
    for (const std::wstring& path : paths)
        nChars += path.size() + 1;
    HGLOBAL hGlobal = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + nChars * sizeof(wchar_t));
    auto* pDrop = static_cast<DROPFILES*>(::GlobalLock(hGlobal));
    pDrop->pFiles = sizeof(DROPFILES);
    pDrop->fWide = TRUE;
    wchar_t* p = reinterpret_cast<wchar_t*>(pDrop + 1);
    for (const std::wstring& path : paths) {
        std::memcpy(p, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
        p += path.size() + 1;
    }
    ::GlobalUnlock(hGlobal);
    return static_cast<HDROP>(hGlobal);
}

bool IsReleased(HDROP hDrop) { return ::GlobalSize(hDrop) == 0; }

// Drops the set through the real message path and closes the boxes it raises.
std::vector<ShownBox> Drop(HWND hDlg, HDROP hDrop) {
    return CloseBoxesDuring([&] { ::SendMessageA(hDlg, WM_DROPFILES, reinterpret_cast<WPARAM>(hDrop), 0); });
}

// Runs the script in the main dialog, then closes it.
void RunAndClose(std::function<void(HWND)> script) {
    RunMainDialog([&](HWND hDlg) {
        script(hDlg);
        ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
    });
}

// A package whose texts are known: version 1.2.3, UID 0x2a, signed.
const std::vector<uint8_t>& KnownPackage() {
    static const std::vector<uint8_t> bytes = MakeBytes(72, {{0, 0x2A, 4}, {40, 1, 2}, {42, 2, 2}, {44, 3, 4}, {68, 1, 4}});
    return bytes;
}
const Row kKnownRow = {"", "1.2.3", "0x2a", "0 Kb", "Yes", "E5D1141B4A8E63209B05BEE7AF0CAF3E"};

}  // namespace

TEST(FileIntake, DroppedFilesBecomeRowsLastOnTop) {
    TempDir dir;
    const std::string first = dir.Write("first.sis", KnownPackage());
    const std::string second = dir.Write("second.sis", {});
    RunAndClose([&](HWND hDlg) {
        HDROP hDrop = MakeDrop({first, second});
        EXPECT_TRUE(Drop(hDlg, hDrop).empty());
        Row known = kKnownRow;
        known[0] = "first.sis";
        const std::vector<Row> expected = {
            {"second.sis", "0.0.0", "0", "0 Kb", "", "D41D8CD98F00B204E9800998ECF8427E"}, known};
        EXPECT_EQ(ListRows(::GetDlgItem(hDlg, IDC_FILE_LIST)), expected);
        EXPECT_TRUE(IsReleased(hDrop));
    });
}

// An unreadable file ends the drop: rows before it stay, one stop box names it,
// nothing after it is read, and the set is still given back.
TEST(FileIntake, UnreadableDroppedFileStopsTheDrop) {
    TempDir dir;
    const std::string a = dir.Write("a.sis", {});
    const std::string c = dir.Write("c.sis", {});
    struct Case {
        const char* what;
        std::string bad;
        std::string text;
    } const cases[] = {
        {"missing", dir.PathOf("b.sis"), dir.PathOf("b.sis") + " was not found."},
        {"folder", dir.Path().string(), "Access to " + dir.Path().string() + " was denied."},
    };
    for (const Case& c2 : cases) {
        RunAndClose([&](HWND hDlg) {
            HDROP hDrop = MakeDrop({a, c2.bad, c});
            const std::vector<ShownBox> boxes = Drop(hDlg, hDrop);
            ASSERT_EQ(boxes.size(), 1u) << c2.what;
            EXPECT_EQ(boxes[0].strText, c2.text) << c2.what;
            EXPECT_EQ(boxes[0].strCaption, "gui_tests") << c2.what;
            ASSERT_EQ(TestApp().m_boxes.size(), 1u) << c2.what;
            EXPECT_EQ(TestApp().m_boxes[0].nType & MB_ICONMASK, static_cast<UINT>(MB_ICONSTOP)) << c2.what;
            EXPECT_EQ(Names(hDlg), std::vector<std::string>{"a.sis"}) << c2.what;
            EXPECT_TRUE(IsReleased(hDrop)) << c2.what;
        });
    }
}

// A long dropped name reaches the intake whole. Cut to 259 characters it would
// name another file, which must not be listed in its place.
TEST(FileIntake, LongDroppedNameIsNeverCut) {
    TempDir dir;
    const std::string folder = dir.Path().string() + "\\";
    const std::string shortPath = folder + std::string(259 - folder.size() - 4, 'p') + ".sis";
    ASSERT_EQ(shortPath.size(), 259u);
    dir.Write(shortPath.substr(folder.size()), {});
    const std::string longPath = shortPath + "-and-more-of-the-name.sis";
    RunAndClose([&](HWND hDlg) {
        HDROP hDrop = MakeDrop({longPath});
        const std::vector<ShownBox> boxes = Drop(hDlg, hDrop);
        ASSERT_EQ(boxes.size(), 1u);
        // The box may break the path into lines, after its backslashes.
        std::string strText = boxes[0].strText;
        strText.erase(std::remove(strText.begin(), strText.end(), '\n'), strText.end());
        EXPECT_NE(strText.find(longPath), std::string::npos) << boxes[0].strText;
        EXPECT_TRUE(Names(hDlg).empty());
        EXPECT_TRUE(IsReleased(hDrop));
    });
}

namespace {

// The open dialog's result as the dialog would give it; null means cancelled.
struct ScriptedDialog {
    static std::string s_strResult;
    static DWORD s_dwError;
    static OPENFILENAMEA s_seen;
    // What the buffers held, which go away with the dialog.
    static std::string s_strInitialName;
    static std::string s_strFilter;

    static BOOL Run(OPENFILENAMEA* pOfn, DWORD* pdwError) {
        s_seen = *pOfn;
        s_strInitialName = pOfn->lpstrFile;
        s_strFilter.clear();
        for (const char* p = pOfn->lpstrFilter; p && *p; p += std::strlen(p) + 1)
            s_strFilter += std::string(p) + '|';
        *pdwError = s_dwError;
        if (s_dwError || s_strResult.empty())
            return FALSE;
        if (s_strResult.size() + 1 > pOfn->nMaxFile) {
            *pdwError = FNERR_BUFFERTOOSMALL;
            return FALSE;
        }
        std::memcpy(pOfn->lpstrFile, s_strResult.data(), s_strResult.size());
        pOfn->lpstrFile[s_strResult.size()] = '\0';
        const size_t nNul = s_strResult.find('\0');
        const bool bMulti = nNul != std::string::npos && nNul + 1 < s_strResult.size();
        pOfn->nFileOffset = static_cast<WORD>(bMulti ? nNul + 1 : s_strResult.rfind('\\') + 1);
        return TRUE;
    }
};
std::string ScriptedDialog::s_strResult;
DWORD ScriptedDialog::s_dwError = 0;
OPENFILENAMEA ScriptedDialog::s_seen;
std::string ScriptedDialog::s_strInitialName;
std::string ScriptedDialog::s_strFilter;

// Several names: the folder, then each name, each ended by a NUL, then one more.
std::string MultiResult(const std::string& folder, const std::vector<std::string>& names) {
    std::string result = folder + '\0';
    for (const std::string& name : names)
        result += name + '\0';
    return result;
}

class ScriptedOpen {
public:
    ScriptedOpen(std::string result, DWORD dwError = 0) {
        ScriptedDialog::s_strResult = std::move(result);
        ScriptedDialog::s_dwError = dwError;
        std::memset(&ScriptedDialog::s_seen, 0, sizeof ScriptedDialog::s_seen);
        m_pfnOld = CFileDialog::SetRunner(&ScriptedDialog::Run);
    }
    ~ScriptedOpen() { CFileDialog::SetRunner(m_pfnOld); }

private:
    CFileDialog::Runner m_pfnOld;
};

std::vector<ShownBox> ChooseOpen(HWND hDlg) {
    return CloseBoxesDuring([&] { ::SendMessageA(hDlg, WM_COMMAND, ID_FILE_OPEN, 0); });
}

}  // namespace

TEST(FileIntake, OpenDialogIsAskedForPackagesOwnedByTheMainWindow) {
    ScriptedOpen open("");
    RunAndClose([&](HWND hDlg) {
        EXPECT_TRUE(ChooseOpen(hDlg).empty());
        const OPENFILENAMEA& ofn = ScriptedDialog::s_seen;
        EXPECT_EQ(ofn.Flags, static_cast<DWORD>(0x1201 | OFN_EXPLORER));
        EXPECT_EQ(ofn.hwndOwner, hDlg);
        EXPECT_EQ(ofn.lpstrDefExt, nullptr);
        EXPECT_EQ(ScriptedDialog::s_strInitialName, "");
        EXPECT_GE(ofn.nMaxFile, 32768u);
        EXPECT_EQ(ofn.nFilterIndex, 1u);
        EXPECT_EQ(ScriptedDialog::s_strFilter, "Symbian Installation Files (*.sis)|*.sis|All Files (*.*)|*.*|");
        EXPECT_TRUE(Names(hDlg).empty()) << "a cancelled dialog adds nothing";
        EXPECT_TRUE(TestApp().m_boxes.empty());
    });
}

TEST(FileIntake, ChosenFilesBecomeRowsInResultOrder) {
    TempDir dir;
    for (const char* name : {"a.sis", "b.sis", "c.sis"})
        dir.Write(name, {});
    const std::string single = dir.Write("known.sis", KnownPackage());
    struct Case {
        const char* what;
        std::string result;
        std::vector<std::string> names;
    } const cases[] = {
        {"three in one folder", MultiResult(dir.Path().string(), {"a.sis", "b.sis", "c.sis"}),
         {"c.sis", "b.sis", "a.sis"}},
        {"one file", single, {"known.sis"}},
    };
    for (const Case& c : cases) {
        ScriptedOpen open(c.result);
        RunAndClose([&](HWND hDlg) {
            EXPECT_TRUE(ChooseOpen(hDlg).empty()) << c.what;
            EXPECT_EQ(Names(hDlg), c.names) << c.what;
        });
    }
}

TEST(FileIntake, UnreadableChosenFileStopsTheSelection) {
    TempDir dir;
    dir.Write("a.sis", {});
    dir.Write("c.sis", {});
    ScriptedOpen open(MultiResult(dir.Path().string(), {"a.sis", "gone.sis", "c.sis"}));
    RunAndClose([&](HWND hDlg) {
        const std::vector<ShownBox> boxes = ChooseOpen(hDlg);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].strText, dir.PathOf("gone.sis") + " was not found.");
        EXPECT_EQ(Names(hDlg), std::vector<std::string>{"a.sis"});
    });
}

// A selection too long even for the large buffer is said so, not dropped in silence.
TEST(FileIntake, SelectionTooLongForTheBufferIsReported) {
    std::vector<std::string> names;
    for (int i = 0; i < 3000; ++i)
        names.push_back("a-rather-long-package-name-" + std::to_string(i) + ".sis");
    ScriptedOpen open(MultiResult("C:\\pkgs", names));
    RunAndClose([&](HWND hDlg) {
        const std::vector<ShownBox> boxes = ChooseOpen(hDlg);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].strText.find("too many"), std::string::npos) << boxes[0].strText;
        EXPECT_TRUE(Names(hDlg).empty());
    });
}

TEST(FileDialog, PathsAreJoinedWithOneBackslash) {
    struct Case {
        const char* what;
        std::string result;
        std::vector<std::string> paths;
    } const cases[] = {
        {"single", "C:\\pkgs\\app.sis", {"C:\\pkgs\\app.sis"}},
        {"single at a drive root", "C:\\app.sis", {"C:\\app.sis"}},
        {"several in a folder", MultiResult("C:\\pkgs", {"a.sis", "b.sis"}),
         {"C:\\pkgs\\a.sis", "C:\\pkgs\\b.sis"}},
        {"several at a drive root", MultiResult("C:\\", {"a.sis", "b.sis"}), {"C:\\a.sis", "C:\\b.sis"}},
        {"folder ending in a slash", MultiResult("Z:/pkgs/", {"a.sis"}), {"Z:/pkgs/a.sis"}},
    };
    for (const Case& c : cases) {
        ScriptedOpen open(c.result);
        CFileDialog dlg(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT, nullptr, nullptr);
        ASSERT_EQ(dlg.DoModal(), IDOK) << c.what;
        std::vector<std::string> paths;
        for (POSITION pos = dlg.GetStartPosition(); pos;)
            paths.push_back(dlg.GetNextPathName(pos).GetString());
        EXPECT_EQ(paths, c.paths) << c.what;
    }
}

// The real open dialog, driven from a timer inside its own loop: twenty long
// names chosen at once, far more than 260 characters of result.
TEST(FileIntake, RealOpenDialogListsTwentyChosenFiles) {
    TempDir dir;
    std::string typed;
    std::vector<std::string> expected;
    for (int i = 0; i < 20; ++i) {
        const std::string name = "package-with-a-long-name-" + std::to_string(100 + i) + ".sis";
        dir.Write(name, {});
        typed += "\"" + name + "\" ";
        expected.insert(expected.begin(), name);
    }
    ASSERT_GT(typed.size(), 260u);
    char szOldDir[MAX_PATH];
    ::GetCurrentDirectoryA(MAX_PATH, szOldDir);
    ::SetCurrentDirectoryA(dir.Path().string().c_str());
    RunAndClose([&](HWND hDlg) {
        bool bTyped = false;
        const UINT_PTR nTimer = StartTimer(50, [&] {
            HWND hOpen = ::FindWindowA("#32770", "Open");
            if (!hOpen || !::IsWindowVisible(hOpen))
                return false;
            ::SetDlgItemTextA(hOpen, 0x47C, (dir.Path().string() + "\\").c_str());
            ::SendMessageA(hOpen, WM_COMMAND, IDOK, 0);
            ::SetDlgItemTextA(hOpen, 0x47C, typed.c_str());
            ::PostMessageA(hOpen, WM_COMMAND, IDOK, 0);
            bTyped = true;
            return true;
        });
        EXPECT_TRUE(ChooseOpen(hDlg).empty());
        StopTimer(nTimer);
        EXPECT_TRUE(bTyped);
        EXPECT_EQ(Names(hDlg), expected);
    });
    ::SetCurrentDirectoryA(szOldDir);
}

// From another thread the row arrives whole on the list's thread; errors stay
// with the caller.
TEST(FileIntake, RowsFromAnotherThreadArriveWhole) {
    TempDir dir;
    const std::string known = dir.Write("known.sis", KnownPackage());
    const std::string gone = dir.PathOf("gone.sis");
    CMainDialog dlg;
    TestApp().m_pMainWnd = &dlg;
    std::string strError;
    RunModal(dlg, [&](HWND hDlg) {
        bool bDone = false;
        std::thread worker([&] {
            dlg.AddFileToList(known.c_str());
            try {
                dlg.AddFileToList(gone.c_str());
            } catch (const CFileException& e) {
                strError = e.GetErrorMessage().GetString();
            }
            bDone = true;
        });
        while (!bDone) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            PumpMessages();
        }
        worker.join();
        Row row = kKnownRow;
        row[0] = "known.sis";
        EXPECT_EQ(ListRows(::GetDlgItem(hDlg, IDC_FILE_LIST)), std::vector<Row>{row});
        ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
    });
    TestApp().m_pMainWnd = nullptr;
    EXPECT_EQ(strError, gone + " was not found.");
}

namespace {

// Names outside any one ANSI code page, as UTF-16 for the system and as the UTF-8
// the narrow entry points give under the program's manifest.
const struct {
    std::wstring wide;
    std::string utf8;
} kForeignNames[] = {
    {L"приложение.sis", "приложение.sis"},
    {L"日本語.sis", "日本語.sis"},
};

void WriteKnownPackage(const std::filesystem::path& path) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(KnownPackage().data()), static_cast<std::streamsize>(KnownPackage().size()));
}

std::vector<Row> KnownRowsFor(const std::vector<std::string>& names) {
    std::vector<Row> rows;
    for (const std::string& name : names) {
        Row row = kKnownRow;
        row[0] = name;
        rows.push_back(row);
    }
    return rows;
}

}  // namespace

TEST(FileIntake, CyrillicAndJapaneseNamesDroppedGiveFullRows) {
    TempDir dir;
    std::vector<std::wstring> paths;
    for (const auto& name : kForeignNames) {
        WriteKnownPackage(dir.Path() / name.wide);
        paths.push_back((dir.Path() / name.wide).wstring());
    }
    RunAndClose([&](HWND hDlg) {
        HDROP hDrop = MakeWideDrop(paths);
        const std::vector<ShownBox> boxes = Drop(hDlg, hDrop);
        EXPECT_TRUE(boxes.empty()) << boxes.front().strText;
        EXPECT_EQ(ListRows(::GetDlgItem(hDlg, IDC_FILE_LIST)),
                  KnownRowsFor({kForeignNames[1].utf8, kForeignNames[0].utf8}));
    });
}

// The error's text names the file as it is called.
TEST(FileIntake, MissingFileWithAForeignNameIsNamedInTheBox) {
    TempDir dir;
    const std::wstring missing = (dir.Path() / kForeignNames[0].wide).wstring();
    RunAndClose([&](HWND hDlg) {
        const std::vector<ShownBox> boxes = Drop(hDlg, MakeWideDrop({missing}));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].strText, dir.Path().string() + "\\" + kForeignNames[0].utf8 + " was not found.");
    });
}

TEST(FileIntake, CyrillicAndJapaneseNamesChosenInTheRealOpenDialogGiveFullRows) {
    TempDir dir;
    std::wstring typed;
    for (const auto& name : kForeignNames) {
        WriteKnownPackage(dir.Path() / name.wide);
        typed += L"\"" + name.wide + L"\" ";
    }
    RunAndClose([&](HWND hDlg) {
        bool bTyped = false;
        const UINT_PTR nTimer = StartTimer(50, [&] {
            HWND hOpen = ::FindWindowA("#32770", "Open");
            if (!hOpen || !::IsWindowVisible(hOpen))
                return false;
            ::SetDlgItemTextW(hOpen, 0x47C, (dir.Path().wstring() + L"\\").c_str());
            ::SendMessageA(hOpen, WM_COMMAND, IDOK, 0);
            ::SetDlgItemTextW(hOpen, 0x47C, typed.c_str());
            ::PostMessageA(hOpen, WM_COMMAND, IDOK, 0);
            bTyped = true;
            return true;
        });
        EXPECT_TRUE(ChooseOpen(hDlg).empty());
        StopTimer(nTimer);
        EXPECT_TRUE(bTyped);
        const std::vector<Row> rows = ListRows(::GetDlgItem(hDlg, IDC_FILE_LIST));
        ASSERT_EQ(rows.size(), 2u);
        // The dialog may hand the names over in either order; each row is whole.
        std::vector<std::string> names = {rows[0][0], rows[1][0]};
        std::sort(names.begin(), names.end());
        std::vector<std::string> expected = {kForeignNames[0].utf8, kForeignNames[1].utf8};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names, expected);
        EXPECT_EQ(rows, KnownRowsFor({rows[0][0], rows[1][0]}));
    });
}
