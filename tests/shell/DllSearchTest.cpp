// A DLL planted beside the tool is never loaded at run time: the search is
// restricted before anything else is loaded.
#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "AfxDllSearch.h"
#include "TestSupport.h"

using namespace tolmtest;

namespace {

std::string PlantSource() {
    std::string self = SelfPath();
    return self.substr(0, self.rfind('\\') + 1) + "tolmplant.dll";
}

bool Plant(const std::string& dir, const char* name) {
    return ::CopyFileA(PlantSource().c_str(), (dir + "\\" + name).c_str(), FALSE) != 0;
}

}  // namespace

// Run in a copy of this program placed beside the planted DLLs, once without and
// once with the restriction.
TEST(DllSearch, RestrictionKeepsTheProgramFolderOutOfRunTimeLoads) {
    const std::string mode = Env("TOLM_PLANT_MODE");
    if (!mode.empty()) {
        std::string self = SelfPath();
        std::string dir = self.substr(0, self.rfind('\\'));
        if (mode == "restricted") {
            EXPECT_EQ(2, AfxRestrictDllSearch()) << "SetDefaultDllDirectories is present";
        }
        HMODULE planted = ::LoadLibraryA("tolmplant.dll");
        if (mode == "restricted") {
            EXPECT_EQ(nullptr, planted);
            // A system DLL by name still comes from the system folder.
            HMODULE ux = ::LoadLibraryA("uxtheme.dll");
            ASSERT_NE(nullptr, ux);
            char path[MAX_PATH] = {};
            ::GetModuleFileNameA(ux, path, MAX_PATH);
            EXPECT_EQ(nullptr, strstr(path, dir.c_str())) << path;
        } else {
            EXPECT_NE(nullptr, planted) << "the plant must be findable, or the check proves nothing";
            // Unrestricted, even a system DLL's name is taken from the program's
            // folder first: what the check of the real tool below relies on.
            HMODULE ux = ::LoadLibraryA("uxtheme.dll");
            char path[MAX_PATH] = {};
            ::GetModuleFileNameA(ux, path, MAX_PATH);
            EXPECT_NE(nullptr, strstr(path, dir.c_str())) << path;
        }
        EXPECT_EQ(mode != "restricted", FileExists(dir + "\\planted-loaded.txt"));
        return;
    }
    for (const char* m : {"open", "restricted"}) {
        SCOPED_TRACE(m);
        ScratchDir dir("plant");
        ASSERT_TRUE(Plant(dir.Path(), "tolmplant.dll"));
        ASSERT_TRUE(Plant(dir.Path(), "uxtheme.dll"));
        std::string copy = CopySelf(dir.Path(), "plantcheck.exe");
        ASSERT_FALSE(copy.empty());
        ::SetEnvironmentVariableA("TOLM_PLANT_MODE", m);
        ChildProcess child;
        ASSERT_TRUE(child.Start("\"" + copy + "\" --gtest_filter=DllSearch.*"));
        ::SetEnvironmentVariableA("TOLM_PLANT_MODE", nullptr);
        DWORD code = 1;
        ASSERT_TRUE(child.Wait(30000, &code));
        EXPECT_EQ(0u, code);
    }
}

namespace {

// Lets everyone change folder (Wine keeps this much of an access list: the
// host mode becomes world-writable), as a user's own folders are open to every
// program of the user's.
bool OpenToEveryone(const std::string& folder) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;OICI;FA;;;WD)", SDDL_REVISION_1, &sd, nullptr))
        return false;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ::GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted);
    const DWORD rc = ::SetNamedSecurityInfoA(const_cast<char*>(folder.c_str()), SE_FILE_OBJECT,
                                             DACL_SECURITY_INFORMATION, nullptr, nullptr, dacl, nullptr);
    ::LocalFree(sd);
    return rc == ERROR_SUCCESS;
}

std::string CommonAppData() {
    char path[MAX_PATH] = {};
    return ::SHGetSpecialFolderPathA(nullptr, path, CSIDL_COMMON_APPDATA, FALSE) ? path : "";
}

// The processes that process pid started, by name.
std::vector<std::string> ChildrenOf(DWORD pid) {
    std::vector<std::string> names;
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return names;
    PROCESSENTRY32 e = {};
    e.dwSize = sizeof e;
    for (BOOL ok = ::Process32First(snap, &e); ok; ok = ::Process32Next(snap, &e))
        if (e.th32ParentProcessID == pid) names.push_back(e.szExeFile);
    ::CloseHandle(snap);
    return names;
}

// A visible dialog of process pid other than except, or null.
HWND OtherDialog(DWORD pid, HWND except) {
    for (HWND w : Dialogs(pid, 0, true))
        if (w != except) return w;
    return nullptr;
}

}  // namespace

