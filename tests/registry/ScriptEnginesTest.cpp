// Restoring the script engines' class registrations in the prefix's registry
// (the 32-bit view of HKCR in the 64-bit prefix); the registrations are put back
// as they were after each test.
#include "ScriptEngines.h"
#include "RegTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using namespace regtest;

namespace {

const char kQaScript[] = "Software\\Velkaris\\Antivirus\\QAScript";
const char* const kLibrary[6] = {"\\VBScript.dll", "\\VBScript.dll", "\\JScript.dll",
                                 "\\JScript.dll",  "\\VBScript.dll", "\\JScript.dll"};

std::string ServerKey(int i) {
    return std::string("CLSID\\") + kScriptEngineClasses[i] + "\\InprocServer32";
}

// Where the engines are served from for a 32-bit program in this prefix.
std::string EngineDir() {
    return tolmtest::PrefixKind() == "win64" ? "C:\\windows\\syswow64" : "C:\\windows\\system32";
}

class ScriptEnginesTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 6; ++i) {
            saved.emplace_back(new KeySnapshot(HKEY_CLASSES_ROOT, ServerKey(i)));
            ASSERT_TRUE(saved.back()->Existed()) << "the prefix registers " << kScriptEngineClasses[i];
        }
        DeleteTree(HKEY_CURRENT_USER, "Software\\Velkaris");
        ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kQaScript, "Enabled", "1"));
    }
    void TearDown() override {
        saved.clear();
        DeleteTree(HKEY_CURRENT_USER, "Software\\Velkaris");
    }
    static void SetDefault(int i, const std::string& text) {
        ASSERT_TRUE(SetString(HKEY_CLASSES_ROOT, ServerKey(i), "", text));
    }
    static std::string Default(int i, DWORD* type = nullptr) {
        DWORD t = 0;
        std::string data;
        if (!ReadValue(HKEY_CLASSES_ROOT, ServerKey(i), "", &t, &data)) return "<none>";
        if (type) *type = t;
        return data;
    }
    // The default value is the engine's path in the system's folder, NUL stored.
    static void ExpectRestored(int i) {
        DWORD type = 0;
        std::string data = Default(i, &type);
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), type) << i;
        ASSERT_FALSE(data.empty()) << i;
        EXPECT_EQ('\0', data.back()) << i;
        EXPECT_STRCASEEQ((EngineDir() + kLibrary[i]).c_str(), data.c_str()) << i;
        EXPECT_EQ(data.size(), lstrlenA(data.c_str()) + 1u) << i;
        EXPECT_FALSE(ValueExists(HKEY_CLASSES_ROOT, ServerKey(i), "TQMOrigin")) << i;
    }
    std::vector<std::unique_ptr<KeySnapshot>> saved;
};

}  // namespace

TEST_F(ScriptEnginesTest, AllSixPointAtTheSystemLibraries) {
    // As the system registers them, without "TQMOrigin".
    EXPECT_EQ(S_OK, RestoreScriptEngines());
    for (int i = 0; i < 6; ++i) ExpectRestored(i);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kQaScript));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\Velkaris\\Antivirus"));
    // The library name follows the exact path: the value reads back as the folder and the name.
    EXPECT_STRCASEEQ((EngineDir() + "\\JScript.dll").c_str(), Default(5).c_str());
}

TEST_F(ScriptEnginesTest, RedirectedClassesAreTakenBack) {
    for (int i = 0; i < 6; ++i) {
        SetDefault(i, "C:\\Program Files\\Velkaris\\ZRP\\QAScript.dll");
        if (i % 2) {
            ASSERT_TRUE(SetString(HKEY_CLASSES_ROOT, ServerKey(i), "TQMOrigin", "C:\\windows\\system32\\x.dll"));
        }
    }
    ASSERT_TRUE(SetDword(HKEY_CLASSES_ROOT, ServerKey(0), "TQMOrigin", 1));  // any type will do
    EXPECT_EQ(S_OK, RestoreScriptEngines());
    for (int i = 0; i < 6; ++i) ExpectRestored(i);
    EXPECT_TRUE(ValueExists(HKEY_CLASSES_ROOT, ServerKey(0), "ThreadingModel"));  // other values stay
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kQaScript));
}

TEST_F(ScriptEnginesTest, UnregisteredClassFailsAloneAndKeepsTheUserKey) {
    DeleteTree(HKEY_CLASSES_ROOT, ServerKey(4));
    for (int i = 0; i < 6; ++i)
        if (i != 4) SetDefault(i, "C:\\elsewhere.dll");
    EXPECT_EQ(E_FAIL, RestoreScriptEngines());
    for (int i = 0; i < 6; ++i)
        if (i != 4) ExpectRestored(i);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ServerKey(4)));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kQaScript));
    EXPECT_EQ(E_FAIL, RestoreScriptEngineClass(kScriptEngineClasses[4]));
}

