// The RunOnce values and the companion shortcut prepared for the restart.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "CapturedReport.h"
#include "ChangeSession.h"
#include "ProductRemoval.h"
#include "RegTestSupport.h"
#include "RestartPreparation.h"
#include "TestSupport.h"

using namespace tolmtest;

namespace {

const char kRunOnce[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const std::string kAbsent = "<absent>";

// A RunOnce value's data with its NUL; kAbsent when it is not there, and a
// value that is not a string says so.
std::string Value(const char* name) {
    DWORD type = 0;
    std::string data;
    if (!regtest::ReadValue(HKEY_LOCAL_MACHINE, kRunOnce, name, &type, &data)) return kAbsent;
    return type == REG_SZ ? data : "<type " + std::to_string(type) + ">";
}

std::string Sz(const std::string& text) { return text + '\0'; }
const std::string kMarker = Sz("");  // an empty string of one byte

std::string ExePath() {
    char p[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, p, MAX_PATH);
    return std::string(p, n);
}

// Leaves the prefix's RunOnce key as it was found: these values would run at
// the prefix's next start.
class RunOnceTest : public ::testing::Test {
protected:
    void SetUp() override { CleanUp(); }
    void TearDown() override { CleanUp(); }
    static void CleanUp() {
        HKEY k = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOnce, 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS) return;
        for (const char* v : {"TQMUNLOAD", "TQM7NEEDREBOOT", "UnloadReboot"}) ::RegDeleteValueA(k, v);
        ::RegCloseKey(k);
    }
};

}  // namespace

// What the folder removal registers for the next logon: the quoted tool (a
// blank in its path cannot start another program) and the folder as it is,
// only for a folder that stays; the marker on a first run; an earlier
// registration is left alone, counted only when it fits the 520 bytes it is
// read into. The command stays within the 260 characters RunOnce accepts: a
// long folder is named in its short form, one that has none is not registered.
TEST_F(RunOnceTest, RegistersTheToolOnlyForAFolderThatStays) {
    const std::string fits(519, 'f'), tooLong(520, 't');
    enum Folder { kGone, kEmpty, kInUse, kLong, kLongBelowMissing };
    struct Case {
        const char* name;
        Folder folder;
        std::string earlier;  // "" none
        std::string unload;   // "tool": the quoted tool and the folder; "short": and its short form
        std::string marker;
    } cases[] = {
        {"folder already gone", kGone, "", kAbsent, kMarker},
        {"empty folder: removed now", kEmpty, "", kAbsent, kMarker},
        {"a file in use", kInUse, "", "tool", kMarker},
        {"an earlier registration", kInUse, "earlier command", Sz("earlier command"), kAbsent},
        {"an earlier one of 519 characters", kGone, fits, Sz(fits), kAbsent},
        {"an earlier one of 520 counts as none", kGone, tooLong, Sz(tooLong), kMarker},
        {"a long folder in use", kLong, "", "short", kMarker},
        {"a long folder below a missing one", kLongBelowMissing, "", kAbsent, kMarker},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CleanUp();
        ScratchDir s("sched");
        // Too long for the command line beside the tool's path, short enough for a file in it.
        const std::string parent = c.folder == kLongBelowMissing ? "C:\\tolmtest\\no such parent\\" : s / "Program Folder\\";
        const size_t length = c.folder == kLongBelowMissing ? 260 : 230;
        const std::string dir = parent + (c.folder < kLong ? "ZRP2007" : std::string(length - 1 - parent.size(), 'q')) + "\\";
        ASSERT_TRUE(::CreateDirectoryA((s / "Program Folder").c_str(), nullptr));
        const bool stays = c.folder == kInUse || c.folder == kLong;
        if (c.folder == kEmpty || stays) {
            ASSERT_TRUE(::CreateDirectoryA(dir.c_str(), nullptr));
        }
        HANDLE held = INVALID_HANDLE_VALUE;
        if (stays) {
            ASSERT_TRUE(WriteFile(dir + "TQM32.EXE", "in use"));
            held = ::CreateFileA((dir + "TQM32.EXE").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(INVALID_HANDLE_VALUE, held);
        }
        if (!c.earlier.empty()) {
            ASSERT_TRUE(regtest::SetString(HKEY_LOCAL_MACHINE, kRunOnce, "TQMUNLOAD", c.earlier));
        }
        EXPECT_EQ(1, ScheduleFolderRemoval(dir.c_str()));
        if (held != INVALID_HANDLE_VALUE) ::CloseHandle(held);
        const std::string unload = Value("TQMUNLOAD"), tool = "\"" + ExePath() + "\" ";
        if (c.unload == "short") {
            ASSERT_EQ(0u, unload.compare(0, tool.size(), tool)) << unload;
            EXPECT_LT(unload.size(), 260u) << unload;
            const std::string named = unload.substr(tool.size(), unload.size() - tool.size() - 1);
            const std::string file = named + (named.back() == '\\' ? "" : "\\") + "TQM32.EXE";
            EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(file.c_str())) << named << " names the folder";
        } else {
            EXPECT_EQ(unload, c.unload == "tool" ? Sz(tool + dir) : c.unload);
        }
        EXPECT_EQ(Value("TQM7NEEDREBOOT"), c.marker);
        EXPECT_EQ(::GetFileAttributesA(dir.c_str()) != INVALID_FILE_ATTRIBUTES, stays);
    }
}

