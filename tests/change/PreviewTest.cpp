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
#include "../../cleanup/change/SystemChanges.h"
#include "../../cleanup/report/RunReport.h"
#include "CapturedReport.h"
#include "FileTestSupport.h"
#include "ProductKeys.h"
#include "ProductRemoval.h"
#include "RegTestSupport.h"
#include "ReportText.h"

using namespace filetest;

namespace {

// The items a report names as removed (or, in a preview, as would be), as
// left in use, and as refused.
struct Named {
    std::set<std::string> removed, inUse, refused;
};
Named ItemsOf(const std::vector<std::string>& lines) {
    Named n;
    n.removed = tolmtest::RemovedItems(lines);
    for (const tolmtest::ReportItem& i : tolmtest::ReportItems(lines)) {
        if (i.state.find("in use") != std::string::npos) n.inUse.insert(i.item);
        if (i.state.compare(0, 8, "refused ") == 0) n.refused.insert(i.item);
    }
    return n;
}

// Every key, value type and value data below root\path, as text.
std::string RegistryTree(HKEY root, const std::string& path) {
    if (!regtest::KeyExists(root, path)) return "";
    std::string out = "[" + path + "]\n";
    for (const std::string& name : regtest::ValueNames(root, path)) {
        DWORD type = 0;
        std::string data;
        regtest::ReadValue(root, path, name.c_str(), &type, &data);
        out += name + "=" + std::to_string(type) + ":" + data + "\n";
    }
    for (const std::string& sub : regtest::SubkeyNames(root, path)) out += RegistryTree(root, path + "\\" + sub);
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
    tolmtest::CapturedReport report;
    ReportScope scope(&report);
    change::Session session(mode);
    session.SetBackup(&result.backup);
    operation();
    result.named = ItemsOf(report.Record().lines);
    result.tally = session.Counts();
    return result;
}

const char kVelkaris[] = "SOFTWARE\\Velkaris";

TEST(Preview, ChangesNothingAndAnswersAsTheRealRunWould) {
    tolmtest::ScratchDir s("preview");
    const std::string full = s / "Apps\\ZRP2007", named = s / "Velkaris", links = s / "Links";
    char dir[InstallDirectoryBufferSize] = {};
    tolmtest::ChildProcess program;  // a program of the folder that no step ends
    struct Case {
        const char* name;
        bool registry;
        std::function<void()> seed, operation;
        std::function<std::string()> state;
        bool refuses = false;  // the system refuses one of its items: the case's point
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
        {"a running program of the folder that no step ends", false,
         [&] {
             for (const char* f : {"TQM32.EXE", "mine.txt"}) ASSERT_TRUE(MakeFile(full + "\\" + f));
             ASSERT_TRUE(::CopyFileA((tolmtest::BinDir() + "\\tests\\files\\file_holder.exe").c_str(),
                                     (full + "\\Helper.exe").c_str(), FALSE));
             ASSERT_TRUE(program.Start("\"" + full + "\\Helper.exe\" \"" + (s / "outside.dat") + "\""));
             ASSERT_TRUE(tolmtest::WaitUntil([&] { return Exists(s / "outside.dat"); }, 10000));
         },
         [&] { lstrcpyA(dir, full.c_str()); RemoveProductFolder(dir, sizeof dir); },
         [&] { return FileTree(full); }, true},
        {"a shortcut made", false, [&] { ASSERT_TRUE(MakeFolders(links)); },
         [&] { change::MakeShortcut((full + "\\vista_i.exe").c_str(), (links + "\\companion.lnk").c_str()); },
         [&] { return FileTree(links); }},
        {"values written anew and with the data they hold", true,
         [] {
             regtest::SetString(HKEY_CURRENT_USER, std::string(kVelkaris) + "\\Write", "same", "C:\\Same");
             regtest::SetString(HKEY_CURRENT_USER, std::string(kVelkaris) + "\\Write", "other", "before");
         },
         [] {
             RegKeyHolder k;
             const std::string path = std::string(kVelkaris) + "\\Write";
             ASSERT_EQ(0, change::OpenKey(HKEY_CURRENT_USER, path.c_str(), KEY_READ | KEY_WRITE, k));
             change::WriteString(k, "same", "c:\\same");
             change::WriteString(k, "other", "after");
             change::WriteString(k, "new", "made");
         },
         [] { return RegistryTree(HKEY_CURRENT_USER, kVelkaris); }},
    };
    const auto clear = [&] {
        program.Kill();
        for (const std::string& f : {full, named, links}) RemoveTree(f);
        regtest::DeleteTree(HKEY_CURRENT_USER, kVelkaris);
    };
    const auto counts = [](const change::Tally& t) {
        return std::vector<int>{t.removed, t.left, t.written, t.pending, t.refused};
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clear();
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
        EXPECT_EQ(preview.named.refused, real.named.refused);
        EXPECT_EQ(counts(preview.tally), counts(real.tally));
        if (c.refuses) EXPECT_FALSE(real.named.refused.empty()) << "nothing refused: the case tests nothing";
        // Registry items are saved before they change, in a real run only.
        EXPECT_EQ(preview.backup.saves, 0);
        EXPECT_GE(real.backup.withContent, c.registry ? real.tally.removed + real.tally.written : 0);
    }
    clear();
}

}  // namespace
