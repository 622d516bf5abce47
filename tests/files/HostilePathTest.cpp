// Install paths spelt to make a folder that is not the suite's look like one: a
// folder is judged by what it opens, on systems that can say (Vista on) and on
// those that cannot (here: a helper told it runs on XP).
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>
#include <memory>

#include "FileTestSupport.h"
#include "FolderIdentity.h"
#include "ProductRemoval.h"
#include "ShellFolderFixture.h"

using namespace filetest;
using tolmtest::ScratchDir;

namespace {

const char kProfileKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-7070-7070-7070-4242";

// One argument for a command line: trailing backslashes doubled before the
// closing quote, so that the program receives them as written.
std::string Quoted(const std::string& s) {
    size_t trailing = 0;
    while (trailing < s.size() && s[s.size() - 1 - trailing] == '\\') ++trailing;
    return "\"" + s + std::string(trailing, '\\') + "\"";
}

// Another account's profile, listed where the system lists profiles.
class OtherProfile {
public:
    explicit OtherProfile(const std::string& folder) {
        HKEY key = nullptr;
        m_ok = MakeFolders(folder + "\\Desktop") &&
               ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProfileKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                 nullptr) == ERROR_SUCCESS;
        if (key) {
            m_ok = m_ok && ::RegSetValueExA(key, "ProfileImagePath", 0, REG_EXPAND_SZ,
                                            reinterpret_cast<const BYTE*>(folder.c_str()),
                                            static_cast<DWORD>(folder.size() + 1)) == ERROR_SUCCESS;
            ::RegCloseKey(key);
        }
    }
    ~OtherProfile() { ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProfileKey); }
    bool Ok() const { return m_ok; }

private:
    bool m_ok = false;
};

