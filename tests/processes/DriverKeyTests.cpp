#include <gtest/gtest.h>

#include <shlwapi.h>

#include <string>

#include "DriverServiceKeys.h"
#include "Handles.h"
#include "ProcTestSupport.h"
#include "TestSupport.h"

namespace {

const char kServices[] = "SYSTEM\\CurrentControlSet\\Services";
const char kNetWch[] = "SYSTEM\\CurrentControlSet\\Services\\QNetWch";
const char kWatch3[] = "SYSTEM\\CurrentControlSet\\Services\\QWatch3";
const char kVxdParent[] = "SYSTEM\\CurrentControlSet\\Services\\VxD";
const char kVxd[] = "SYSTEM\\CurrentControlSet\\Services\\VxD\\Velkaris AntiVirus";

bool KeyExists(const char* path) {
    RegKey key;
    return ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

// A key with a value and a subkey with a value, as a driver's service key has.
bool MakeKey(const char* path) {
    RegKey key, sub;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr))
        return false;
    DWORD start = 3;
    ::RegSetValueExA(key.Get(), "Start", 0, REG_DWORD, reinterpret_cast<BYTE*>(&start), sizeof start);
    if (::RegCreateKeyExA(key.Get(), "Enum", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, sub.Put(), nullptr))
        return false;
    return ::RegSetValueExA(sub.Get(), "Count", 0, REG_DWORD, reinterpret_cast<BYTE*>(&start), sizeof start) == 0;
}

class DriverKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(KeyExists(kServices));
        ASSERT_FALSE(KeyExists(kNetWch));
        ASSERT_FALSE(KeyExists(kWatch3));
        ASSERT_FALSE(KeyExists(kVxd));
        m_hadVxdParent = KeyExists(kVxdParent);
    }
    void TearDown() override {
        for (const char* k : {kNetWch, kWatch3, kVxd}) ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, k);
        if (!m_hadVxdParent) ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, kVxdParent);
    }
    static void MakeAll() {
        ASSERT_TRUE(MakeKey(kNetWch));
        ASSERT_TRUE(MakeKey(kWatch3));
        ASSERT_TRUE(MakeKey(kVxd));
    }
    bool m_hadVxdParent = false;
};

TEST_F(DriverKeyTest, OnNtBothServiceTreesGoAndTheVxdKeyStays) {
    MakeAll();
    EXPECT_EQ(1, DeleteDriverServiceKeys());
    EXPECT_FALSE(KeyExists(kNetWch));
    EXPECT_FALSE(KeyExists(kWatch3));
    EXPECT_TRUE(KeyExists(kVxd));
    EXPECT_TRUE(KeyExists(kServices));
}

TEST_F(DriverKeyTest, MissingKeysAreNoFailure) {
    EXPECT_EQ(1, DeleteDriverServiceKeys());
    ASSERT_TRUE(MakeKey(kWatch3));  // only the second one there
    EXPECT_EQ(1, DeleteDriverServiceKeys());
    EXPECT_FALSE(KeyExists(kWatch3));
}

TEST_F(DriverKeyTest, OnTheWindows95FamilyOnlyTheVxdKeyGoes) {
    MakeAll();
    tolmtest::ScratchDir dir("drvkeys");
    DWORD code = 0;
    ASSERT_TRUE(proctest::RunProbeAsWindows95(dir.Path(), "drivers", &code));
    EXPECT_EQ(1u, code) << "result 1 with IsWindowsNT 0 expected";
    EXPECT_FALSE(KeyExists(kVxd));
    EXPECT_TRUE(KeyExists(kNetWch));
    EXPECT_TRUE(KeyExists(kWatch3));
}

}  // namespace