TEST_F(ScriptEnginesTest, UnreadableValuesLeaveTheClassAlone) {
    const std::string foreign = "C:\\Program Files\\Velkaris\\ZRP\\QAScript.dll";
    // "TQMOrigin" longer than the 260-byte buffer.
    SetDefault(2, foreign);
    ASSERT_TRUE(SetString(HKEY_CLASSES_ROOT, ServerKey(2), "TQMOrigin", std::string(260, 'o')));
    // A default value longer than 260 bytes.
    SetDefault(3, std::string(300, 'd'));
    // No default value at all.
    HKEY key;
    ASSERT_EQ(0, RegOpenKeyExA(HKEY_CLASSES_ROOT, ServerKey(0).c_str(), 0, KEY_SET_VALUE, &key));
    RegDeleteValueA(key, nullptr);
    RegCloseKey(key);

    EXPECT_EQ(E_FAIL, RestoreScriptEngines());
    EXPECT_EQ(foreign + '\0', Default(2));
    EXPECT_TRUE(ValueExists(HKEY_CLASSES_ROOT, ServerKey(2), "TQMOrigin"));
    EXPECT_EQ(std::string(300, 'd') + '\0', Default(3));
    EXPECT_EQ("<none>", Default(0));
    for (int i : {1, 4, 5}) ExpectRestored(i);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kQaScript));

    // A default value of 259 characters still fits the buffer.
    SetDefault(3, std::string(259, 'd'));
    EXPECT_EQ(S_OK, RestoreScriptEngineClass(kScriptEngineClasses[3]));
    ExpectRestored(3);
}

TEST_F(ScriptEnginesTest, UserKeyWithSubkeysStaysOnNt) {
    ASSERT_TRUE(SetString(HKEY_CURRENT_USER, std::string(kQaScript) + "\\Sites", "a", "1"));
    EXPECT_EQ(S_OK, RestoreScriptEngines());
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kQaScript));
}

TEST_F(ScriptEnginesTest, IdentifiersOutsideTheTable) {
    // Letter case does not change which class is meant.
    SetDefault(0, "C:\\elsewhere.dll");
    EXPECT_EQ(S_OK, RestoreScriptEngineClass("{b54f3741-5b07-11cf-a4b0-00aa004a55e8}"));
    ExpectRestored(0);
    // A class that is not one of the six has no engine library.
    EXPECT_EQ(E_FAIL, RestoreScriptEngineClass("{00000000-0000-0000-0000-000000000000}"));
    EXPECT_EQ(E_FAIL, RestoreScriptEngineClass(""));
    EXPECT_EQ(E_FAIL, RestoreScriptEngineClass(nullptr));
}

// Windows 2000 has no Wow64 directory to offer, so even a 32-bit program on a
// 64-bit system is served from the system directory. Run as a copy of this
// program under Wine's Windows 2000 version.
TEST_F(ScriptEnginesTest, Windows2000UsesTheSystemDirectory) {
    if (tolmtest::Env("TOLM_ENGINES_CHILD") == "1") {
        OSVERSIONINFOA info = {};
        info.dwOSVersionInfoSize = sizeof(info);
        ASSERT_TRUE(GetVersionExA(&info));
        ASSERT_EQ(5u, info.dwMajorVersion) << "the child runs as Windows 2000";
        ASSERT_EQ(0u, info.dwMinorVersion) << "the child runs as Windows 2000";
        SetDefault(2, "C:\\elsewhere.dll");
        EXPECT_EQ(S_OK, RestoreScriptEngineClass(kScriptEngineClasses[2]));
        DWORD type = 0;
        EXPECT_EQ(std::string("C:\\windows\\system32\\JScript.dll") + '\0', Default(2, &type));
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
        return;
    }
    tolmtest::ScratchDir dir("engines");
    const std::string name = "engines_win2k.exe";
    const std::string copy = tolmtest::CopySelf(dir.Path(), name);
    ASSERT_FALSE(copy.empty());
    tolmtest::ScopedWindowsVersion old(name, "win2k");
    ::SetEnvironmentVariableA("TOLM_ENGINES_CHILD", "1");
    tolmtest::ChildProcess child;
    ASSERT_TRUE(child.Start("\"" + copy + "\" --gtest_filter=ScriptEnginesTest.Windows2000UsesTheSystemDirectory"));
    ::SetEnvironmentVariableA("TOLM_ENGINES_CHILD", nullptr);
    DWORD code = 1;
    ASSERT_TRUE(child.Wait(30000, &code));
    EXPECT_EQ(0u, code) << "the child's checks failed";
}
