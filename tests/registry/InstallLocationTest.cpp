// The key holder's string operations and the three install-location lookups,
// on real keys of the prefix's registry (the 32-bit view in the 64-bit prefix).
#include "InstallLocation.h"
#include "RegKeyHolder.h"
#include "RegTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <cstring>
#include <string>

using namespace regtest;

namespace {

const char kScratch[] = "Software\\TolmRegTest";
const char kAntivirus[] = "SOFTWARE\\Velkaris\\antivirus";
const char kFirewall[] = "Software\\Velkaris\\TqmPFW";
const char kUpdate[] = "Software\\Velkaris\\AntiVirus\\Update";

void RemoveProductKeys() {
    DeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Velkaris");
    DeleteTree(HKEY_CURRENT_USER, "Software\\Velkaris");
    DeleteTree(HKEY_CURRENT_USER, kScratch);
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveProductKeys(); }
    void TearDown() override { RemoveProductKeys(); }
};

class KeyHolderTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        ASSERT_TRUE(CreateKey(HKEY_CURRENT_USER, kScratch));
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kScratch, 0, KEY_READ | KEY_WRITE, holder.Put()));
    }
    void TearDown() override {
        CloseRegKey(holder);
        RegistryTest::TearDown();
    }
    // Reads name with a buffer of room bytes (filled with 'x' beforehand).
    LONG Read(const char* name, DWORD room, std::string* text = nullptr, DWORD* capacity = nullptr) {
        buffer.assign(room + 16, 'x');
        DWORD cap = room;
        LONG rc = ReadRegString(holder, name, &buffer[0], &cap);
        if (capacity) *capacity = cap;
        if (text && rc == 0) *text = buffer.c_str();
        // Nothing is written past the capacity given.
        EXPECT_EQ(std::string(16, 'x'), buffer.substr(room)) << name;
        return rc;
    }
    RegKeyHolder holder;
    std::string buffer;
};

}  // namespace

TEST_F(KeyHolderTest, ReadsStringsAsStored) {
    ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kScratch, "Plain", "C:\\Program Files\\Velkaris\\"));
    ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kScratch, "Expand", "%ProgramFiles%\\Velkaris", REG_EXPAND_SZ));
    ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kScratch, "Empty", ""));
    ASSERT_TRUE(SetRawString(HKEY_CURRENT_USER, kScratch, "NoData", ""));

    std::string text;
    DWORD cap = 0;
    EXPECT_EQ(0, Read("Plain", 260, &text, &cap));
    EXPECT_EQ("C:\\Program Files\\Velkaris\\", text);
    EXPECT_EQ(text.size() + 1, cap);

    EXPECT_EQ(0, Read("Expand", 260, &text, &cap));
    EXPECT_EQ("%ProgramFiles%\\Velkaris", text);

    EXPECT_EQ(0, Read("Empty", 260, &text, &cap));
    EXPECT_EQ("", text);
    EXPECT_EQ(1u, cap);

    // Data of no bytes at all reads as the empty string.
    EXPECT_EQ(0, Read("NoData", 260, &text, &cap));
    EXPECT_EQ("", text);
    EXPECT_EQ(0u, cap);
}

TEST_F(KeyHolderTest, RefusesWhatIsNotAString) {
    ASSERT_TRUE(SetDword(HKEY_CURRENT_USER, kScratch, "Dword", 0x5C3A43));
    ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kScratch, "Multi", "C:\\a", REG_MULTI_SZ));
    ASSERT_TRUE(SetRawString(HKEY_CURRENT_USER, kScratch, "Unterminated", "C:\\Velkaris"));
    ASSERT_TRUE(SetRawString(HKEY_CURRENT_USER, kScratch, "UnterminatedExpand", "%TEMP%", REG_EXPAND_SZ));

    DWORD cap = 99;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Read("Missing", 260, nullptr, &cap));
    EXPECT_EQ(0u, cap);
    EXPECT_EQ(ERROR_INVALID_DATA, Read("Dword", 260, nullptr, &cap));
    EXPECT_EQ(0u, cap);
    EXPECT_EQ(ERROR_INVALID_DATA, Read("Multi", 260));
    EXPECT_EQ(ERROR_INVALID_DATA, Read("Unterminated", 260, nullptr, &cap));
    EXPECT_EQ(0u, cap);
    EXPECT_EQ(ERROR_INVALID_DATA, Read("UnterminatedExpand", 260));
}

