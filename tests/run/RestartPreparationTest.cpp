// The RunOnce values and the companion shortcut prepared for the restart.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include <cstring>

#include "CapturedReport.h"
#include "ChangeSession.h"
#include "ProductRemoval.h"
#include "RegTestSupport.h"
#include "RestartPreparation.h"
#include "TestSupport.h"

using namespace tolmtest;

namespace {

const char kRunOnce[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

bool ReadValue(const char* name, DWORD* type, std::string* data) {
    HKEY k = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOnce, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    char buf[2048];
    DWORD size = sizeof buf;
    LONG r = ::RegQueryValueExA(k, name, nullptr, type, reinterpret_cast<BYTE*>(buf), &size);
    ::RegCloseKey(k);
    if (r != ERROR_SUCCESS) return false;
    data->assign(buf, size);
    return true;
}

void SetValue(const char* name, const std::string& text) {
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunOnce, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
    ::RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size() + 1));
    ::RegCloseKey(k);
}

void DeleteValue(const char* name) {
    HKEY k = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOnce, 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS) return;
    ::RegDeleteValueA(k, name);
    ::RegCloseKey(k);
}

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
        for (const char* v : {"TQMUNLOAD", "TQM7NEEDREBOOT", "UnloadReboot"}) DeleteValue(v);
    }
    void ExpectMarker() {
        DWORD type = 0;
        std::string data;
        ASSERT_TRUE(ReadValue("TQM7NEEDREBOOT", &type, &data));
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
        EXPECT_EQ(std::string(1, '\0'), data) << "an empty string of one byte";
    }
};

}  // namespace

TEST_F(RunOnceTest, FolderAlreadyGoneGivesOnlyTheMarker) {
    ScratchDir s("sched");
    EXPECT_EQ(1, ScheduleFolderRemoval((s / "ZRP2007\\").c_str()));
    DWORD type;
    std::string data;
    EXPECT_FALSE(ReadValue("TQMUNLOAD", &type, &data));
    ExpectMarker();
}

TEST_F(RunOnceTest, EmptyFolderIsRemovedAndNotRegistered) {
    ScratchDir s("sched");
    ASSERT_TRUE(::CreateDirectoryA((s / "ZRP2007").c_str(), nullptr));
    EXPECT_EQ(1, ScheduleFolderRemoval((s / "ZRP2007\\").c_str()));
    EXPECT_FALSE(::GetFileAttributesA((s / "ZRP2007").c_str()) != INVALID_FILE_ATTRIBUTES);
    DWORD type;
    std::string data;
    EXPECT_FALSE(ReadValue("TQMUNLOAD", &type, &data));
    ExpectMarker();
}

