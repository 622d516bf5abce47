// A DLL planted beside the tool is never loaded at run time: the search is
// restricted before anything else is loaded.
#include <gtest/gtest.h>

#include <string>

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

// The real program, copied into a folder with a planted uxtheme.dll (which the
// common controls load when the window is made): the plant stays unloaded.
TEST(DllSearch, TheToolIgnoresADllPlantedBesideIt) {
    ScratchDir dir("plant-tool");
    ASSERT_TRUE(Plant(dir.Path(), "uxtheme.dll"));
    std::string tool = dir / "TolmUnload.exe";
    ASSERT_TRUE(::CopyFileA(ToolPath().c_str(), tool.c_str(), FALSE));
    ChildProcess p;
    ASSERT_TRUE(p.Start("\"" + tool + "\"", dir.Path().c_str()));
    HWND dlg = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (dlg = WaitForProcessWindow(p.Pid(), "#32770", 0)) != nullptr; }, 20000));
    ::PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    DWORD code = 0;
    ASSERT_TRUE(p.Wait(20000, &code));
    EXPECT_FALSE(FileExists(dir / "planted-loaded.txt"));
}
