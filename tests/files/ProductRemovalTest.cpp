// Removing the program folder, shortcuts, menu folders, the QRECYCLE settings
// file and the installer's record folders.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>

#include "FileTestSupport.h"
#include "ProductRemoval.h"
#include "ShellFolderFixture.h"

using namespace filetest;
using tolmtest::ScratchDir;
using Tree = std::vector<std::string>;

namespace {

struct Dir {
    char text[InstallDirectoryBufferSize] = {};
    explicit Dir(const std::string& s) { std::strcpy(text, s.c_str()); }
};

void MakeProductFolder(const std::string& top) {
    for (const char* f : {"TQM32.EXE", "TQMPFW.EXE", "QATMain.EXE", "ZRPLnchr.EXE", "mine.txt", "QAF\\AntiRule_Private.xml",
                          "Rules\\own.xml", "Skin\\ZRPSkin.bmp", "MyFolder\\keep.txt", "Update\\x.pth"})
        ASSERT_TRUE(MakeFile(top + "\\" + f)) << f;
    ::SetFileAttributesA((top + "\\TQMPFW.EXE").c_str(), FILE_ATTRIBUTE_READONLY);
}

class ProductShortcuts : public ShellFolderTest {};

}  // namespace

TEST_F(ProductShortcuts, ShortcutsGoWithTheirExecutablesMenusAndSettingsFileGo) {
    ScratchDir s("short");
    std::string dir = s / "ZRP2006";
    ASSERT_TRUE(MakeFile(dir + "\\TQM32.EXE"));
    ASSERT_TRUE(MakeFile(dir + "\\QATMain.EXE"));
    MakeShortcuts(folders.desktop);
    MakeShortcuts(folders.userDesktop);
    MakeMenus(folders.programs);
    MakeMenus(folders.userPrograms);
    ASSERT_TRUE(MakeFile(folders.desktop + "\\user.lnk"));
    ASSERT_TRUE(MakeFile(folders.programs + "\\Velkaris Internet Security Tools\\x.lnk"));
    ASSERT_TRUE(MakeFile("C:\\QRECYCLE\\Desktop.INI"));
    ASSERT_TRUE(MakeFile("C:\\QRECYCLE\\quarantined.dat"));
    ::SetFileAttributesA("C:\\QRECYCLE\\Desktop.INI", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);

    Dir d(dir);
    EXPECT_EQ(0, RemoveProductShortcuts(d.text, sizeof d.text));
    EXPECT_EQ(dir + "\\", d.text);
    const bool keptExpected[5] = {true, false, true, false, false};  // TQM32 and QATMain are still there
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(keptExpected[i], Exists(folders.desktop + "\\" + shortcuts[i])) << i << " " << ShortcutExecutables[i];
        EXPECT_TRUE(Exists(folders.userDesktop + "\\" + shortcuts[i])) << "the current user's desktop is not for NT";
    }
    for (const auto& m : menus) {
        EXPECT_FALSE(Exists(folders.programs + "\\" + m)) << m;
        EXPECT_TRUE(Exists(folders.userPrograms + "\\" + m + "\\Tools\\Help.lnk")) << m;
    }
    EXPECT_TRUE(Exists(folders.desktop + "\\user.lnk"));
    EXPECT_TRUE(Exists(folders.programs + "\\Velkaris Internet Security Tools\\x.lnk"));
    EXPECT_FALSE(Exists("C:\\QRECYCLE\\Desktop.INI"));
    EXPECT_TRUE(Exists("C:\\QRECYCLE\\quarantined.dat"));

    // Once the executables are gone, so are their shortcuts.
    ::DeleteFileA((dir + "\\TQM32.EXE").c_str());
    ::DeleteFileA((dir + "\\QATMain.EXE").c_str());
    EXPECT_EQ(0, RemoveProductShortcuts(d.text, sizeof d.text));
    EXPECT_EQ(dir + "\\", d.text);
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(Exists(folders.desktop + "\\" + shortcuts[i])) << i;

    // Both Internet-security shortcuts stay while the launcher is there.
    ASSERT_TRUE(MakeFile(dir + "\\ZRPLnchr.EXE"));
    MakeShortcuts(folders.desktop);
    EXPECT_EQ(0, RemoveProductShortcuts(d.text, sizeof d.text));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(i >= 3, Exists(folders.desktop + "\\" + shortcuts[i])) << i;
}