// A second start is registered only for a file the run would delete that is
// still in use: a folder that only the user's own files keep brings nothing back.
TEST_F(RunOnceTest, OnlyAFileStillInUseBringsTheToolBack) {
    for (bool inUse : {false, true}) {
        SCOPED_TRACE(inUse ? "a suite file in use" : "only the user's file");
        CleanUp();
        ScratchDir s("kept");
        const std::string dir = s / "Suite";
        ASSERT_TRUE(::CreateDirectoryA(dir.c_str(), nullptr));
        ASSERT_TRUE(WriteFile(dir + "\\mine.txt", "the user's"));
        ASSERT_TRUE(WriteFile(dir + "\\TQM32.EXE", "suite"));
        HANDLE held = inUse ? ::CreateFileA((dir + "\\TQM32.EXE").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                            nullptr)
                            : INVALID_HANDLE_VALUE;
        ReportRecord report;
        {
            change::Session session(change::Mode::Act);
            CapturedReport captured(&report);
            ReportScope scope(&captured);
            char text[InstallDirectoryBufferSize] = {};
            std::strcpy(text, dir.c_str());
            RemoveProductFolder(text, sizeof text);
            ScheduleFolderRemoval(text);
        }
        const std::string text = report.Text();
        const size_t left = text.find(": left, not empty");
        EXPECT_TRUE(left != std::string::npos && left == text.rfind(": left, not empty")) << "said once:\n" << text;
        if (held != INVALID_HANDLE_VALUE) ::CloseHandle(held);
        EXPECT_EQ(inUse, Value("TQMUNLOAD") != kAbsent);
        EXPECT_TRUE(::GetFileAttributesA((dir + "\\mine.txt").c_str()) != INVALID_FILE_ATTRIBUTES);
    }
}

namespace {

struct LinkInfo {
    bool loaded = false;
    std::string target, icon;
    int iconIndex = -1;
};

LinkInfo ReadLink(const std::string& path) {
    LinkInfo info;
    ::CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                     reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            WCHAR w[MAX_PATH];
            ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, w, MAX_PATH);
            if (SUCCEEDED(file->Load(w, STGM_READ))) {
                info.loaded = true;
                char buf[MAX_PATH] = {};
                if (SUCCEEDED(link->GetPath(buf, MAX_PATH, nullptr, SLGP_RAWPATH))) info.target = buf;
                buf[0] = '\0';
                if (SUCCEEDED(link->GetIconLocation(buf, MAX_PATH, &info.iconIndex))) info.icon = buf;
            }
            file->Release();
        }
        link->Release();
    }
    ::CoUninitialize();
    return info;
}

class Companion : public RunOnceTest {
protected:
    void SetUp() override {
        RunOnceTest::SetUp();
        const bool ja = Env("TOLM_LANG") == "ja";
        ASSERT_EQ(ja ? 932u : 936u, ::GetACP()) << "TOLM_LANG " << Env("TOLM_LANG");
        char buf[MAX_PATH] = {};
        ASSERT_TRUE(::SHGetSpecialFolderPathA(nullptr, buf, CSIDL_COMMON_DESKTOPDIRECTORY, FALSE));
        desktop = buf;
        // The shortcut's name in the test's language and code page.
        shortcut = desktop + "\\" + (ja ? "VISTA_I_SHORTCUT" : FromUtf8(u8"vista_i的快捷方式.LNK", 936));
        ::DeleteFileA(shortcut.c_str());
        std::string exe = ExePath();
        companion = exe.substr(0, exe.find_last_of('\\') + 1) + "vista_i.exe";
        ASSERT_TRUE(WriteFile(companion, "the companion"));
    }
    void TearDown() override {
        ::DeleteFileA(companion.c_str());
        ::DeleteFileA(shortcut.c_str());
        RunOnceTest::TearDown();
    }
    std::string desktop, shortcut, companion;
};

}  // namespace

