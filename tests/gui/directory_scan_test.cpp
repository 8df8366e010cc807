#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"

#include <shlobj.h>
#include "cli.h"
#include "main_dialog.h"
#include "resource.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(HWND hDlg) { return ListNames(::GetDlgItem(hDlg, IDC_FILE_LIST)); }

bool IsGreyed(HWND hDlg, UINT nId) { return (::GetMenuState(::GetMenu(hDlg), nId, MF_BYCOMMAND) & MF_GRAYED) != 0; }

void SetAttribute(const std::string& path, DWORD dwAttribute) {
    ::SetFileAttributesA(path.c_str(), ::GetFileAttributesA(path.c_str()) | dwAttribute);
}

// Runs a program of the host (Wine runs Unix programs too) in folder and waits
// until done says the work is there.
bool RunOnHost(const std::string& folder, std::string command, const std::function<bool()>& done) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                          &process))
        return false;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    for (DWORD dwStart = ::GetTickCount(); ::GetTickCount() - dwStart < 5000; ::Sleep(20))
        if (done())
            return true;
    return false;
}

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Links to folders, as a user would make them, removed before their folder is:
// a link followed while removing a tree could reach outside it or never end.
// Where the system makes no link itself (Wine reports success and makes none),
// the host's own ln makes it.
class FolderLinks {
public:
    ~FolderLinks() {
        for (const std::string& link : m_links) {
            if (!::RemoveDirectoryA(link.c_str()) && Exists(link))
                RunOnHost(link.substr(0, link.find_last_of('\\')), "Z:\\bin\\rm -f " + link.substr(link.find_last_of('\\') + 1),
                          [&] { return !Exists(link); });
        }
    }

    // A link named name in folder, to the relative target.
    bool Make(const std::string& folder, const std::string& name, const std::string& target) {
        const std::string link = folder + "\\" + name;
        std::string windowsTarget = target;
        std::replace(windowsTarget.begin(), windowsTarget.end(), '/', '\\');
        ::CreateSymbolicLinkA(link.c_str(), windowsTarget.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
        if (Exists(link) || RunOnHost(folder, "Z:\\bin\\ln -s " + target + " " + name, [&] { return Exists(link); })) {
            m_links.push_back(link);
            return true;
        }
        return false;
    }

private:
    std::vector<std::string> m_links;
};

// Walks the folder through the real browser and waits for the walk's rows and boxes.
std::vector<ShownBox> Walk(HWND hDlg, const std::string& folder) {
    return CloseBoxesDuring([&] {
        ChooseFolder(hDlg, folder);
        EXPECT_TRUE(WaitForIntake());
    });
}

void RunAndClose(std::function<void(HWND)> script) {
    RunMainDialog([&](HWND hDlg) {
        script(hDlg);
        ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
    });
}

}  // namespace