// The tool's path is quoted, so that a blank in it cannot make the logon start
// another program; the folder after it stays as it is.
TEST_F(RunOnceTest, FolderThatStaysRegistersTheQuotedTool) {
    ScratchDir s("sched");
    std::string dir = s / "Program Folder\\ZRP2007\\";
    ASSERT_TRUE(::CreateDirectoryA((s / "Program Folder").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA((s / "Program Folder\\ZRP2007").c_str(), nullptr));
    ASSERT_TRUE(WriteFile(dir + "TQM32.EXE", "in use"));
    HANDLE held = ::CreateFileA((dir + "TQM32.EXE").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(1, ScheduleFolderRemoval(dir.c_str()));
    ::CloseHandle(held);
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(ReadValue("TQMUNLOAD", &type, &data));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ("\"" + ExePath() + "\" " + dir + std::string(1, '\0'), data);
    ExpectMarker();
}

TEST_F(RunOnceTest, EarlierRegistrationIsLeftAloneAndNoMarkerWritten) {
    ScratchDir s("sched");
    ASSERT_TRUE(WriteFile(s / "keep.txt", "x"));
    SetValue("TQMUNLOAD", "earlier command");
    EXPECT_EQ(1, ScheduleFolderRemoval(s.Path().c_str()));
    DWORD type;
    std::string data;
    ASSERT_TRUE(ReadValue("TQMUNLOAD", &type, &data));
    EXPECT_EQ(std::string("earlier command") + '\0', data);
    EXPECT_FALSE(ReadValue("TQM7NEEDREBOOT", &type, &data));
}

// The earlier value is read into 520 bytes: 519 characters still count as a
// registration, 520 do not, and then the marker is written as on a first run.
TEST_F(RunOnceTest, EarlierRegistrationCountsOnlyWhenItFits520Bytes) {
    ScratchDir s("sched");
    std::string gone = s / "ZRP2007\\";
    const std::string fits(519, 'f'), tooLong(520, 't');
    DWORD type;
    std::string data;

    SetValue("TQMUNLOAD", fits);
    EXPECT_EQ(1, ScheduleFolderRemoval(gone.c_str()));
    EXPECT_FALSE(ReadValue("TQM7NEEDREBOOT", &type, &data));

    SetValue("TQMUNLOAD", tooLong);
    EXPECT_EQ(1, ScheduleFolderRemoval(gone.c_str()));
    ExpectMarker();
    ASSERT_TRUE(ReadValue("TQMUNLOAD", &type, &data));
    EXPECT_EQ(tooLong + '\0', data) << "the folder is gone: nothing new is registered";
}

// What RunOnce starts stays within the 260 characters it accepts: a long
// folder is named in its short form, and one that has none is not registered.
TEST_F(RunOnceTest, CommandLineStaysWithinWhatRunOnceAccepts) {
    ScratchDir s("sched");
    struct Row {
        const char* name;
        bool exists;
    };
    for (const Row& row : {Row{"a long folder that is there", true}, Row{"one below a missing folder", false}}) {
        SCOPED_TRACE(row.name);
        CleanUp();
        const std::string parent = row.exists ? s / "long parent folder name\\" : "C:\\tolmtest\\no such parent\\";
        // Too long for the command line beside the tool's path, short enough for a file in it.
        const size_t length = row.exists ? 230 : 260;
        const std::string dir = parent + std::string(length - 1 - parent.size(), 'q') + "\\";
        if (row.exists) {
            ASSERT_TRUE(::CreateDirectoryA(parent.c_str(), nullptr) && ::CreateDirectoryA(dir.c_str(), nullptr));
            ASSERT_TRUE(WriteFile(dir + "TQM32.EXE", "stays"));
        }
        EXPECT_EQ(1, ScheduleFolderRemoval(dir.c_str()));
        DWORD type;
        std::string data;
        ASSERT_EQ(row.exists, ReadValue("TQMUNLOAD", &type, &data));
        if (!row.exists) continue;
        const std::string prefix = "\"" + ExePath() + "\" ";
        ASSERT_EQ(0u, data.compare(0, prefix.size(), prefix));
        EXPECT_LT(data.size(), 260u) << data;
        const std::string named = data.substr(prefix.size(), data.size() - prefix.size() - 1);
        const std::string file = named + (named.back() == '\\' ? "" : "\\") + "TQM32.EXE";
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(file.c_str())) << named << " names the folder";
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
        DWORD type;
        std::string data;
        EXPECT_EQ(inUse, ReadValue("TQMUNLOAD", &type, &data));
        EXPECT_TRUE(::GetFileAttributesA((dir + "\\mine.txt").c_str()) != INVALID_FILE_ATTRIBUTES);
    }
}

namespace {

std::string Desktop() {
    char buf[MAX_PATH] = {};
    return ::SHGetSpecialFolderPathA(nullptr, buf, CSIDL_COMMON_DESKTOPDIRECTORY, FALSE) ? buf : "";
}

// The companion shortcut name of the test's language, in its code page.
std::string CompanionShortcutName() {
    std::string lang = Env("TOLM_LANG");
    if (lang == "ja") return "VISTA_I_SHORTCUT";
    return FromUtf8(u8"vista_i的快捷方式.LNK", 936);
}

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
        std::string lang = Env("TOLM_LANG");
        ASSERT_EQ(lang == "ja" ? 932u : 936u, ::GetACP()) << "TOLM_LANG " << lang;
        desktop = Desktop();
        ASSERT_FALSE(desktop.empty());
        shortcut = desktop + "\\" + CompanionShortcutName();
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

TEST_F(Companion, ShortcutOnTheAllUsersDesktopAndRunOnceValue) {
    EXPECT_EQ(1, PrepareVistaCompanion());
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(ReadValue("UnloadReboot", &type, &data));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ("\"" + companion + "\"" + std::string(1, '\0'), data);
    // The name as the table has it: no extension added in the Japanese set.
    LinkInfo link = ReadLink(shortcut);
    ASSERT_TRUE(link.loaded) << shortcut;
    EXPECT_TRUE(_stricmp(companion.c_str(), link.target.c_str()) == 0) << link.target;
    EXPECT_TRUE(_stricmp(ExePath().c_str(), link.icon.c_str()) == 0) << link.icon;
    EXPECT_EQ(0, link.iconIndex);
    EXPECT_FALSE(ReadValue("TQMUNLOAD", &type, &data));
    EXPECT_FALSE(ReadValue("TQM7NEEDREBOOT", &type, &data));
}

TEST_F(Companion, ValueIsWrittenEvenWhenTheShortcutCannotBeMade) {
    // A folder in the shortcut's place: the link cannot be saved there.
    ASSERT_TRUE(::CreateDirectoryA(shortcut.c_str(), nullptr));
    EXPECT_EQ(1, PrepareVistaCompanion());
    ::RemoveDirectoryA(shortcut.c_str());
    DWORD type;
    std::string data;
    EXPECT_TRUE(ReadValue("UnloadReboot", &type, &data));
}

// A companion that is not there is neither registered nor given a shortcut.
TEST_F(Companion, MissingCompanionIsNotRegistered) {
    ::DeleteFileA(companion.c_str());
    EXPECT_EQ(0, PrepareVistaCompanion());
    DWORD type;
    std::string data;
    EXPECT_FALSE(ReadValue("UnloadReboot", &type, &data));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(shortcut.c_str()));
}

TEST_F(Companion, NothingAtAllWithoutADesktopFolder) {
    std::string moved = desktop + ".away";
    ASSERT_TRUE(::MoveFileA(desktop.c_str(), moved.c_str()));
    int result = PrepareVistaCompanion();
    ::MoveFileA(moved.c_str(), desktop.c_str());
    ASSERT_TRUE(::GetFileAttributesA(desktop.c_str()) != INVALID_FILE_ATTRIBUTES) << "desktop not put back";
    EXPECT_EQ(0, result);
    DWORD type;
    std::string data;
    EXPECT_FALSE(ReadValue("UnloadReboot", &type, &data));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(shortcut.c_str()));
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
    DWORD type;
    std::string data;
    for (const char* v : {"TQMUNLOAD", "TQM7NEEDREBOOT", "UnloadReboot"}) EXPECT_FALSE(ReadValue(v, &type, &data)) << v;
}
