// The system tests under Wine's version emulation: a probe program copied under
// a name of its own runs with the Windows version set for that name.
#include "OsDescription.h"
#include "OsInfo.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>

using namespace tolmtest;

namespace {

const char kAppDefaults[] = "Software\\Wine\\AppDefaults";

// Sets AppDefaults\<exe>\Version for the probe's name and removes it again.
class VersionOverride {
public:
    VersionOverride(const std::string& exeName, const std::string& version)
        : m_key(std::string(kAppDefaults) + "\\" + exeName) {
        HKEY key = nullptr;
        m_ok = RegCreateKeyExA(HKEY_CURRENT_USER, m_key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                               nullptr) == ERROR_SUCCESS;
        if (m_ok) {
            m_ok = RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                                  static_cast<DWORD>(version.size() + 1)) == ERROR_SUCCESS;
            RegCloseKey(key);
        }
    }
    ~VersionOverride() { RegDeleteKeyA(HKEY_CURRENT_USER, m_key.c_str()); }
    bool Ok() const { return m_ok; }

private:
    std::string m_key;
    bool m_ok = false;
};

struct Probe {
    int nt = -1, vista = -1, wow64 = -1, result = -1;
    std::string text;
};

// Runs the probe as version (a Wine version name); fails the test when it cannot.
Probe RunAs(const std::string& version) {
    Probe p;
    ScratchDir dir("osprobe_" + version);
    const std::string exeName = "osprobe_" + version + ".exe";
    VersionOverride override(exeName, version);
    EXPECT_TRUE(override.Ok());
    std::string content;
    EXPECT_TRUE(RunProbeAs(BinDir() + "\\tests\\sys\\osprobe.exe", dir, exeName, &content)) << version;
    size_t nl = content.find('\n');
    if (nl == std::string::npos) {
        ADD_FAILURE() << "no probe output for " << version;
        return p;
    }
    std::istringstream head(content.substr(0, nl));
    head >> p.nt >> p.vista >> p.wow64 >> p.result;
    p.text = content.substr(nl + 1);
    return p;
}

bool InWow64Prefix() { return PrefixKind() == "win64"; }

struct Row {
    const char* version;
    int nt, vista, wow64If64, result;
    const char* text;
};

// What each emulated version reports (see docs/PLATFORM.md) and what the tool makes of it.
const Row kRows[] = {
    {"win31", 0, 0, 0, 0, "Microsoft Win32s\n"},
    {"win95", 0, 0, 0, 0, "Microsoft Windows 95 "},
    {"win98", 0, 0, 0, 1, "Microsoft Windows 98 SE "},
    {"winme", 0, 0, 0, 1, "Microsoft Windows Millennium Edition\n"},
    {"nt40", 1, 0, 0, 0, "Microsoft Windows NT "},
    {"win2k", 1, 0, 0, 1, "Microsoft Windows 2000 Professional Service Pack 4 (Build 2195)\n"},
    {"winxp", 1, 0, 1, 1, "Microsoft Windows XP Professional Service Pack 3 (Build 2600)\n"},
    {"win2003", 1, 0, 1, 0, "Microsoft Windows Server 2003 family Standard Edition "},
    {"vista", 1, 1, 1, 1, "Professional Service Pack 2 (Build 6002)\n"},
    {"win2008", 1, 1, 1, 0, "Server 4.0 "},
};

}  // namespace

TEST(OsInfoLive, EmulatedVersions) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.version);
        Probe p = RunAs(row.version);
        EXPECT_EQ(row.nt, p.nt);
        EXPECT_EQ(row.vista, p.vista);
        EXPECT_EQ(InWow64Prefix() ? row.wow64If64 : 0, p.wow64);
        EXPECT_EQ(row.result, p.result);
        EXPECT_EQ(row.text, p.text);
    }
}

TEST(OsInfoLive, ThisProcess) {
    EXPECT_EQ(1, IsWindowsNT());
    EXPECT_EQ(InWow64Prefix() ? 1 : 0, IsWow64());
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwMajorVersion == 6 && info.dwMinorVersion == 0 ? 1 : 0, IsWindowsVista());
    // Asked twice, the system gives the same answer; the caller's text is replaced or extended.
    CString first, second("kept:");
    int r1 = GetOSDescription(first);
    int r2 = GetOSDescription(second);
    EXPECT_EQ(r1, r2);
    EXPECT_FALSE(first.IsEmpty());
    EXPECT_NE(std::string::npos, first.str().find(" (Build "));
}

TEST(OsInfoLive, ProductTypeFromRegistry) {
    char buffer[81] = {};
    DWORD length = 80;
    if (!ReadProductTypeFromRegistry(buffer, &length)) GTEST_SKIP() << "no ProductType in this prefix";
    EXPECT_EQ(lstrlenA(buffer) + 1, static_cast<int>(length));
    EXPECT_STRCASEEQ("WinNT", buffer);
}