TEST_F(ProductShortcuts, BackslashIsAppendedOnlyWhereItFits) {
    std::string dir259 = "C:\\tolmtest\\" + std::string(259 - 12, 'p');
    Dir d(dir259);
    RemoveProductShortcuts(d.text, sizeof d.text);
    EXPECT_EQ(dir259 + "\\", d.text) << "a 259-character folder has room for it";

    char small[260 + 8];
    std::memset(small, '#', sizeof small);
    std::strcpy(small, dir259.c_str());
    RemoveProductShortcuts(small, 260);
    EXPECT_EQ(dir259, small);
    for (size_t i = 260; i < sizeof small; ++i) EXPECT_EQ('#', small[i]) << i;

    Dir withOne(dir259.substr(0, 258) + "\\");
    RemoveProductShortcuts(withOne.text, sizeof withOne.text);
    EXPECT_EQ(dir259.substr(0, 258) + "\\", withOne.text);
}

// Windows 95 family: the current user's desktop and menu, never the all-users ones.
TEST_F(ProductShortcuts, Windows9xUsesTheCurrentUsersFolders) {
    ASSERT_EQ(0u, RunAsVersion("files_runner", "win98", "nt")) << "Wine did not report a 9x system to the helper";
    ASSERT_EQ(1u, RunAsVersion("files_runner", "winxp", "nt"));
    ScratchDir s("short9x");
    MakeShortcuts(folders.desktop);
    MakeShortcuts(folders.userDesktop);
    MakeMenus(folders.programs);
    MakeMenus(folders.userPrograms);
    ASSERT_TRUE(MakeFile(s / "TQMPFW.EXE"));
    EXPECT_EQ(0u, RunAsVersion("files_runner", "win98", "shortcuts \"" + s.Path() + "\""));
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(i == 1, Exists(folders.userDesktop + "\\" + shortcuts[i])) << i;
        EXPECT_TRUE(Exists(folders.desktop + "\\" + shortcuts[i])) << i;
    }
    for (const auto& m : menus) {
        EXPECT_FALSE(Exists(folders.userPrograms + "\\" + m)) << m;
        EXPECT_TRUE(Exists(folders.programs + "\\" + m)) << m;
    }
}

class ProductFolder : public ShellFolderTest {};

TEST_F(ProductFolder, FullClearingNamesEmptyAndRemoveTheFolderInAnyForm) {
    ScratchDir s("full");
    for (const char* form : {"ZRP2007", "ZRP2007\\", "zrp2007", "ZRP2006"}) {
        SCOPED_TRACE(form);
        std::string top = s / "Apps\\" + form;
        MakeProductFolder(top);
        ASSERT_TRUE(MakeFolders(top + "\\Deep\\Er\\Est"));
        MakeShortcuts(folders.desktop);
        Dir d(top);
        EXPECT_EQ(1, RemoveProductFolder(d.text, sizeof d.text));
        EXPECT_FALSE(Exists(top));
        std::string expected = top;
        if (expected.back() != '\\') expected += "\\";
        EXPECT_EQ(expected, d.text);
        for (int i = 0; i < 5; ++i) EXPECT_FALSE(Exists(folders.desktop + "\\" + shortcuts[i])) << i;
    }
}

TEST_F(ProductFolder, FileInUseKeepsItsFolderAndItsShortcut) {
    ScratchDir s("inuse");
    std::string top = s / "ZRP2007";
    MakeProductFolder(top);
    MakeShortcuts(folders.desktop);
    HeldFile held(top + "\\TQM32.EXE");
    ASSERT_TRUE(held.Held());
    Dir d(top + "\\");
    RemoveProductFolder(d.text, sizeof d.text);
    EXPECT_EQ(Tree{"TQM32.EXE"}, ListTree(top));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(i == 0, Exists(folders.desktop + "\\" + shortcuts[i])) << i;
}