// A drive letter standing for a folder of C:, as SUBST makes one (here a link
// in the prefix's dosdevices, made from the host side).
class DriveAlias {
public:
    DriveAlias(char letter, const std::string& folder) : m_root(std::string(1, letter) + ":\\") {
        const std::string target = UnixPathOf(folder), devices = UnixPathOf("C:\\") + "/../dosdevices/";
        m_link = devices + static_cast<char>(letter - 'A' + 'a') + ":";
        m_ok = !target.empty() && RunHost("ln", "-sfn " + Quoted(target) + " " + Quoted(m_link)) &&
               tolmtest::WaitUntil([&] { return Exists(m_root + "system32"); }, 10000);
    }
    ~DriveAlias() { RunHost("rm", "-f " + Quoted(m_link)); }
    bool Ok() const { return m_ok; }

private:
    static std::string UnixPathOf(const std::string& path) {
        typedef char*(CDECL * ToUnix)(LPCWSTR);
        auto toUnix = reinterpret_cast<ToUnix>(
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
        if (!toUnix) return "";
        std::wstring w(path.begin(), path.end());
        char* unix = toUnix(w.c_str());
        std::string s = unix ? unix : "";
        if (unix) ::HeapFree(::GetProcessHeap(), 0, unix);
        return s;
    }
    static bool RunHost(const std::string& tool, const std::string& args) {
        tolmtest::ChildProcess p;
        return p.Start("\"" + tolmtest::BinDir() + "\\tests\\files\\hostbin\\" + tool + "\" " + args);
    }
    std::string m_root, m_link;
    bool m_ok = false;
};

class HostilePaths : public ShellFolderTest {};

TEST_F(HostilePaths, AFolderIsJudgedByWhatItOpens) {
    ScratchDir s("hostile");
    char system[MAX_PATH], appData[MAX_PATH], profile[MAX_PATH];
    ASSERT_GT(::GetSystemDirectoryA(system, MAX_PATH), 3u);
    ASSERT_TRUE(::SHGetSpecialFolderPathA(nullptr, appData, CSIDL_APPDATA, FALSE));
    ASSERT_TRUE(::SHGetSpecialFolderPathA(nullptr, profile, CSIDL_PROFILE, FALSE));
    const std::string windows = std::string(system).substr(0, std::string(system).find_last_of('\\'));
    const std::string roaming = std::string(appData).substr(std::strlen(profile));  // "\AppData\Roaming" or the like
    // The user's own files, behind links, that the removal would take.
    const std::string docs = s / "user docs";
    for (const char* f : {"TQM32.EXE", "letter.pth", "QA1234.DAT"}) ASSERT_TRUE(MakeFile(docs + "\\" + f));
    ASSERT_TRUE(MakeFolders(s / "Apps"));
    FolderLink intoDocs(s / "Apps\\ZRP2007", docs);
    FolderLink intoWindows(s / "win", windows);
    ASSERT_TRUE(intoDocs.Ok() && intoWindows.Ok());
    const std::string decoy = std::string(system) + "\\tolmtest-decoy.pth";
    ASSERT_TRUE(MakeFile(decoy));
    DriveAlias alias('S', windows);
    const std::string other = s / "profiles\\other";
    OtherProfile otherProfile(other);
    ASSERT_TRUE(otherProfile.Ok());
    const UINT cp = ::GetACP();
    const std::string dbcs = cp == 932 ? "\x95\x5C" : "\x81\x5C";  // a trail byte that reads as a backslash
    ASSERT_TRUE(::IsDBCSLeadByte(static_cast<BYTE>(dbcs[0]))) << "code page " << cp;
    const std::string plain = s / "Velkaris\\ZRP2007";
    ASSERT_TRUE(MakeFile(plain + "\\TQM32.EXE"));

    struct Case {
        std::string path;
        bool refused;
        bool onXp;  // also judged so where links cannot be resolved
    } cases[] = {
        {s / "Apps\\ZRP2007", true, true},
        {s / "Apps\\ZRP2007\\\\", true, true},  // a doubled backslash once saw only the folder behind
        {s / "win\\system32", true, true},      // a link higher up names the system folder
        {"S:\\system32", true, false},          // Wine's drive aliases are no SUBST drives to XP's QueryDosDevice
        {"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1" + plain.substr(2), true, true},
        {"\\\\?\\Volume{00000000-0000-0000-0000-000000000000}" + plain.substr(2), true, true},
        {"\\\\.\\" + plain, true, true},
        {"\\\\?\\UNC\\localhost\\C$" + plain.substr(2), true, true},
        {"\\\\localhost\\C$" + plain.substr(2), true, true},
        {"\\\\srv\\" + dbcs, true, true},
        {other, true, true},
        {other + "\\Desktop", true, true},
        {other + "\\ZRP2007", true, true},  // directly in a profile
        {other + roaming, true, true},
        {other + roaming.substr(0, roaming.find('\\', 1)), true, true},
        {other + roaming + "\\Velkaris\\ZRP2007", false, true},
        {"\\\\?\\" + plain, false, true},
        {plain + "\\\\", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        if (c.path[0] == 'S' && !alias.Ok()) {
            ADD_FAILURE() << "the drive alias could not be made";
            continue;
        }
        EXPECT_EQ(IsRefusedProductFolder(c.path.c_str()), c.refused);
        if (c.onXp) {
            EXPECT_EQ(RunAsVersion("files_runner", "winxp", "refused " + Quoted(c.path)), c.refused ? 1u : 0u);
        }
    }
    // What the walks would have taken behind the links and in the system folder stays.
    for (const std::string& path : {s / "Apps\\ZRP2007\\\\", s / "win\\system32", std::string("S:\\system32")}) {
        char dir[InstallDirectoryBufferSize] = {};
        std::strcpy(dir, path.c_str());
        EXPECT_EQ(0, RemoveProductFolder(dir, sizeof dir)) << path;
    }
    for (const char* f : {"TQM32.EXE", "letter.pth", "QA1234.DAT"}) EXPECT_TRUE(Exists(docs + "\\" + f)) << f;
    EXPECT_TRUE(Exists(decoy));
    ::DeleteFileA(decoy.c_str());
}

// Folders compared in their resolved forms: without regard to case, never by
// a shared beginning of the name, and with a double-byte character's trail
// byte never taken for a backslash.
TEST(FolderIdentity, SameOrBelowComparesWholeNamesWithoutRegardToCase) {
    const std::string dbcs = ::GetACP() == 932 ? "\x95\x5C" : "\x81\x5C";
    struct Case {
        std::string inner, outer;
        bool below;
    } cases[] = {
        {"C:\\Apps\\ZRP2007\\tool", "c:\\apps\\zrp2007", true},
        {"C:\\APPS\\ZRP2007", "C:\\Apps\\zrp2007", true},
        {"C:\\Apps\\ZRP2007 old", "C:\\Apps\\ZRP2007", false},
        {"C:\\Apps\\ZRP2007old\\x", "C:\\Apps\\ZRP2007", false},
        {"C:\\Apps", "C:\\Apps\\ZRP2007", false},
        {"C:\\Apps\\x", "C:", true},
        {"C:\\" + dbcs + "\\x", "C:\\" + dbcs, true},
        {"C:\\" + dbcs + "x", "C:\\" + dbcs, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(folderid::IsSameOrBelowComparable(c.inner.c_str(), c.outer.c_str()), c.below)
            << c.inner << " in " << c.outer;
}

}  // namespace
