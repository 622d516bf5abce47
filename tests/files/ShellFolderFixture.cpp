#include "ShellFolderFixture.h"

#include <shlobj.h>

using namespace tolmtest;

namespace filetest {

const char* const ShortcutExecutables[5] = {"TQM32.EXE", "TQMPFW.EXE", "QATMain.EXE", "ZRPLnchr.EXE", "ZRPLnchr.EXE"};

namespace {
std::string Special(int csidl) {
    char buf[MAX_PATH] = {};
    return ::SHGetSpecialFolderPathA(nullptr, buf, csidl, FALSE) ? buf : "";
}
// The Japanese names are stored as their Shift-JIS bytes in both tables.
std::string Sjis(const char* utf8) { return FromUtf8(utf8, 932); }
}  // namespace

ShellFolders GetShellFolders() {
    return {Special(CSIDL_COMMON_DESKTOPDIRECTORY), Special(CSIDL_COMMON_PROGRAMS), Special(CSIDL_DESKTOP),
            Special(CSIDL_PROGRAMS)};
}

std::vector<std::string> ShortcutNames() {
    return {Sjis(u8"ヴェルカリスアンチウィルス2006.lnk"), Sjis(u8"ヴェルカリスパーソナルファイアウォール2006.lnk"),
            Sjis(u8"ヴェルカリスアンチスパイ2006.lnk"), "Velkaris Internet Security.lnk",
            "Velkaris Internet Security 2006 +.lnk"};
}

std::vector<std::string> MenuNames() {
    return {Sjis(u8"ヴェルカリスインターネットセキュリティ2006"), "Velkaris Internet Security 2006 +",
            "Velkaris Internet Security"};
}

void ExpectLanguageCodePage() {
    std::string lang = Env("TOLM_LANG");
    UINT want = lang == "ja" ? 932 : lang == "zh" ? 936 : 0;
    ASSERT_NE(0u, want) << "run with TOLM_LANG ja or zh";
    ASSERT_EQ(want, ::GetACP());
}

void ShellFolderTest::SetUp() {
    ExpectLanguageCodePage();
    folders = GetShellFolders();
    ASSERT_FALSE(folders.desktop.empty() || folders.programs.empty() || folders.userDesktop.empty() ||
                 folders.userPrograms.empty());
    shortcuts = ShortcutNames();
    menus = MenuNames();
    CleanUp();
}

void ShellFolderTest::TearDown() { CleanUp(); }

void ShellFolderTest::CleanUp() {
    for (const std::string* d : {&folders.desktop, &folders.userDesktop}) {
        if (d->empty()) continue;
        for (const auto& n : shortcuts) RemoveTree(*d + "\\" + n);
        RemoveTree(*d + "\\user.lnk");
    }
    for (const std::string* p : {&folders.programs, &folders.userPrograms}) {
        if (p->empty()) continue;
        for (const auto& n : menus) RemoveTree(*p + "\\" + n);
        RemoveTree(*p + "\\Velkaris Internet Security Tools");
    }
    RemoveTree("C:\\QRECYCLE");
}

void ShellFolderTest::MakeShortcuts(const std::string& desktop) {
    for (const auto& n : shortcuts) ASSERT_TRUE(MakeFile(desktop + "\\" + n)) << n;
    ::SetFileAttributesA((desktop + "\\" + shortcuts[3]).c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
}

void ShellFolderTest::MakeMenus(const std::string& programs) {
    for (const auto& n : menus) {
        ASSERT_TRUE(MakeFile(programs + "\\" + n + "\\Uninstall.lnk"));
        ASSERT_TRUE(MakeFile(programs + "\\" + n + "\\Tools\\Help.lnk"));
        ::SetFileAttributesA((programs + "\\" + n + "\\Tools\\Help.lnk").c_str(), FILE_ATTRIBUTE_READONLY);
    }
}

}  // namespace filetest
