// The registry backup: what it writes is what regedit puts back, value for
// value, and the file is always a new one of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../../cleanup/backup/RegExport.h"
#include "../../cleanup/backup/RegistryBackupFile.h"
#include "../../cleanup/change/ChangeSession.h"
#include "../../cleanup/change/RegistryChanges.h"
#include "../../cleanup/report/RunReport.h"
#include "CapturedReport.h"
#include "FileTestSupport.h"
#include "RegTestSupport.h"

using filetest::ReadAll;
using tolmtest::Upper;

namespace {

const char kKey[] = "Software\\TolmTest\\Backup";
// Where the round trip is made: a per-user key, and two that a 32-bit program
// on 64-bit Windows sees in the 32-bit view (named in the backup where they live).
// The run may spell a key otherwise than the registry does: the keys come back
// as the registry spelt them.
const struct Place {
    HKEY root;
    const char* key;   // the key the values go in
    const char* top;   // what the test makes and takes away again
    bool upper;        // the run names the keys in upper case
} kPlaces[] = {
    {HKEY_CURRENT_USER, "Software\\TolmTest\\Backup", "Software\\TolmTest", false},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\TolmTest\\Backup", "SOFTWARE\\TolmTest", false},
    {HKEY_CLASSES_ROOT, "CLSID\\{7E57B0C0-0000-4000-8000-00000000B4C5}\\InprocServer32",
     "CLSID\\{7E57B0C0-0000-4000-8000-00000000B4C5}", false},
    {HKEY_CURRENT_USER, "Software\\TolmTest\\antivirus\\Engine", "Software\\TolmTest", true},
};

// path and every key below it, the ones below as the registry spells them.
std::vector<std::string> KeyTree(HKEY root, const std::string& path) {
    std::vector<std::string> keys = {path};
    for (const std::string& sub : regtest::SubkeyNames(root, path))
        for (const std::string& k : KeyTree(root, path + "\\" + sub)) keys.push_back(k);
    return keys;
}

struct Value {
    std::string name;
    DWORD type;
    std::string data;  // the bytes RegQueryValueExA gives
};

std::vector<Value> ReadValues(HKEY root, const std::string& path) {
    std::vector<Value> values;
    for (const std::string& name : regtest::ValueNames(root, path)) {
        Value v{name, 0, ""};
        regtest::ReadValue(root, path, name.c_str(), &v.type, &v.data);
        values.push_back(v);
    }
    std::sort(values.begin(), values.end(), [](const Value& a, const Value& b) { return a.name < b.name; });
    return values;
}

bool SetRaw(HKEY root, const std::string& path, const Value& v) {
    HKEY key;
    if (::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)) return false;
    LONG rc = ::RegSetValueExA(key, v.name.empty() ? nullptr : v.name.c_str(), 0, v.type,
                               reinterpret_cast<const BYTE*>(v.data.data()), static_cast<DWORD>(v.data.size()));
    ::RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

// Imports file with the regedit at exe, as a person would ("regedit /s").
bool Import(const std::string& exe, const std::string& file) {
    tolmtest::ChildProcess p;
    DWORD code = 1;
    return p.Start("\"" + exe + "\" /s \"" + file + "\"") && p.Wait(60000, &code);
}

TEST(RegistryBackup, RegeditPutsBackEveryTypeNameAndData) {
    const UINT cp = ::GetACP();
    const std::string japanese = tolmtest::FromUtf8(cp == 936 ? "维卡托姆防病毒" : "ヴェルカリス対策", cp);
    const std::string trail5c = cp == 936 ? "\x81\x5C" : "\x95\x5C";  // a trail byte that reads as a backslash
    std::string binary;
    for (int i = 0; i < 300; ++i) binary += static_cast<char>(i * 7);
    const std::vector<Value> table = {
        {"plain", REG_SZ, std::string("C:\\Program Files\\Velkaris\\", 27)},
        {"say \"hi\" \\ there", REG_SZ, std::string("a \"b\" \\c\\\0", 11)},
        {"", REG_SZ, std::string("the default value\0", 18)},
        {japanese, REG_SZ, japanese + trail5c + "\\" + std::string(1, '\0')},
        {"empty", REG_SZ, std::string(1, '\0')},
        {"two lines", REG_SZ, std::string("one\r\ntwo\0", 9)},
        {"expand", REG_EXPAND_SZ, std::string("%SystemRoot%\\system32\0", 22)},
        {"multi", REG_MULTI_SZ, std::string("a\0bc\0\0", 6)},
        {"dword", REG_DWORD, std::string("\x78\x56\x34\x12", 4)},
        {"short dword", REG_DWORD, std::string("\x01\x02", 2)},
        {"binary, long", REG_BINARY, binary},
        {"none", REG_NONE, std::string("\x00\xff", 2)},
        {"a type of its own", 0x20, std::string("xyz", 3)},
    };
    tolmtest::ScratchDir s("backup");
    std::vector<std::string> editors = {"C:\\windows\\regedit.exe"};
    if (filetest::Exists("C:\\windows\\syswow64\\regedit.exe")) editors.push_back("C:\\windows\\syswow64\\regedit.exe");
    for (const Place& place : kPlaces) {
        for (const std::string& editor : editors) {
            SCOPED_TRACE(std::string(place.key) + " with " + editor);
            const std::string key = place.key, deep = key + "\\Sub\\Deeper";
            regtest::DeleteTree(place.root, place.top);
            for (const Value& v : table) ASSERT_TRUE(SetRaw(place.root, key, v)) << v.name;
            ASSERT_TRUE(regtest::SetRawString(place.root, key, "no terminator", "abc"));
            ASSERT_TRUE(SetRaw(place.root, deep, {"deep", REG_SZ, std::string("x\0", 2)}));
            const std::vector<Value> before = ReadValues(place.root, key), deeper = ReadValues(place.root, deep);
            const std::vector<std::string> keys = KeyTree(place.root, place.top);
            std::string path;
            {
                // As a run saves: a value of a key two levels below the top, then the
                // subtree goes, then what is left of the tree; the deep key comes back
                // from its own section alone.
                RegistryBackupFile backup({s.Path()});
                backup.SaveValue(place.root, (place.upper ? Upper(deep) : deep).c_str(), "deep");
                regtest::DeleteTree(place.root, key + "\\Sub");
                backup.SaveTree(place.root, (place.upper ? Upper(place.top) : place.top).c_str());
                path = backup.Path();
            }
            ASSERT_FALSE(path.empty());
            const std::string text = ReadAll(path);
            EXPECT_EQ(text.compare(0, 10, "REGEDIT4\r\n"), 0);
            for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
                const std::string line = text.substr(at, end - at);
                if (line.find("=hex") != std::string::npos || line.rfind("  ", 0) == 0) {
                    EXPECT_LE(line.size(), 80u) << line;
                }
            }
            // The string stored without its NUL is written as its bytes; Wine's
            // regedit gives it back its terminator on import.
            EXPECT_NE(text.find("\"no terminator\"=hex(1):61,62,63\r\n"), std::string::npos) << text;
            regtest::DeleteTree(place.root, place.top);
            ASSERT_TRUE(Import(editor, path));
            EXPECT_EQ(keys, KeyTree(place.root, place.top));
            const std::vector<Value> after = ReadValues(place.root, key);
            ASSERT_EQ(after.size(), before.size()) << text;
            for (size_t i = 0; i < before.size(); ++i) {
                const bool unterminated = before[i].name == "no terminator";
                EXPECT_EQ(after[i].name, before[i].name);
                EXPECT_EQ(after[i].type, before[i].type) << before[i].name;
                EXPECT_TRUE(after[i].data == before[i].data + (unterminated ? std::string(1, '\0') : "")) << before[i].name;
            }
            const std::vector<Value> deeperAfter = ReadValues(place.root, deep);
            ASSERT_EQ(deeperAfter.size(), 1u);
            EXPECT_TRUE(deeperAfter[0].data == deeper[0].data);
            regtest::DeleteTree(place.root, place.top);
        }
    }
}