TEST_F(KeyHolderTest, CapacityBoundaries) {
    ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kScratch, "Fits", std::string(259, 'a')));
    ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kScratch, "TooLong", std::string(260, 'b')));
    ASSERT_TRUE(SetRawString(HKEY_CURRENT_USER, kScratch, "FullNoNul", std::string(260, 'c')));
    ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kScratch, "Empty", ""));

    std::string text;
    DWORD cap = 0;
    EXPECT_EQ(0, Read("Fits", 260, &text, &cap));
    EXPECT_EQ(std::string(259, 'a'), text);
    EXPECT_EQ(260u, cap);
    EXPECT_EQ(ERROR_MORE_DATA, Read("TooLong", 260, nullptr, &cap));
    EXPECT_EQ(0u, cap);
    // 260 bytes fit exactly, but without their NUL they are refused.
    EXPECT_EQ(ERROR_INVALID_DATA, Read("FullNoNul", 260));
    // A buffer of one byte holds the empty string, none holds nothing.
    EXPECT_EQ(0, Read("Empty", 1, &text, &cap));
    EXPECT_EQ(1u, cap);
    EXPECT_EQ(ERROR_MORE_DATA, Read("Fits", 0));
}

TEST_F(KeyHolderTest, WritesWithTerminator) {
    EXPECT_EQ(0, WriteRegString(holder, "Text", "C:\\x", REG_SZ));
    EXPECT_EQ(0, WriteRegString(holder, "Empty", "", REG_SZ));
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(ReadValue(HKEY_CURRENT_USER, kScratch, "Text", &type, &data));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(std::string("C:\\x\0", 5), data);
    ASSERT_TRUE(ReadValue(HKEY_CURRENT_USER, kScratch, "Empty", &type, &data));
    EXPECT_EQ(std::string(1, '\0'), data);

    // A key held for reading only refuses the write with the system's code.
    RegKeyHolder readOnly;
    ASSERT_EQ(0, RegOpenKeyExA(HKEY_CURRENT_USER, kScratch, 0, KEY_READ, readOnly.Put()));
    EXPECT_EQ(ERROR_ACCESS_DENIED, WriteRegString(readOnly, "Other", "y", REG_SZ));
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kScratch, "Other"));
}

TEST_F(KeyHolderTest, CloseEmptiesTheHolder) {
    EXPECT_EQ(0, CloseRegKey(holder));
    EXPECT_EQ(nullptr, holder.Get());
    EXPECT_EQ(0, CloseRegKey(holder));  // none held: nothing to do

    RegKeyHolder bogus;
    bogus.Reset(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x7FF0)));
    EXPECT_NE(0, CloseRegKey(bogus));
    EXPECT_EQ(nullptr, bogus.Get());
}

// The lookups.

TEST_F(RegistryTest, AntivirusProgramPathAsStored) {
    for (const char* stored : {"C:\\Program Files\\Velkaris\\ZRP\\", "C:\\Program Files\\Velkaris\\ZRP"}) {
        ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kAntivirus, "ProgramPath", stored));
        char buffer[260] = {};
        EXPECT_EQ(1, ReadAntivirusProgramPath(buffer, HKEY_LOCAL_MACHINE));
        EXPECT_STREQ(stored, buffer);
    }
    // The per-user key is a place of its own.
    char buffer[260] = {};
    EXPECT_EQ(0, ReadAntivirusProgramPath(buffer, HKEY_CURRENT_USER));
    ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kAntivirus, "ProgramPath", "D:\\User\\ZRP", REG_EXPAND_SZ));
    EXPECT_EQ(1, ReadAntivirusProgramPath(buffer, HKEY_CURRENT_USER));
    EXPECT_STREQ("D:\\User\\ZRP", buffer);
}

TEST_F(RegistryTest, AntivirusProgramPathNotFound) {
    struct Case {
        const char* what;
        bool (*make)();
    };
    const Case cases[] = {
        {"empty", [] { return SetString(HKEY_LOCAL_MACHINE, kAntivirus, "ProgramPath", ""); }},
        {"dword", [] { return SetDword(HKEY_LOCAL_MACHINE, kAntivirus, "ProgramPath", 0x3A43); }},
        {"260 characters", [] { return SetString(HKEY_LOCAL_MACHINE, kAntivirus, "ProgramPath", std::string(260, 'p')); }},
        {"no NUL", [] { return SetRawString(HKEY_LOCAL_MACHINE, kAntivirus, "ProgramPath", "C:\\ZRP"); }},
        {"other value", [] { return SetString(HKEY_LOCAL_MACHINE, kAntivirus, "Program Path", "C:\\ZRP"); }},
        {"no key", [] { return true; }},
    };
    for (const Case& c : cases) {
        RemoveProductKeys();
        ASSERT_TRUE(c.make()) << c.what;
        char buffer[260] = {};
        EXPECT_EQ(0, ReadAntivirusProgramPath(buffer, HKEY_LOCAL_MACHINE)) << c.what;
    }
    // A key that cannot be opened leaves the buffer as it was.
    RemoveProductKeys();
    char buffer[260] = "untouched";
    EXPECT_EQ(0, ReadAntivirusProgramPath(buffer, HKEY_LOCAL_MACHINE));
    EXPECT_STREQ("untouched", buffer);
}