// Every entry whose name ends in "sis" in any case, hidden or not, depth first:
// a sub-folder's rows come before the later entries of its parent, and a folder
// named like a package is walked and never read as a file.
TEST(DirectoryScan, ListsEveryEntryEndingInSisDepthFirst) {
    TempDir dir;
    KeepCurrentDirectory keep;
    const fs::path root = dir.Path();
    for (const char* folder : {"..a", "hiddendir", "m", "x.sis"})
        fs::create_directories(root / folder);
    for (const char* name : {"a.sis", "B.SIS", "c.txt", "x.sisx", "thesis", ".sis", "hidden.sis", "n.sis",
                             "..a\\inner.sis", "hiddendir\\h.sis", "m\\m1.sis", "x.sis\\y.sis"})
        dir.Write(name, {});
    SetAttribute(dir.PathOf("hidden.sis"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    SetAttribute(dir.PathOf("hiddendir"), FILE_ATTRIBUTE_HIDDEN);
    RunAndClose([&](HWND hDlg) {
        EXPECT_TRUE(Walk(hDlg, root.string()).empty()) << "nothing is reported, the folder x.sis least";
        std::vector<std::string> names = Names(hDlg);
        // Within a folder the file system's order is its own; depth first is the rule.
        const auto at = [&](const char* name) { return std::find(names.begin(), names.end(), name) - names.begin(); };
        std::vector<std::string> sorted = names;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, (std::vector<std::string>{".sis", "B.SIS", "a.sis", "h.sis", "hidden.sis", "inner.sis",
                                                    "m1.sis", "n.sis", "thesis", "y.sis"}));
        EXPECT_LT(at("n.sis"), at("m1.sis")) << "m's rows come before the later n.sis";
        EXPECT_FALSE(IsGreyed(hDlg, ID_FILE_OPEN));
        EXPECT_FALSE(IsGreyed(hDlg, ID_OPEN_DIRECTORY));
        // The last folder entered, in the file system's order.
        std::string last;
        for (const fs::directory_entry& entry : fs::directory_iterator(root))
            if (entry.is_directory())
                last = entry.path().string();
        EXPECT_EQ(::lstrcmpiA(CurrentDirectory().c_str(), last.c_str()), 0) << CurrentDirectory();
    });
}

// The commands are greyed from the choice of the folder until the walk's last row
// is in; a cancelled browser adds nothing, greys nothing and leaves the current
// directory where it was.
TEST(DirectoryScan, CommandsAreGreyedOnlyWhileAWalkRuns) {
    TempDir dir;
    KeepCurrentDirectory keep;
    for (int i = 0; i < 150; ++i)
        dir.WriteSized("p" + std::to_string(i) + ".sis", 256 * 1024);
    RunAndClose([&](HWND hDlg) {
        const std::string before = CurrentDirectory();
        HWND hBrowser = OpenFolderBrowser(hDlg);
        ASSERT_NE(hBrowser, nullptr);
        EXPECT_FALSE(IsGreyed(hDlg, ID_FILE_OPEN)) << "browsing greys nothing";
        EXPECT_FALSE(IsGreyed(hDlg, ID_OPEN_DIRECTORY)) << "browsing greys nothing";
        ::PostMessageA(hBrowser, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(WaitForIntake());
        EXPECT_TRUE(Names(hDlg).empty());
        EXPECT_FALSE(IsGreyed(hDlg, ID_FILE_OPEN));
        EXPECT_EQ(CurrentDirectory(), before);

        bool bSeenGreyed = false, bSeenEnabled = false;
        std::vector<ShownBox> boxes = CloseBoxesDuring([&] {
            ChooseFolder(hDlg, dir.Path().string());
            while (!MainDialog().IsIntakeIdle()) {
                const bool bGreyed = IsGreyed(hDlg, ID_FILE_OPEN) && IsGreyed(hDlg, ID_OPEN_DIRECTORY);
                bSeenGreyed = bSeenGreyed || bGreyed;
                bSeenEnabled = bSeenEnabled || (!bGreyed && !Names(hDlg).empty() && Names(hDlg).size() < 150);
                ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
                PumpMessages();
            }
            EXPECT_TRUE(WaitForIntake());
        });
        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(Names(hDlg).size(), 150u);
        EXPECT_TRUE(bSeenGreyed);
        EXPECT_FALSE(bSeenEnabled) << "enabled while rows were still coming";
        EXPECT_FALSE(IsGreyed(hDlg, ID_FILE_OPEN));
        EXPECT_FALSE(IsGreyed(hDlg, ID_OPEN_DIRECTORY));
        EXPECT_TRUE(IsGreyed(hDlg, ID_OPTIONS)) << "a walk enables the file commands only";
    });
}

// A chosen item that is no folder on a disk, or a folder that cannot be entered,
// walks nothing and greys nothing; one stop box names it and says why.
TEST(DirectoryScan, NothingToWalkIsSaidSo) {
    TempDir dir;
    KeepCurrentDirectory keep;
    fs::create_directories(dir.Path() / "gone");
    dir.Write("a.sis", {});
    LPITEMIDLIST pComputer = nullptr;
    ASSERT_EQ(::SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &pComputer), S_OK);
    char szComputer[MAX_PATH] = {};
    SHFILEINFOA info = {};
    ::SHGetFileInfoA(reinterpret_cast<const char*>(pComputer), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_DISPLAYNAME);
    lstrcpynA(szComputer, info.szDisplayName, MAX_PATH);
    const std::string gone = dir.PathOf("gone");
    struct Case {
        const char* what;
        BOOL bPath;
        LPARAM lItem;
        std::string name;
        std::string text;
    } const cases[] = {
        {"no folder on a disk", FALSE, reinterpret_cast<LPARAM>(pComputer), szComputer,
         "\"" + std::string(szComputer) + "\" is not a folder on a disk: there is nothing to walk."},
        {"a folder removed before OK", TRUE, reinterpret_cast<LPARAM>(gone.c_str()), "gone", gone + " cannot be walked: "},
    };
    for (const Case& c : cases) {
        RunAndClose([&](HWND hDlg) {
            const std::string before = CurrentDirectory();
            std::vector<ShownBox> boxes = CloseBoxesDuring([&] {
                HWND hBrowser = OpenFolderBrowser(hDlg);
                ASSERT_NE(hBrowser, nullptr) << c.what;
                ASSERT_TRUE(SelectInFolderBrowser(hBrowser, c.bPath, c.lItem, c.name)) << c.what;
                if (c.bPath)
                    fs::remove(gone);
                EXPECT_TRUE(CloseFolderBrowser(hBrowser, IDOK)) << c.what;
                EXPECT_TRUE(WaitForIntake()) << c.what;
            });
            EXPECT_TRUE(Names(hDlg).empty()) << c.what;
            ASSERT_EQ(boxes.size(), 1u) << c.what;
            EXPECT_EQ(boxes[0].strText.rfind(c.text, 0), 0u) << c.what << ": " << boxes[0].strText;
            EXPECT_GT(boxes[0].strText.size(), c.text.size() - 1) << c.what;
            EXPECT_FALSE(IsGreyed(hDlg, ID_FILE_OPEN)) << c.what;
            EXPECT_EQ(CurrentDirectory(), before) << c.what;
        });
    }
    ::CoTaskMemFree(pComputer);
}

// A link to a folder is walked like the folder. A link back to a folder above it
// ends where the paths would outgrow 260 characters: those entries are reported,
// the first twenty by name and then how many more, and none is cut to fit.
TEST(DirectoryScan, LinksAreFollowedAndALoopEndsAtTheLengthLimit) {
    TempDir dir;
    KeepCurrentDirectory keep;
    const fs::path root = dir.Path();
    fs::create_directories(root / "real");
    fs::create_directories(root / "loop" / "in");
    dir.Write("real\\r.sis", {});
    for (int i = 0; i < 30; ++i)
        dir.Write("loop\\f" + std::to_string(10 + i) + ".sis", {});
    FolderLinks links;
    ASSERT_TRUE(links.Make(root.string(), "link", "real"));
    ASSERT_TRUE(links.Make(dir.PathOf("loop\\in"), "back", ".."));
    RunAndClose([&](HWND hDlg) {
        const std::vector<ShownBox> boxes = Walk(hDlg, root.string());
        const std::vector<std::string> names = Names(hDlg);
        EXPECT_EQ(std::count(names.begin(), names.end(), "r.sis"), 2) << "the folder and the link to it";
        EXPECT_GT(std::count(names.begin(), names.end(), "f10.sis"), 1) << "the loop is walked more than once";
        ASSERT_EQ(boxes.size(), 1u);
        ASSERT_EQ(TestApp().m_boxes.size(), 1u);
        // The whole text, as the box on the screen shows only its start.
        const std::string text = TestApp().m_boxes[0].strText;
        std::vector<std::string> lines;
        for (size_t nStart = 0, nEnd; nStart <= text.size(); nStart = nEnd + 1) {
            nEnd = std::min(text.find('\n', nStart), text.size());
            lines.push_back(text.substr(nStart, nEnd - nStart));
        }
        ASSERT_EQ(lines.size(), 21u) << text;
        for (size_t i = 0; i < 20; ++i) {
            EXPECT_EQ(lines[i].rfind("The path " + dir.PathOf("loop\\in\\back\\in\\back"), 0), 0u) << lines[i];
            EXPECT_GT(lines[i].size(), 260u + std::string("The path  is too long to be opened.").size() - 1)
                << lines[i];
        }
        EXPECT_EQ(lines[20].rfind("and ", 0), 0u) << lines[20];
        EXPECT_EQ(lines[20].substr(lines[20].size() - 5), " more") << lines[20];
    });
}

// A folder chosen while another walk runs is walked after it, in its place;
// both walks share the current directory.
TEST(DirectoryScan, SecondWalkWaitsForTheFirst) {
    TempDir dir;
    KeepCurrentDirectory keep;
    fs::create_directories(dir.Path() / "one");
    fs::create_directories(dir.Path() / "two");
    for (int i = 0; i < 40; ++i) {
        dir.WriteSized("one\\a" + std::to_string(100 + i) + ".sis", 128 * 1024);
        dir.Write("two\\b" + std::to_string(100 + i) + ".sis", {});
    }
    RunAndClose([&](HWND hDlg) {
        std::vector<ShownBox> boxes = CloseBoxesDuring([&] {
            ChooseFolder(hDlg, dir.PathOf("one"));
            ChooseFolder(hDlg, dir.PathOf("two"));
            EXPECT_TRUE(WaitForIntake());
        });
        EXPECT_TRUE(boxes.empty());
        std::vector<std::string> names = Names(hDlg);
        ASSERT_EQ(names.size(), 80u);
        std::reverse(names.begin(), names.end());
        for (int i = 0; i < 40; ++i) {
            EXPECT_EQ(names[i][0], 'a') << i;
            EXPECT_EQ(names[40 + i][0], 'b') << i;
        }
    });
}

// Closing the window during a walk, or with the folder browser still open, ends
// the dialog promptly and leaves no worker behind.
TEST(DirectoryScan, ClosingDuringAWalkEndsPromptly) {
    TempDir dir;
    KeepCurrentDirectory keep;
    // Seconds of reading, however fast the machine: a walk still running at the close.
    const size_t nFiles = 1000;
    for (size_t i = 0; i < nFiles; ++i)
        dir.WriteSized("p" + std::to_string(i) + ".sis", 4 * 1024 * 1024);
    for (bool bBrowsing : {true, false}) {
        DWORD dwClosed = 0, dwEnded = 0;
        size_t nRows = 0;
        {
            CMainDialog dlg;
            TestApp().m_pMainWnd = &dlg;
            RunModal(dlg, [&](HWND hDlg) {
                if (bBrowsing) {
                    ::SendMessageA(hDlg, WM_COMMAND, ID_OPEN_DIRECTORY, 0);
                    for (DWORD dwStart = ::GetTickCount(); !FindFolderBrowser() && ::GetTickCount() - dwStart < 10000;) {
                        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
                        PumpMessages();
                    }
                    EXPECT_NE(FindFolderBrowser(), nullptr);
                } else {
                    ChooseFolder(hDlg, dir.Path().string());
                    for (DWORD dwStart = ::GetTickCount(); Names(hDlg).empty() && ::GetTickCount() - dwStart < 10000;) {
                        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
                        PumpMessages();
                    }
                    nRows = Names(hDlg).size();
                }
                dwClosed = ::GetTickCount();
                ::PostMessageA(hDlg, WM_CLOSE, 0, 0);
            });
            TestApp().m_pMainWnd = nullptr;
        }
        dwEnded = ::GetTickCount();
        EXPECT_LT(dwEnded - dwClosed, 1000u) << (bBrowsing ? "browsing" : "walking");
        EXPECT_EQ(FindFolderBrowser(), nullptr);
        if (!bBrowsing) {
            EXPECT_GT(nRows, 0u);
            EXPECT_LT(nRows, nFiles) << "the walk had ended before the window closed";
        }
    }
}

// pakrill-cli and the window walk a folder the same way: the same rows in the same
// order, the window's list read from the bottom up, whatever the names' case and
// punctuation (an underscore or a bracket sorts after the letters).
TEST(DirectoryScan, WindowAndCliGiveTheSameRows) {
    TempDir dir;
    KeepCurrentDirectory keep;
    const fs::path root = dir.Path();
    for (const char* folder : {"Zeta", "ya", "x.sis", "ya\\deeper"})
        fs::create_directories(root / folder);
    std::vector<uint8_t> package;
    const fs::path corpus = CorpusDir();
    if (!corpus.empty()) {
        std::ifstream in(corpus / "bt-sender" / "BT_Sender_3rdEd_signed.SIS", std::ios::binary);
        package.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    for (const char* name : {"a.sis", "B.SIS", "_under.sis", "[x.sis", "thesis", "c.txt", "Zeta\\z1.SIS",
                             "ya\\y.sis", "ya\\deeper\\d.sis", "x.sis\\inner.sis"})
        dir.Write(name, package);
    dir.Write("ya\\cut.sis", std::vector<uint8_t>(package.begin(), package.begin() + std::min<size_t>(package.size(), 500)));

    std::ostringstream out, err;
    const std::string strRoot = root.string();
    const char* argv[] = {"pakrill-cli", "--format", "tsv", strRoot.c_str()};
    ASSERT_EQ(RunCli(4, argv, out, err), 0) << err.str();
    std::vector<std::vector<std::string>> cliRows;
    std::istringstream lines(out.str());
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');)
            fields.push_back(cell);
        fields.resize(9);
        // Name to Kind, the window's seven columns.
        cliRows.emplace_back(fields.begin() + 1, fields.begin() + 8);
    }

    RunAndClose([&](HWND hDlg) {
        EXPECT_TRUE(Walk(hDlg, strRoot).empty());
        std::vector<std::vector<std::string>> windowRows = ListCells(::GetDlgItem(hDlg, IDC_FILE_LIST), 7);
        std::reverse(windowRows.begin(), windowRows.end());
        EXPECT_EQ(windowRows, cliRows);
        EXPECT_EQ(windowRows.size(), 10u);
    });
}