// As on XP, where the tool counts a folder that only the administrator's own
// account can change as safe: started from a folder everyone may change, the
// tool runs as its copy in the administrators' folder, which puts the report
// beside the original and is gone again afterwards.
TEST(DllSearch, FromAFolderOthersMayChangeTheToolRunsAsItsCopy) {
    ScopedWindowsVersion xp("TolmUnload.exe", "winxp");
    const std::string copy = CommonAppData() + "\\TolmUnload\\TolmUnload.exe";
    for (bool open : {true, false}) {
        SCOPED_TRACE(open ? "others may change the folder" : "only the administrator may");
        ScratchDir dir("relaunch");
        ASSERT_TRUE(Plant(dir.Path(), "uxtheme.dll"));
        const std::string tool = dir / "TolmUnload.exe";
        ASSERT_TRUE(::CopyFileA(ToolPath().c_str(), tool.c_str(), FALSE));
        if (open) ASSERT_TRUE(OpenToEveryone(dir.Path()));
        ChildProcess p;
        ASSERT_TRUE(p.Start("\"" + tool + "\" /preview /quiet", dir.Path().c_str()));
        DWORD code = 1;
        ASSERT_TRUE(p.Wait(120000, &code));
        EXPECT_EQ(0u, code) << "the copy's exit code, passed on";
        const std::string report = ReadWholeFile(dir / "TolmUnload.log").value_or("");
        EXPECT_NE(std::string::npos, report.find("Tool: TolmUnload 5.0, " + (open ? copy : tool))) << report;
        EXPECT_FALSE(FileExists(copy)) << "the copy is not left behind";
        EXPECT_FALSE(FileExists(dir / "planted-loaded.txt"));
    }
}

// The real program, copied into a folder with a planted uxtheme.dll (which the
// common controls load when the window is made) and help file (WinHelp files
// run macros): the plant stays unloaded, and the help file is never opened,
// from the main window or the About box, by F1 or the command.
TEST(PlantedFiles, TheToolLoadsNoDllAndOpensNoHelpFilePlantedBesideIt) {
    ScratchDir dir("plant-tool");
    ASSERT_TRUE(Plant(dir.Path(), "uxtheme.dll"));
    ASSERT_TRUE(WriteFile(dir / "TolmUnload.HLP", "not a real help file, but there"));
    const std::string tool = dir / "TolmUnload.exe";
    ASSERT_TRUE(::CopyFileA(ToolPath().c_str(), tool.c_str(), FALSE));
    ChildProcess p;
    ASSERT_TRUE(p.Start("\"" + tool + "\"", dir.Path().c_str()));
    HWND main = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (main = WaitForProcessWindow(p.Pid(), "#32770", 0)) != nullptr; }, 20000));
    const WPARAM kHelpCommand = 0xE146;  // MFC's ID_HELP
    HELPINFO f1 = {};
    f1.cbSize = sizeof f1;
    f1.iContextType = HELPINFO_WINDOW;
    const struct {
        const char* name;
        bool about;
        UINT message;
        WPARAM w;
    } cases[] = {
        {"F1 in the main window", false, WM_HELP, 0},
        {"the Help command in the main window", false, WM_COMMAND, kHelpCommand},
        {"F1 in the About box", true, WM_HELP, 0},
        {"the Help command in the About box", true, WM_COMMAND, kHelpCommand},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HWND target = main;
        if (c.about) {
            ::PostMessageA(main, WM_SYSCOMMAND, 0x10, 0);
            ASSERT_TRUE(WaitUntil([&] { return (target = OtherDialog(p.Pid(), main)) != nullptr; }, 10000));
        }
        // The system carries WM_HELP's structure to the other process, as for F1.
        ::SendMessageTimeoutA(target, c.message, c.w, c.message == WM_HELP ? reinterpret_cast<LPARAM>(&f1) : 0,
                              SMTO_NORMAL, 5000, nullptr);
        ::Sleep(300 * WaitScale());  // WinHelp starts its program before the message returns
        const std::vector<std::string> started = ChildrenOf(p.Pid());
        EXPECT_TRUE(started.empty()) << started.front();
        for (DWORD id : ProcessesNamed("winhlp32.exe")) {
            ChildProcess helper;
            if (helper.Attach(id)) helper.Kill();
        }
        if (c.about) ::PostMessageA(target, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitUntil([&] { return OtherDialog(p.Pid(), main) == nullptr; }, 10000));
    }
    ::PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(p.Wait(20000));
    EXPECT_FALSE(FileExists(dir / "planted-loaded.txt"));
}