// Runs never overwrite each other's backups, nor anything that has the name;
// a folder that takes no file is passed over, and with none the report says
// that the run goes on without a backup.
TEST(RegistryBackup, AlwaysANewFileOfItsOwn) {
    tolmtest::ScratchDir s("backup-place");
    regtest::SetString(HKEY_CURRENT_USER, kKey, "v", "1");
    const std::string blocked = s / "blocked", open = s / "open";
    ASSERT_TRUE(filetest::MakeFile(blocked, "a file, not a folder"));
    ASSERT_TRUE(filetest::MakeFolders(open));
    struct Case {
        const char* name;
        std::vector<std::string> folders;
        bool written;
    } cases[] = {
        {"a first run", {open}, true},
        {"a second run in the same second", {open}, true},
        {"a folder that takes no file, then one that does", {blocked, open}, true},
        {"no folder takes it", {blocked}, false},
    };
    std::vector<std::string> paths;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tolmtest::CapturedReport report;
        ReportScope scope(&report);
        RegistryBackupFile backup(c.folders);
        backup.SaveValue(HKEY_CURRENT_USER, kKey, "v");
        backup.SaveValue(HKEY_CURRENT_USER, kKey, "v");
        EXPECT_EQ(!backup.Path().empty(), c.written);
        if (c.written) {
            for (const std::string& p : paths) EXPECT_NE(p, backup.Path());
            paths.push_back(backup.Path());
            EXPECT_NE(report.Record().Text().find("Registry backup: " + backup.Path()), std::string::npos) << report.Record().Text();
        } else {
            EXPECT_NE(report.Record().Text().find("the run goes on without it"), std::string::npos) << report.Record().Text();
        }
    }
    for (const std::string& p : paths) EXPECT_NE(ReadAll(p).find("\"v\"=\"1\"\r\n"), std::string::npos) << p;
    regtest::DeleteTree(HKEY_CURRENT_USER, "Software\\TolmTest");
}

