// The change layer's promise: a preview changes nothing and answers as the
// real change would, so that a run decides the same way in both and the
// preview names exactly what the real run then removes.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "../../cleanup/backup/RegExport.h"
#include "../../cleanup/change/ChangeSession.h"
#include "../../cleanup/change/RegistryChanges.h"
#include "../../cleanup/report/RunReport.h"
#include "FileTestSupport.h"
#include "ProductKeys.h"
#include "ProductRemoval.h"
#include "RegTestSupport.h"

using namespace filetest;

namespace {

class LinesReport : public RunReport {
public:
    void Line(const char* text) override { lines.push_back(text); }
    void InstallFolder(const char*) override {}
    std::vector<std::string> lines;
};

// The items a report names as removed (or, in a preview, as would be), and as
// left in use.
struct Named {
    std::set<std::string> removed, inUse;
    bool operator==(const Named& o) const { return removed == o.removed && inUse == o.inUse; }
};
Named ItemsOf(const std::vector<std::string>& lines) {
    Named n;
    for (const std::string& l : lines) {
        const size_t colon = l.rfind(": ");
        if (colon == std::string::npos) continue;
        const std::string item = l.substr(0, colon), state = l.substr(colon + 2);
        if (state == "deleted" || state == "removed" || state == "would be deleted" || state == "would be removed")
            n.removed.insert(item);
        if (state.find("in use") != std::string::npos) n.inUse.insert(item);
    }
    return n;
}

// Every key, value type and value data below root\path, as text.
std::string RegistryTree(HKEY root, const std::string& path) {
    HKEY key;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
    std::string out = "[" + path + "]\n";
    for (const std::string& name : regtest::ValueNames(root, path)) {
        DWORD type = 0;
        std::string data;
        regtest::ReadValue(root, path, name.c_str(), &type, &data);
        out += name + "=" + std::to_string(type) + ":" + data + "\n";
    }
    char sub[260];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof sub;
        if (::RegEnumKeyExA(key, i, sub, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        out += RegistryTree(root, path + "\\" + sub);
    }
    ::RegCloseKey(key);
    return out;
}

// A folder's tree with each file's content.
std::string FileTree(const std::string& root) {
    std::string out;
    for (const std::string& e : ListTree(root)) out += e + (e.back() == '\\' ? "" : "=" + ReadAll(root + "\\" + e)) + "\n";
    return out;
}

// Counts the saves the layer asks for, and those made while the item still
// had something to save: a save after its change would find nothing.
class SaveCounter : public change::RegistryBackup {
public:
    bool SaveTree(HKEY root, const char* path, change::SaveObstacle*) override {
        Count(regexport::TreeText(root, path));
        return true;
    }
    bool SaveValue(HKEY root, const char* path, const char* name, change::SaveObstacle*) override {
        Count(regexport::ValueText(root, path, name));
        return true;
    }
    int saves = 0, withContent = 0;

private:
    void Count(const std::string& text) {
        ++saves;
        if (!text.empty()) ++withContent;
    }
};

struct Result {
    Named named;
    change::Tally tally;
    SaveCounter backup;
};
Result RunIn(change::Mode mode, const std::function<void()>& operation) {
    Result result;
    LinesReport report;
    ReportScope scope(&report);
    change::Session session(mode);
    session.SetBackup(&result.backup);
    operation();
    result.named = ItemsOf(report.lines);
    result.tally = session.Counts();
    return result;
}

const char kVelkaris[] = "SOFTWARE\\Velkaris";

TEST(Preview, ChangesNothingAndAnswersAsTheRealRunWould) {
    tolmtest::ScratchDir s("preview");
    const std::string full = s / "Apps\\ZRP2007", named = s / "Velkaris";
    char dir[InstallDirectoryBufferSize] = {};
    struct Case {
        const char* name;
        bool registry;
        std::function<void()> seed, operation;
        std::function<std::string()> state;
    } cases[] = {
        {"a folder emptied whole, a read-only file, a file in use", false,
         [&] {
             for (const char* f : {"TQM32.EXE", "mine.txt", "QMF\\mail.xml", "Deep\\Er\\x.pth", "Deep\\held.dat"})
                 ASSERT_TRUE(MakeFile(full + "\\" + f));
             ::SetFileAttributesA((full + "\\TQM32.EXE").c_str(), FILE_ATTRIBUTE_READONLY);
         },
         [&] { lstrcpyA(dir, full.c_str()); RemoveProductFolder(dir, sizeof dir); },
         [&] { return FileTree(full); }},
        {"a folder cleaned by name: listed folders that empty go, the user's stay", false,
         [&] {
             for (const char* f : {"TQMPFW.EXE", "notes.txt", "Skin\\ZRPSkin.bmp", "Rules\\own.xml", "Mine\\a.pth"})
                 ASSERT_TRUE(MakeFile(named + "\\" + f));
         },
         [&] { lstrcpyA(dir, named.c_str()); RemoveProductFolder(dir, sizeof dir); },
         [&] { return FileTree(named); }},
        {"product keys with values, a subkey that has its own, and the firewall's", true,
         [&] {
             for (const char* k : {"antivirus\\Options", "antivirus\\Update\\Deeper", "antivirus\\Other", "TqmPFW\\Sub"})
                 ASSERT_TRUE(regtest::CreateKey(HKEY_CURRENT_USER, std::string(kVelkaris) + "\\" + k));
             regtest::SetString(HKEY_CURRENT_USER, std::string(kVelkaris) + "\\antivirus", "ProgramPath", "C:\\x");
             regtest::SetString(HKEY_CURRENT_USER, std::string(kVelkaris) + "\\antivirus\\Options", "a", "1");
             regtest::SetDword(HKEY_CURRENT_USER, std::string(kVelkaris) + "\\antivirus\\Options", "b", 2);
             regtest::SetString(HKEY_CURRENT_USER, std::string(kVelkaris) + "\\TqmPFW", "c", "3");
         },
         [] { DeleteProductKeys(HKEY_CURRENT_USER); },
         [] { return RegistryTree(HKEY_CURRENT_USER, kVelkaris); }},
        {"values written anew and with the data they hold", true,
         [] {
             regtest::SetString(HKEY_CURRENT_USER, std::string(kVelkaris) + "\\Write", "same", "C:\\Same");
             regtest::SetString(HKEY_CURRENT_USER, std::string(kVelkaris) + "\\Write", "other", "before");
         },
         [] {
             RegKey key;
             const std::string path = std::string(kVelkaris) + "\\Write";
             ASSERT_EQ(0, change::OpenKey(HKEY_CURRENT_USER, path.c_str(), KEY_READ | KEY_WRITE, key));
             const change::Key k = {key.Get(), HKEY_CURRENT_USER, path.c_str()};
             change::WriteString(k, "same", "c:\\same");
             change::WriteString(k, "other", "after");
             change::WriteString(k, "new", "made");
         },
         [] { return RegistryTree(HKEY_CURRENT_USER, kVelkaris); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveTree(full);
        RemoveTree(named);
        regtest::DeleteTree(HKEY_CURRENT_USER, kVelkaris);
        c.seed();
        std::unique_ptr<HeldFile> held;
        if (Exists(full + "\\Deep\\held.dat")) {
            held.reset(new HeldFile(full + "\\Deep\\held.dat"));
            ASSERT_TRUE(held->Held());
        }
        const std::string before = c.state();
        const Result preview = RunIn(change::Mode::Preview, c.operation);
        EXPECT_EQ(c.state(), before) << "the preview changed the machine";
        const Result real = RunIn(change::Mode::Act, c.operation);
        EXPECT_NE(c.state(), before) << "the real run changed nothing: the case tests nothing";
        EXPECT_EQ(preview.named.removed, real.named.removed);
        EXPECT_EQ(preview.named.inUse, real.named.inUse);
        EXPECT_EQ(preview.tally.removed, real.tally.removed);
        EXPECT_EQ(preview.tally.written, real.tally.written);
        EXPECT_EQ(preview.tally.pending, real.tally.pending);
        EXPECT_EQ(preview.tally.refused, real.tally.refused);
        // Registry items are saved before they change, in a real run only.
        EXPECT_EQ(preview.backup.saves, 0);
        EXPECT_GE(real.backup.withContent, c.registry ? real.tally.removed + real.tally.written : 0);
    }
    RemoveTree(full);
    RemoveTree(named);
    regtest::DeleteTree(HKEY_CURRENT_USER, kVelkaris);
}

}  // namespace