// Only the last component decides: names near the full-clearing ones, and a
// ZRP2007 folder higher up the path, are cleaned by name.
TEST_F(ProductFolder, OtherNamesAreCleanedByNameOnly) {
    ScratchDir s("byname");
    for (const char* name : {"Velkaris", "ZRP2007 old", "MyZRP2007", "ZRP2007.bak", "ZRP2007\\Sub"}) {
        SCOPED_TRACE(name);
        std::string top = s / name;
        MakeProductFolder(top);
        MakeShortcuts(folders.desktop);
        Dir d(top);
        EXPECT_EQ(1, RemoveProductFolder(d.text, sizeof d.text));
        EXPECT_EQ((Tree{"MyFolder\\", "MyFolder\\keep.txt", "QATMain.EXE", "Rules\\", "Rules\\own.xml", "mine.txt"}),
                  ListTree(top));
        // QATMain.EXE is no product file by name: its shortcut stays.
        for (int i = 0; i < 5; ++i) EXPECT_EQ(i == 2, Exists(folders.desktop + "\\" + shortcuts[i])) << i;
    }
}

// Drive roots, the Windows, system and "Program Files" folders are never
// cleaned, whatever their spelling; the shortcut step runs all the same.
TEST_F(ProductFolder, SystemFoldersAreNotCleaned) {
    char system[MAX_PATH];
    ASSERT_GT(::GetSystemDirectoryA(system, MAX_PATH), 3u);
    std::string sys = system;
    std::string win = sys.substr(0, sys.find_last_of('\\'));
    std::string root = sys.substr(0, 3);
    std::string pf = root + "Program Files";
    struct Decoy {
        std::string folder;
        std::vector<std::string> made;
    };
    std::vector<Decoy> decoys;
    for (const std::string& f : {root, win, sys, pf}) {
        Decoy dc{f, {}};
        // A product file, a loose file and an empty listed folder: all would go.
        for (const char* n : {"TQMReadme.txt", "tolmtest.pth"}) {
            std::string p = (f.back() == '\\' ? f : f + "\\") + n;
            if (!Exists(p) && MakeFile(p)) dc.made.push_back(p);
        }
        std::string folder = (f.back() == '\\' ? f : f + "\\") + "Pattern";
        if (!Exists(folder) && MakeFolders(folder)) dc.made.push_back(folder);
        ASSERT_EQ(3u, dc.made.size()) << f;
        decoys.push_back(dc);
    }
    std::vector<std::string> forms = {root, root.substr(0, 2), win, win + "\\", sys, pf, pf + "\\", win + "\\.",
                                      sys + "\\..\\" + sys.substr(sys.find_last_of('\\') + 1), "\\\\?\\" + win};
    for (std::string f : {win, sys, pf}) {
        for (char& c : f) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        forms.push_back(f);
    }
    char shortWin[MAX_PATH] = {};
    if (::GetShortPathNameA(pf.c_str(), shortWin, MAX_PATH) && pf != shortWin) forms.push_back(shortWin);
    for (const std::string& f : forms) {
        SCOPED_TRACE(f);
        ASSERT_TRUE(MakeFile(folders.desktop + "\\" + shortcuts[3]));
        Dir d(f);
        EXPECT_EQ(0, RemoveProductFolder(d.text, sizeof d.text)) << "refused";
        for (const Decoy& dc : decoys)
            for (const std::string& p : dc.made) EXPECT_TRUE(Exists(p)) << p;
        EXPECT_FALSE(Exists(folders.desktop + "\\" + shortcuts[3])) << "the shortcut step still runs";
    }
    for (const Decoy& dc : decoys)
        for (const std::string& p : dc.made) IsFolder(p) ? (void)::RemoveDirectoryA(p.c_str()) : (void)::DeleteFileA(p.c_str());
}