// The companion is registered to start at the next logon, and a shortcut to
// it put on the all-users desktop (the name as the table has it: no extension
// added in the Japanese set); the value is written even when the shortcut
// cannot be, and nothing at all without the companion or a desktop folder.
TEST_F(Companion, RegisteredWithAShortcutWhenItIsThere) {
    enum Setup { kPlain, kShortcutBlocked, kNoCompanion, kNoDesktop };
    struct Case {
        const char* name;
        Setup setup;
        int result;
    } cases[] = {
        {"companion and desktop", kPlain, 1},
        {"a folder in the shortcut's place", kShortcutBlocked, 1},
        {"no companion", kNoCompanion, 0},
        {"no desktop folder", kNoDesktop, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CleanUp();
        ::DeleteFileA(shortcut.c_str());
        ASSERT_TRUE(WriteFile(companion, "the companion"));
        const std::string moved = desktop + ".away";
        bool made = true;
        if (c.setup == kShortcutBlocked) made = ::CreateDirectoryA(shortcut.c_str(), nullptr);
        if (c.setup == kNoCompanion) made = ::DeleteFileA(companion.c_str());
        if (c.setup == kNoDesktop) made = ::MoveFileA(desktop.c_str(), moved.c_str());
        ASSERT_TRUE(made);
        EXPECT_EQ(c.result, PrepareVistaCompanion());
        if (c.setup == kShortcutBlocked) ::RemoveDirectoryA(shortcut.c_str());
        if (c.setup == kNoDesktop) {
            ::MoveFileA(moved.c_str(), desktop.c_str());
            ASSERT_TRUE(::GetFileAttributesA(desktop.c_str()) != INVALID_FILE_ATTRIBUTES) << "desktop not put back";
        }
        EXPECT_EQ(Value("UnloadReboot"), c.result ? Sz("\"" + companion + "\"") : kAbsent);
        EXPECT_EQ(Value("TQMUNLOAD"), kAbsent);
        EXPECT_EQ(Value("TQM7NEEDREBOOT"), kAbsent);
        const LinkInfo link = ReadLink(shortcut);
        EXPECT_EQ(link.loaded, c.setup == kPlain) << shortcut;
        if (!link.loaded) continue;
        EXPECT_TRUE(_stricmp(companion.c_str(), link.target.c_str()) == 0) << link.target;
        EXPECT_TRUE(_stricmp(ExePath().c_str(), link.icon.c_str()) == 0) << link.icon;
        EXPECT_EQ(0, link.iconIndex);
    }
}

TEST(CreateShortcut, WritesALinkToTheTargetWithTheToolsIcon) {
    ScratchDir s("lnk");
    std::string path = s / "to notepad.lnk";
    EXPECT_EQ(1, CreateShortcut("C:\\windows\\notepad.exe", path.c_str()));
    LinkInfo link = ReadLink(path);
    ASSERT_TRUE(link.loaded);
    EXPECT_TRUE(_stricmp("C:\\windows\\notepad.exe", link.target.c_str()) == 0) << link.target;
    EXPECT_TRUE(_stricmp(ExePath().c_str(), link.icon.c_str()) == 0) << link.icon;
    EXPECT_EQ(0, CreateShortcut(nullptr, path.c_str()));
    EXPECT_EQ(0, CreateShortcut("C:\\x.exe", nullptr));
    // COM is left as it was found: this thread can still choose its model.
    HRESULT hr = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
    if (SUCCEEDED(hr)) ::CoUninitialize();
}

// A RunOnce key that may be read but not changed: neither operation can register
// anything, and both say so (the shortcut has been made by then).
TEST_F(Companion, RunOnceKeyThatCannotBeWritten) {
    ScratchDir s("sched");
    std::string dir = s / "ZRP2007\\";
    ASSERT_TRUE(::CreateDirectoryA(dir.c_str(), nullptr));
    ASSERT_TRUE(WriteFile(dir + "TQM32.EXE", "in use"));
    HANDLE held = ::CreateFileA((dir + "TQM32.EXE").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    int scheduled = -1, prepared = -1;
    {
        regtest::ReadOnlyKey readOnly(HKEY_LOCAL_MACHINE, kRunOnce);
        ASSERT_TRUE(readOnly.Ok());
        scheduled = ScheduleFolderRemoval(dir.c_str());
        prepared = PrepareVistaCompanion();
    }
    ::CloseHandle(held);
    EXPECT_EQ(0, scheduled);
    EXPECT_EQ(0, prepared);
    for (const char* v : {"TQMUNLOAD", "TQM7NEEDREBOOT", "UnloadReboot"}) EXPECT_EQ(Value(v), kAbsent) << v;
}
