#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
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

// Drops the set through the real message path, waits for its rows and closes the
// boxes it raises.
std::vector<ShownBox> Drop(HWND hDlg, HDROP hDrop) {
    return CloseBoxesDuring([&] {
        ::SendMessageA(hDlg, WM_DROPFILES, reinterpret_cast<WPARAM>(hDrop), 0);
        EXPECT_TRUE(WaitForIntake());
    });
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
    // Like a dialog that reports success with a result cut at the buffer's end.
    static bool s_bCutOff;

    static BOOL Run(OPENFILENAMEA* pOfn, DWORD* pdwError) {
        s_seen = *pOfn;
        s_strInitialName = pOfn->lpstrFile;
        s_strFilter.clear();
        for (const char* p = pOfn->lpstrFilter; p && *p; p += std::strlen(p) + 1)
            s_strFilter += std::string(p) + '|';
        *pdwError = s_dwError;
        if (s_dwError || s_strResult.empty())
            return FALSE;
        if (s_strResult.size() + 1 > pOfn->nMaxFile && s_bCutOff) {
            std::memcpy(pOfn->lpstrFile, s_strResult.data(), pOfn->nMaxFile - 1);
            pOfn->lpstrFile[pOfn->nMaxFile - 1] = '\0';
            pOfn->nFileOffset = static_cast<WORD>(s_strResult.find('\0') + 1);
            return TRUE;
        }
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
bool ScriptedDialog::s_bCutOff = false;

// Several names: the folder, then each name, each ended by a NUL, then one more.
std::string MultiResult(const std::string& folder, const std::vector<std::string>& names) {
    std::string result = folder + '\0';
    for (const std::string& name : names)
        result += name + '\0';
    return result;
}

class ScriptedOpen {
public:
    ScriptedOpen(std::string result, DWORD dwError = 0, bool bCutOff = false) {
        ScriptedDialog::s_strResult = std::move(result);
        ScriptedDialog::s_bCutOff = bCutOff;
        ScriptedDialog::s_dwError = dwError;
        std::memset(&ScriptedDialog::s_seen, 0, sizeof ScriptedDialog::s_seen);
        m_pfnOld = CFileDialog::SetRunner(&ScriptedDialog::Run);
    }
    ~ScriptedOpen() { CFileDialog::SetRunner(m_pfnOld); }

private:
    CFileDialog::Runner m_pfnOld;
};

std::vector<ShownBox> ChooseOpen(HWND hDlg) {
    return CloseBoxesDuring([&] {
        ::SendMessageA(hDlg, WM_COMMAND, ID_FILE_OPEN, 0);
        EXPECT_TRUE(WaitForIntake());
    });
}

// Chooses "Open..." and, in the real open dialog, types the folder and then the
// names, as a user would; returns the boxes the intake raised.
std::vector<ShownBox> ChooseInRealOpenDialog(HWND hDlg, const std::wstring& folder, const std::wstring& typed) {
    bool bTyped = false;
    const UINT_PTR nTimer = StartTimer(50, [&] {
        HWND hOpen = ::FindWindowA("#32770", "Open");
        if (!hOpen || !::IsWindowVisible(hOpen))
            return false;
        ::SetDlgItemTextW(hOpen, 0x47C, (folder + L"\\").c_str());
        ::SendMessageA(hOpen, WM_COMMAND, IDOK, 0);
        ::SetDlgItemTextW(hOpen, 0x47C, typed.c_str());
        ::PostMessageA(hOpen, WM_COMMAND, IDOK, 0);
        bTyped = true;
        return true;
    });
    std::vector<ShownBox> boxes = ChooseOpen(hDlg);
    StopTimer(nTimer);
    EXPECT_TRUE(bTyped) << "the open dialog did not show";
    return boxes;
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
        EXPECT_GE(ofn.nMaxFile, 262144u);
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

// A selection too long even for the large buffer is said so, not dropped in
// silence, whether the dialog reports the buffer too small or hands back a result
// cut at its end, whose last name nobody chose.
TEST(FileIntake, SelectionTooLongForTheBufferIsReported) {
    std::vector<std::string> names;
    for (int i = 0; i < 10000; ++i)
        names.push_back("a-rather-long-package-name-" + std::to_string(i) + ".sis");
    for (bool bCutOff : {false, true}) {
        ScriptedOpen open(MultiResult("C:\\pkgs", names), 0, bCutOff);
        RunAndClose([&](HWND hDlg) {
            const std::vector<ShownBox> boxes = ChooseOpen(hDlg);
            ASSERT_EQ(boxes.size(), 1u) << bCutOff;
            EXPECT_NE(boxes[0].strText.find("too many"), std::string::npos) << boxes[0].strText;
            EXPECT_TRUE(Names(hDlg).empty()) << bCutOff;
        });
    }
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
        EXPECT_TRUE(ChooseInRealOpenDialog(hDlg, dir.Path().wstring(), std::wstring(typed.begin(), typed.end())).empty());
        EXPECT_EQ(Names(hDlg), expected);
    });
    ::SetCurrentDirectoryA(szOldDir);
}


namespace {

#ifndef SYMBOLIC_LINK_FLAG_DIRECTORY
#define SYMBOLIC_LINK_FLAG_DIRECTORY 0x1
#endif

// Holds a file open the way another program could.
struct HeldOpen {
    HeldOpen(const std::string& path, DWORD dwShare)
        : h(::CreateFileA(path.c_str(), GENERIC_READ, dwShare, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~HeldOpen() { ::CloseHandle(h); }
    HANDLE h;
};

}  // namespace

// A file that cannot be read stops no way of handing files over: every other file
// gets its row, in order, and one stop box at the end names the file and why.
TEST(FileIntake, UnreadableFileStopsNoIntake) {
    TempDir dir;
    KeepCurrentDirectory keep;
    std::vector<std::string> paths;
    for (const char* name : {"a.sis", "b.sis", "c.sis", "d.sis"})
        paths.push_back(dir.Write(name, {}));
    HeldOpen locked(paths[1], 0);
    ASSERT_NE(locked.h, INVALID_HANDLE_VALUE);
    const std::string text = paths[1] + " is in use by another program and cannot be read.";
    struct Case {
        const char* what;
        std::function<std::vector<ShownBox>(HWND)> hand;
    } const cases[] = {
        {"walk",
         [&](HWND hDlg) {
             return CloseBoxesDuring([&] {
                 ChooseFolder(hDlg, dir.Path().string());
                 EXPECT_TRUE(WaitForIntake());
             });
         }},
        {"selection",
         [&](HWND hDlg) {
             ScriptedOpen open(MultiResult(dir.Path().string(), {"a.sis", "b.sis", "c.sis", "d.sis"}));
             return ChooseOpen(hDlg);
         }},
        {"drop", [&](HWND hDlg) { return Drop(hDlg, MakeDrop(paths)); }},
    };
    for (const Case& c : cases) {
        RunAndClose([&](HWND hDlg) {
            const std::vector<ShownBox> boxes = c.hand(hDlg);
            EXPECT_EQ(Names(hDlg), (std::vector<std::string>{"d.sis", "c.sis", "a.sis"})) << c.what;
            ASSERT_EQ(boxes.size(), 1u) << c.what;
            EXPECT_EQ(boxes[0].strText, text) << c.what;
            EXPECT_EQ(boxes[0].strCaption, "gui_tests") << c.what;
            ASSERT_EQ(TestApp().m_boxes.size(), 1u) << c.what;
            EXPECT_EQ(TestApp().m_boxes[0].nType & MB_ICONMASK, static_cast<UINT>(MB_ICONSTOP)) << c.what;
        });
    }
}

// Another reader, or this program reading the same file twice at once, never
// makes a file unreadable.
TEST(FileIntake, FileOpenElsewhereIsRead) {
    TempDir dir;
    const std::string path = dir.Write("shared.sis", KnownPackage());
    HeldOpen reader(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    ASSERT_NE(reader.h, INVALID_HANDLE_VALUE);
    RunAndClose([&](HWND hDlg) {
        HDROP hDrop = MakeDrop({path, path});
        EXPECT_TRUE(Drop(hDlg, hDrop).empty());
        Row row = kKnownRow;
        row[0] = "shared.sis";
        EXPECT_EQ(ListRows(::GetDlgItem(hDlg, IDC_FILE_LIST)), (std::vector<Row>{row, row}));
    });
}

// A dropped folder is walked in its place among the dropped names; a folder is
// never an error.
TEST(FileIntake, DroppedFolderIsWalkedInItsPlace) {
    TempDir dir;
    KeepCurrentDirectory keep;
    std::filesystem::create_directories(dir.Path() / "drop" / "sub");
    const std::string first = dir.Write("first.sis", {});
    dir.Write("drop\\a.sis", {});
    dir.Write("drop\\sub\\b.sis", {});
    dir.Write("drop\\skip.txt", {});
    const std::string last = dir.Write("last.txt", {});
    RunAndClose([&](HWND hDlg) {
        HDROP hDrop = MakeDrop({first, dir.PathOf("drop"), last});
        EXPECT_TRUE(Drop(hDlg, hDrop).empty());
        EXPECT_EQ(Names(hDlg), (std::vector<std::string>{"last.txt", "b.sis", "a.sis", "first.sis"}));
        EXPECT_TRUE(IsReleased(hDrop));
    });
}

// Rows go in whole while a walk, a drop and the Delete key change the list at
// the same time: every row's texts are its own file's.
TEST(FileIntake, RowsStayWholeWhileTheListChanges) {
    TempDir dir;
    KeepCurrentDirectory keep;
    std::filesystem::create_directories(dir.Path() / "walk");
    std::map<std::string, Row> expected;
    std::vector<std::string> dropped;
    for (int i = 0; i < 120; ++i) {
        const bool bWalked = i % 2 == 0;
        const std::string name = (bWalked ? "w" : "d") + std::to_string(1000 + i) + ".sis";
        // Each file its own UID and length, so a mixed-up row shows.
        const std::vector<uint8_t> bytes = MakeBytes(72 + i * 1024, {{0, static_cast<uint32_t>(i), 4}});
        const std::string path = dir.Write((bWalked ? "walk\\" : "") + name, bytes);
        if (!bWalked)
            dropped.push_back(path);
        char szUid[16];
        std::snprintf(szUid, sizeof szUid, "0x%x", i);
        expected[name] = {name, "0.0.0", i ? szUid : "0", std::to_string((72 + i * 1024) / 1024) + " Kb"};
    }
    RunAndClose([&](HWND hDlg) {
        HWND hList = ::GetDlgItem(hDlg, IDC_FILE_LIST);
        std::vector<ShownBox> boxes = CloseBoxesDuring([&] {
            ChooseFolder(hDlg, dir.PathOf("walk"));
            ::SendMessageA(hDlg, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(dropped)), 0);
            int nDeletes = 0;
            while (!MainDialog().IsIntakeIdle()) {
                ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
                PumpMessages();
                // Deletes the second row whenever there is one, between insertions.
                if (::SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0) >= 2 && nDeletes < 30) {
                    LVITEMA item = {};
                    item.stateMask = item.state = LVIS_SELECTED;
                    ::SendMessageA(hList, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&item));
                    ::SendMessageA(hList, WM_KEYDOWN, VK_DELETE, 0);
                    ++nDeletes;
                }
            }
            EXPECT_TRUE(WaitForIntake());
        });
        EXPECT_TRUE(boxes.empty());
        const std::vector<Row> rows = ListCells(hList, 4);
        EXPECT_GE(rows.size(), 90u);
        std::set<std::string> seen;
        for (const Row& row : rows) {
            ASSERT_EQ(expected.count(row[0]), 1u) << row[0];
            EXPECT_EQ(row, expected[row[0]]);
            EXPECT_TRUE(seen.insert(row[0]).second) << row[0] << " twice";
        }
    });
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
        EXPECT_TRUE(ChooseInRealOpenDialog(hDlg, dir.Path().wstring(), typed).empty());
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

// The seventh column says what each file is: a whole Symbian 9 package, the same
// package cut short (damaged, with no invented version or flag), an EPOC package,
// and a text file that merely ends in ".sis".
TEST(FileIntake, KindColumnTellsPackagesFromOtherFiles) {
    const std::filesystem::path corpus = CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "no corpus";
    std::ifstream in(corpus / "bt-sender" / "BT_Sender_3rdEd.SIS", std::ios::binary);
    const std::vector<uint8_t> whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(whole.size(), 1000u);
    TempDir dir;
    const std::string text = "Notes on packages to install, not a package itself.\r\n";
    const std::vector<std::string> paths = {
        dir.Write("whole.sis", whole),
        dir.Write("cut.sis", std::vector<uint8_t>(whole.begin(), whole.begin() + 1000)),
        (corpus / "ybrowser-old" / "Release" / "PushL" / "older" / "Y_Browser_050_0_1StEd.SIS").string(),
        dir.Write("notes.sis", std::vector<uint8_t>(text.begin(), text.end())),
    };
    RunAndClose([&](HWND hDlg) {
        EXPECT_TRUE(Drop(hDlg, MakeDrop(paths)).empty());
        std::vector<Row> kinds;
        for (const Row& row : ListCells(::GetDlgItem(hDlg, IDC_FILE_LIST), 7))
            kinds.push_back({row[0], row[1], row[2], row[4], row[6]});
        ASSERT_EQ(kinds.size(), 4u);
        // The text file keeps the fixed-offset texts; only its Kind tells.
        kinds[0][1] = kinds[0][2] = kinds[0][3] = "";
        const std::vector<Row> expected = {
            {"notes.sis", "", "", "", "unknown"},
            {"Y_Browser_050_0_1StEd.SIS", "0.50.0", "0x101f7bbf", "", "EPOC"},
            {"cut.sis", "", "0x10201a7a", "", "damaged"},
            {"whole.sis", "0.79.0", "0xa0000f61", "", "Symbian 9"},
        };
        EXPECT_EQ(kinds, expected);
    });
}