// The folders the system names for programs, profiles and user data, in
// whatever language and place, another user's profile, and every folder that
// holds one of them are refused; a product folder below them is not.
TEST_F(ProductFolder, KnownFoldersAndTheirParentsAreNotCleaned) {
    std::vector<std::string> refused;
    for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROFILE,
                      CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_COMMON_APPDATA,
                      CSIDL_COMMON_DOCUMENTS}) {
        char f[MAX_PATH] = {};
        if (::SHGetSpecialFolderPathA(nullptr, f, csidl, FALSE) && f[0]) refused.push_back(f);
    }
    ASSERT_GE(refused.size(), 8u);
    char documents[MAX_PATH] = {};
    ASSERT_TRUE(::SHGetSpecialFolderPathA(nullptr, documents, CSIDL_PERSONAL, FALSE));
    char profile[MAX_PATH] = {};
    ASSERT_TRUE(::SHGetSpecialFolderPathA(nullptr, profile, CSIDL_PROFILE, FALSE));
    const std::string profiles = std::string(profile).substr(0, std::string(profile).find_last_of('\\'));
    const std::string other = profiles + "\\tolmtest other user";
    refused.push_back(profiles);
    refused.push_back(other);
    refused.push_back(std::string(profile) + "\\..");
    // Files the removal would take anywhere it cleans.
    std::vector<std::string> decoys;
    for (const std::string& f : {std::string(documents), other}) {
        for (const char* n : {"\\TQMReadme.txt", "\\tolmtest.pth", "\\Deeper\\QA1234.DAT"}) {
            ASSERT_FALSE(Exists(f + n)) << f + n;
            ASSERT_TRUE(MakeFile(f + n));
            decoys.push_back(f + n);
        }
    }
    for (const std::string& f : refused) {
        SCOPED_TRACE(f);
        EXPECT_TRUE(IsRefusedProductFolder(f.c_str()));
        Dir d(f);
        EXPECT_EQ(0, RemoveProductFolder(d.text, sizeof d.text));
    }
    for (const std::string& p : decoys) EXPECT_TRUE(Exists(p)) << p;
    const std::string below = std::string(documents) + "\\tolmtest Velkaris\\ZRP2007";
    MakeProductFolder(below);
    Dir d(below);
    EXPECT_FALSE(IsRefusedProductFolder(below.c_str()));
    EXPECT_EQ(1, RemoveProductFolder(d.text, sizeof d.text));
    EXPECT_FALSE(Exists(below));
    for (const std::string& p : decoys) ::DeleteFileA(p.c_str());
    for (const std::string& p : {std::string(documents) + "\\Deeper", other + "\\Deeper", other, std::string(documents) + "\\tolmtest Velkaris"})
        ::RemoveDirectoryA(p.c_str());
}

TEST_F(ProductFolder, RelativeOrEmptyPathsAreNotCleaned) {
    ScratchDir s("relative");
    ASSERT_TRUE(MakeFile(s / "ZRP2007\\TQM32.EXE"));
    char cwd[MAX_PATH];
    ::GetCurrentDirectoryA(MAX_PATH, cwd);
    ::SetCurrentDirectoryA(s.Path().c_str());
    for (const char* f : {"ZRP2007", ".\\ZRP2007", "", "C:ZRP2007"}) {
        Dir d(f);
        RemoveProductFolder(d.text, sizeof d.text);
        EXPECT_TRUE(Exists(s / "ZRP2007\\TQM32.EXE")) << f;
    }
    ::SetCurrentDirectoryA(cwd);
}

TEST(InstallerRecordFolder, DeletesTheSevenFilesAndAnEmptiedFolder) {
    char system[MAX_PATH];
    ASSERT_GT(::GetSystemDirectoryA(system, MAX_PATH), 3u);
    std::string base = std::string(system, 3) + "Program Files\\InstallShield Installation Information\\";
    bool baseExisted = Exists(base);
    const char* codes[] = {"{2D7B94E5-C1A3-4F06-9B58-6E0D47F31C27}", "{9C3F0B71-46E2-4A18-B5D7-3E8F21C06A94}",
                           "{5A1E7C30-2B94-4D6F-8E21-07C3B9A4D512}"};
    const char* files[] = {"data1.cab", "data1.hdr", "TQMSetup.exe", "layout.bin", "setup.ilg", "Setup.ini", "setup.inx"};
    for (const char* code : codes) {
        std::string folder = base + code;
        for (const char* f : files) ASSERT_TRUE(MakeFile(folder + "\\" + f));
        ::SetFileAttributesA((folder + "\\Setup.ini").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    }
    ASSERT_TRUE(MakeFile(base + codes[1] + "\\user.txt"));
    ASSERT_TRUE(MakeFile(base + codes[2] + "\\setup.ini.bak"));
    for (const char* code : codes) EXPECT_EQ(1, RemoveInstallerRecordFolder(code));
    EXPECT_FALSE(Exists(base + codes[0]));
    EXPECT_EQ(Tree{"user.txt"}, ListTree(base + codes[1]));
    EXPECT_EQ(Tree{"setup.ini.bak"}, ListTree(base + codes[2]));
    EXPECT_EQ(1, RemoveInstallerRecordFolder(codes[0]));  // already gone
    EXPECT_TRUE(Exists(base)) << "only the product's own folder goes";
    RemoveTree(base + codes[1]);
    RemoveTree(base + codes[2]);
    if (!baseExisted) ::RemoveDirectoryA(base.c_str());
}