const char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// A tree whose names regedit would read as something else, or that is too
// large to save, is neither written to the backup nor deleted; the report says
// why. Importing the backup, with either regedit, changes nothing machine-wide.
TEST(RegistryBackup, WhatCannotBeSavedAsItIsStaysAndIsNeverWritten) {
    const std::string odd = std::string(kKey) + "\\Odd";
    const std::string big(1024 * 1024 + 1, 'b'), part(900 * 1024, 'p');
    const struct {
        const char* name;
        std::string key;    // below odd; "" for odd itself
        std::string value;  // the value written there
        std::string data;
        const char* why;
        int copies;  // of the value, each under its own name
    } cases[] = {
        {"a key name that opens a machine-wide section", "z]\r\n[HKEY_LOCAL_MACHINE\\" + std::string(kRun), "TolmInjected",
         "C:\\tolm-injected.exe", "line break or a bracket", 1},
        {"a closing bracket", "a]b", "v", "1", "line break or a bracket", 1},
        {"an opening bracket", "[a", "v", "1", "line break or a bracket", 1},
        {"a line feed alone", "a\nb", "v", "1", "line break or a bracket", 1},
        {"a value name with a line break", "", "v\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\TolmTest]", "1", "value name with a line break", 1},
        {"a value above 1 MB", "", "big", big, "larger than 1 MB", 1},
        {"a tree above 4 MB", "", "part", part, "more than 4 MB", 5},
    };
    tolmtest::ScratchDir s("backup-odd");
    std::vector<std::string> editors = {"C:\\windows\\regedit.exe"};
    if (filetest::Exists("C:\\windows\\syswow64\\regedit.exe")) editors.push_back("C:\\windows\\syswow64\\regedit.exe");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        regtest::KeySnapshot run(HKEY_LOCAL_MACHINE, kRun);
        const std::vector<std::string> machineRun = regtest::ValueNames(HKEY_LOCAL_MACHINE, kRun);
        regtest::DeleteTree(HKEY_CURRENT_USER, "Software\\TolmTest");
        const std::string where = c.key.empty() ? odd : odd + "\\" + c.key;
        for (int i = 0; i < c.copies; ++i)
            ASSERT_TRUE(SetRaw(HKEY_CURRENT_USER, where, {c.value + (i ? std::to_string(i) : ""), REG_BINARY, c.data}));
        ASSERT_TRUE(regtest::SetString(HKEY_CURRENT_USER, std::string(kKey) + "\\Plain", "v", "1"));
        std::string path;
        tolmtest::ReportRecord record;
        tolmtest::CapturedReport report(&record);
        {
            ReportScope scope(&report);
            change::Session session(change::Mode::Act);
            RegistryBackupFile backup({s.Path()});
            session.SetBackup(&backup);
            EXPECT_EQ(ERROR_SUCCESS, change::DeleteTree(HKEY_CURRENT_USER, (std::string(kKey) + "\\Plain").c_str()));
            EXPECT_EQ(ERROR_INVALID_DATA, change::DeleteTree(HKEY_CURRENT_USER, kKey));
            path = backup.Path();
        }
        EXPECT_TRUE(regtest::KeyExists(HKEY_CURRENT_USER, where)) << "a tree that cannot be saved is not deleted";
        EXPECT_NE(record.Text().find("left, it cannot be saved in the registry backup: "), std::string::npos) << record.Text();
        EXPECT_NE(record.Text().find(c.why), std::string::npos) << record.Text();
        ASSERT_FALSE(path.empty());
        const std::string text = ReadAll(path);
        EXPECT_EQ(text.find("Odd"), std::string::npos) << text;
        EXPECT_NE(text.find("; brings back values that point at files the run deleted"), std::string::npos) << text;
        for (const std::string& editor : editors) {
            ASSERT_TRUE(Import(editor, path));
            EXPECT_EQ(machineRun, regtest::ValueNames(HKEY_LOCAL_MACHINE, kRun)) << editor;
            EXPECT_FALSE(regtest::KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\TolmTest")) << editor;
            EXPECT_TRUE(regtest::ValueExists(HKEY_CURRENT_USER, std::string(kKey) + "\\Plain", "v")) << "put back";
        }
    }
    regtest::DeleteTree(HKEY_CURRENT_USER, "Software\\TolmTest");
}

}  // namespace