TEST_F(RegistryTest, AntivirusProgramPathBoundaryAndExpansion) {
    const std::string longest = "C:\\" + std::string(256, 'q');
    ASSERT_EQ(259u, longest.size());
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kAntivirus, "ProgramPath", longest));
    char buffer[261];
    std::memset(buffer, 'z', sizeof(buffer));
    EXPECT_EQ(1, ReadAntivirusProgramPath(buffer, HKEY_LOCAL_MACHINE));
    EXPECT_EQ(longest, std::string(buffer));
    EXPECT_EQ('z', buffer[260]);  // the lookup stays within 260 bytes

    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kAntivirus, "ProgramPath", "%ProgramFiles%\\Velkaris\\", REG_EXPAND_SZ));
    EXPECT_EQ(1, ReadAntivirusProgramPath(buffer, HKEY_LOCAL_MACHINE));
    EXPECT_STREQ("%ProgramFiles%\\Velkaris\\", buffer);
}

TEST_F(RegistryTest, ReadableButNotWritableKeyCountsAsMissing) {
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kAntivirus, "ProgramPath", "C:\\ZRP"));
    ReadOnlyKey readOnly(HKEY_LOCAL_MACHINE, kAntivirus);
    ASSERT_TRUE(readOnly.Ok());
    ASSERT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kAntivirus));  // still readable
    char buffer[260] = {};
    EXPECT_EQ(0, ReadAntivirusProgramPath(buffer, HKEY_LOCAL_MACHINE));
    EXPECT_STREQ("", buffer);
}

TEST_F(RegistryTest, FirewallAndUpdatePaths) {
    char buffer[260] = {};
    EXPECT_EQ(0, ReadFirewallProgramPath(buffer));
    EXPECT_EQ(0, ReadUpdatePath(buffer));

    // The machine-wide firewall key is not one of the places.
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kFirewall, "ProgramPath", "C:\\Machine"));
    EXPECT_EQ(0, ReadFirewallProgramPath(buffer));
    ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kFirewall, "ProgramPath", "C:\\Program Files\\Velkaris\\PFW\\"));
    EXPECT_EQ(1, ReadFirewallProgramPath(buffer));
    EXPECT_STREQ("C:\\Program Files\\Velkaris\\PFW\\", buffer);

    // "ProgramPath" under the update key is not its value; "Update Path" is.
    ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kUpdate, "ProgramPath", "C:\\Wrong"));
    EXPECT_EQ(0, ReadUpdatePath(buffer));
    ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kUpdate, "Update Path", "C:\\Program Files\\Velkaris\\ZRP"));
    EXPECT_EQ(1, ReadUpdatePath(buffer));
    EXPECT_STREQ("C:\\Program Files\\Velkaris\\ZRP", buffer);
    ASSERT_TRUE(SetRawString(HKEY_CURRENT_USER, kUpdate, "Update Path", "C:\\Cut"));
    EXPECT_EQ(0, ReadUpdatePath(buffer));
}

// A path stored with forward slashes names the same folder: it is handed on
// with backslashes, by every place.
TEST_F(RegistryTest, ForwardSlashesAreReadAsBackslashes) {
    char buffer[260] = {};
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kAntivirus, "ProgramPath", "C:/Apps/ZRP2007/"));
    EXPECT_EQ(1, ReadAntivirusProgramPath(buffer, HKEY_LOCAL_MACHINE));
    EXPECT_STREQ("C:\\Apps\\ZRP2007\\", buffer);
    ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kFirewall, "ProgramPath", "D:/Velkaris\\PFW"));
    EXPECT_EQ(1, ReadFirewallProgramPath(buffer));
    EXPECT_STREQ("D:\\Velkaris\\PFW", buffer);
    ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kUpdate, "Update Path", "C:/ZRP"));
    EXPECT_EQ(1, ReadUpdatePath(buffer));
    EXPECT_STREQ("C:\\ZRP", buffer);
}

TEST_F(RegistryTest, MachineKeyIsReadInThe32BitView) {
    if (tolmtest::PrefixKind() != "win64") GTEST_SKIP() << "only a 64-bit prefix has two views";
    // Written in the 64-bit view only: a 32-bit program does not see it.
    HKEY key = nullptr;
    ASSERT_EQ(0, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kAntivirus, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                                 nullptr, &key, nullptr));
    const char path[] = "C:\\Program Files\\Velkaris\\ZRP";
    RegSetValueExA(key, "ProgramPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(path), sizeof(path));
    RegCloseKey(key);
    char buffer[260] = {};
    EXPECT_EQ(0, ReadAntivirusProgramPath(buffer, HKEY_LOCAL_MACHINE));
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kAntivirus, KEY_WOW64_64KEY, 0);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Velkaris", KEY_WOW64_64KEY, 0);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Velkaris", KEY_WOW64_64KEY));

    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kAntivirus, "ProgramPath", path));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kAntivirus, KEY_WOW64_32KEY));
    EXPECT_EQ(1, ReadAntivirusProgramPath(buffer, HKEY_LOCAL_MACHINE));
    EXPECT_STREQ(path, buffer);
}
