// The real tool, driven as a user would, on a seeded installation of the suite.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "E2eSupport.h"
#include "TestSupport.h"

using namespace e2e;

namespace {

const char kNamedDir[] = "C:\\tolmtest\\e2e\\Velkaris\\Internet Security";
const char kZrpDir[] = "C:\\tolmtest\\e2e\\Velkaris\\ZRP2007";
using Want = std::map<std::string, bool>;

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        lang = tolmtest::Env("TOLM_LANG");
        if (lang.empty()) lang = "ja";
        // The restart's driver compares no texts: the boot gives it no language.
        if (::strstr(::GetCommandLineA(), " --tolm-restart-")) return;
        const UINT cp = ::GetACP();
        ASSERT_EQ(cp, lang == "zh" ? 936u : 932u) << "the test's code page does not match its language";
    }
    void TearDown() override {
        version.reset();
        install.reset();
        if (!keepInstallation) Unseed();
    }
    void Seed(const SeedOptions& o) {
        dir = o.installDir;
        install.reset(new Installation(o));
        std::string why;
        ASSERT_TRUE(install->Seed(&why)) << why;
        // A copy of the tool in the scratch tree: the rules and the companion land beside it.
        tool = InstallToolCopy();
        ASSERT_FALSE(tool.empty());
        ::DeleteFileA((std::string(kToolDir) + "\\TolmUnload.log").c_str());
        seeded = ProbeMachine(dir);
    }
    void SetVersion(const char* v) { version.reset(new tolmtest::ScopedWindowsVersion("TolmUnload.exe", v)); }
    std::string M(int id) const { return Msg(id, lang); }
    // Answers by message: the text decides (109 is formatted, so its start).
    static Answerer By(std::map<int, int> answers, const std::string& lang) {
        return [answers, lang](const Box& b) {
            for (const auto& a : answers) {
                std::string t = Msg(a.first, lang);
                size_t f = t.find("%s");
                bool match = f == std::string::npos ? b.text == t
                                                    : b.text.compare(0, f, t, 0, f) == 0 &&
                                                          b.text.size() >= t.size() - 2 &&
                                                          b.text.compare(b.text.size() - (t.size() - f - 2), std::string::npos, t, f + 2, std::string::npos) == 0;
                if (match) return a.second;
            }
            return b.buttons.size() == 1 ? IDOK : IDNO;
        };
    }
    std::string Log(std::initializer_list<int> ids) const {
        std::string s;
        for (int id : ids) s += M(id);
        return s;
    }
    // Everything removed that a complete run on NT removes.
    Want Removed(bool fullClear, bool vista) const {
        Want w;
        for (const char* r : {"reg:HKLM\\", "reg:HKCU\\"}) {
            for (const char* k : {"antivirus", "antivirus\\Update", "antivirus\\Options", "TqmPFW"}) w[std::string(r) + k] = false;
            w[std::string(r) + "KeepMe"] = true;
        }
        w["reg:HKCU\\antivirus\\QAScript"] = false;
        w["run:HKLM TqmStart"] = false;
        w["run:HKCU TqmPFW"] = false;
        w["run:HKLM keep"] = true;
        w["run:HKCU keep"] = true;
        w["uninstall:keep"] = true;
        w["svckey:QNetWch"] = false;
        w["svckey:QWatch3"] = false;
        w["svckey:VxD"] = true;
        w["service:QWatchSvc"] = false;
        w["service:QPfwSvc"] = false;
        for (const auto& item : seeded) {
            const std::string& k = item.first;
            if (k.rfind("uninstall:{", 0) == 0) w[k] = false;
            if (k.rfind("engine:", 0) == 0) w[k] = k.find("system library") != std::string::npos;
            if (k.rfind("proc:", 0) == 0) w[k] = k == "proc:MyQWatch.EXE" || k == "proc:QWatchX.EXE";
            if (k.rfind("file:", 0) == 0) w[k] = !fullClear && (k == "file:QATMain.EXE" || k == "file:MyNotes.txt");
            if (k.rfind("dir:", 0) == 0) w[k] = !fullClear && k == "dir:";
            if (k.rfind("copy:", 0) == 0) w[k] = vista;
            if (k.rfind("desk:user:", 0) == 0 || k.rfind("menu:user:", 0) == 0) w[k] = k.find(":132") == std::string::npos;
        }
        w["record:{2D7B94E5-C1A3-4F06-9B58-6E0D47F31C27}"] = false;
        w["record:{9C3F0B71-46E2-4A18-B5D7-3E8F21C06A94}"] = true;
        w["record:readme.txt"] = true;
        w["record:{5A1E7C30-2B94-4D6F-8E21-07C3B9A4D512}"] = false;
        for (const char* id : {"118", "119", "126", "127"}) w[std::string("desk:common:") + id] = false;
        w["desk:common:120"] = !fullClear;  // QATMain.EXE is no product file: kept when cleaned by name
        w["desk:common:keep"] = true;
        w["desk:common:132"] = vista;
        for (const char* id : {"121", "128", "129"}) w[std::string("menu:common:") + id] = false;
        w["menu:common:keep"] = true;
        w["qrecycle:Desktop.INI"] = false;
        w["qrecycle:keep.dat"] = true;
        return w;
    }
    void ExpectBox(const Box& b, int id, const std::string& caption, std::vector<int> buttons, bool icon,
                   const std::string& text = "") const {
        EXPECT_EQ(b.text, text.empty() ? M(id) : text) << "message " << id;
        EXPECT_EQ(b.caption, caption) << "caption of message " << id;
        EXPECT_EQ(b.buttons, buttons) << "buttons of message " << id;
        EXPECT_EQ(b.icon, icon) << "icon of message " << id;
    }
    std::string Question109(const std::string& d) const {
        std::string f = M(109);
        return f.replace(f.find("%s"), 2, d);
    }

    std::string lang, tool, dir;
    std::unique_ptr<Installation> install;
    std::unique_ptr<tolmtest::ScopedWindowsVersion> version;
    Probe seeded;
    bool keepInstallation = false;  // the restart's driver leaves the scenario to the host
};

// ASCII letters in lower case; both sides of a comparison go through it alike.
std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The report the run left in the tool's folder, "" when there is none.
std::string ReadReport() {
    std::string text;
    HANDLE f = ::CreateFileA((std::string(kToolDir) + "\\TolmUnload.log").c_str(), GENERIC_READ, FILE_SHARE_READ,
                             nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return "";
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(f, buffer, sizeof buffer, &read, nullptr) && read) text.append(buffer, read);
    ::CloseHandle(f);
    return text;
}

// What the report says of a probed item: the text its line carries.
std::string ReportName(const std::string& key, const std::string& dir, const std::string& tool) {
    auto after = [&](const char* prefix) { return key.substr(std::strlen(prefix)); };
    if (key.rfind("file:", 0) == 0) return "file " + dir + "\\" + after("file:") + ":";
    if (key.rfind("dir:", 0) == 0) return "folder " + dir + (key == "dir:" ? "" : "\\" + after("dir:")) + ":";
    if (key.rfind("proc:", 0) == 0) return "process " + after("proc:") + " (id ";
    if (key.rfind("service:", 0) == 0) return "service " + after("service:") + ":";
    if (key.rfind("uninstall:", 0) == 0) return "Uninstall\\" + after("uninstall:") + ":";
    if (key.rfind("record:{", 0) == 0) return "Installation Information\\" + after("record:") + ":";
    if (key.rfind("svckey:", 0) == 0) return "Services\\" + after("svckey:") + ":";
    if (key.rfind("engine:", 0) == 0) return key.substr(7, 38) + "\\InprocServer32 \"TQMOrigin\":";
    if (key.rfind("desk:", 0) == 0 || key.rfind("menu:", 0) == 0)
        return "\\" + ToolString(tool, std::atoi(key.substr(key.rfind(':') + 1).c_str())) + ":";
    if (key.rfind("run:", 0) == 0) return "\\Run \"" + key.substr(key.find(' ') + 1) + "\":";
    if (key == "qrecycle:Desktop.INI") return "QRECYCLE\\Desktop.INI:";
    if (key.rfind("reg:", 0) == 0) {
        // QAScript has subkeys: the tree deletion of the product key takes it.
        const std::string k = key.find("QAScript") != std::string::npos ? "antivirus" : key.substr(9);
        return "key " + key.substr(4, 5) + "SOFTWARE\\Velkaris\\" + k + ":";
    }
    return "";
}

// "" when the report names every item that went from seeded to gone as removed,
// else the items it misses.
std::string MissingRemovals(const std::string& report, const Probe& seeded, const Probe& now, const std::string& dir,
                            const std::string& tool) {
    const std::string text = Lower(report);
    std::string missing;
    for (const auto& item : seeded) {
        auto it = now.find(item.first);
        if (!item.second || it == now.end() || it->second) continue;
        const std::string name = Lower(ReportName(item.first, dir, tool));
        if (name.empty()) continue;
        bool found = false;
        for (size_t at = text.find(name); at != std::string::npos && !found; at = text.find(name, at + 1)) {
            const std::string line = text.substr(at, text.find('\n', at) - at);
            for (const char* done : {": deleted", ": removed", "): ended", "marked for deletion"})
                if (line.find(done) != std::string::npos) found = true;
        }
        if (!found) missing += "  " + item.first + " (" + name + ")\n";
    }
    return missing;
}

const std::vector<int> kYesNo = {IDYES, IDNO};
const std::vector<int> kOk = {IDOK};

TEST_F(EndToEnd, CompleteRunRemovesTheSuite) {
    // Japanese: a folder cleaned by name keeps the user's file; Chinese: ZRP2007 goes whole.
    const bool full = lang == "zh";
    SeedOptions o;
    o.installDir = full ? kZrpDir : kNamedDir;
    Seed(o);
    DriveResult r = Drive(tool, "", true, By({{102, IDYES}, {109, IDYES}, {125, IDNO}}, lang));
    ASSERT_TRUE(r.trouble.empty()) << r.trouble;
    ASSERT_EQ(r.boxes.size(), 3u);
    ExpectBox(r.boxes[0], 102, M(103), kYesNo, true);
    EXPECT_EQ(r.boxes[0].progress, 0);
    EXPECT_EQ(r.boxes[0].log, "");
    ExpectBox(r.boxes[1], 109, M(103), kYesNo, false, Question109(dir));
    EXPECT_EQ(r.boxes[1].progress, 70);
    EXPECT_EQ(r.boxes[1].log, Log({111, 112, 122, 113, 122, 114, 122, 115, 122}));
    ExpectBox(r.boxes[2], 125, "", kYesNo, false);
    EXPECT_EQ(r.boxes[2].progress, 100);
    for (const Box& b : r.boxes) {
        EXPECT_TRUE(b.ownedByMain) << b.text;
        EXPECT_TRUE(b.ownerVisible) << b.text;
    }
    EXPECT_EQ(r.finalLog, Log({111, 112, 122, 113, 122, 114, 122, 115, 122, 116, 122}));
    EXPECT_EQ(r.finalProgress, 100);
    EXPECT_FALSE(r.runEnabledAtEnd);
    EXPECT_EQ(Differences(ProbeMachine(dir), Removed(full, false)), "");
    EXPECT_EQ(RunOnceValue("TQMUNLOAD"), full ? "<none>" : "\"" + tool + "\" " + dir + "\\");
    EXPECT_EQ(RunOnceValue("TQM7NEEDREBOOT"), "");
    EXPECT_EQ(RunOnceValue("UnloadReboot"), "<none>");

    // The report names every item the probe shows removed, and what was kept and why.
    const std::string report = ReadReport();
    ASSERT_NE(report, "");
    EXPECT_EQ(MissingRemovals(report, seeded, ProbeMachine(dir), dir, tool), "") << report;
    std::vector<std::string> kept = {"== " + M(112), "Log: " + M(116) + M(122).substr(0, M(122).size() - 2),
                                     "Run mode: interactive", "Windows: ", "Answer: Yes", "End: restart declined",
                                     "TQM7NEEDREBOOT\": written",
                                     "Installation Information\\{9C3F0B71-46E2-4A18-B5D7-3E8F21C06A94}: left, not empty"};
    if (!full) {
        for (const char* f : {"MyNotes.txt", "QATMain.EXE"}) kept.push_back(dir + "\\" + f + ": kept, not a product file");
        kept.push_back(ToolString(tool, 120) + ": kept, its program is still there");
        kept.push_back("folder " + dir + ": left, not empty");
        kept.push_back("\"TQMUNLOAD\": written \"\"" + tool + "\" " + dir + "\\\"");
    }
    for (const std::string& k : kept) EXPECT_NE(report.find(k), std::string::npos) << k << "\n" << report;
}

TEST_F(EndToEnd, NoToTheStartQuestionChangesNothing) {
    SeedOptions o;
    o.installDir = kNamedDir;
    o.services = false;
    Seed(o);
    DriveResult r = Drive(tool, "", true, By({{102, IDNO}}, lang));
    ASSERT_TRUE(r.trouble.empty()) << r.trouble;
    ASSERT_EQ(r.boxes.size(), 1u);
    ExpectBox(r.boxes[0], 102, M(103), kYesNo, true);
    EXPECT_EQ(r.finalLog, "");
    EXPECT_FALSE(r.runEnabledAtEnd);
    EXPECT_EQ(Differences(ProbeMachine(dir), seeded), "");
}

TEST_F(EndToEnd, NoToTheFolderQuestionChangesNothing) {
    SeedOptions o;  // no install location recorded anywhere
    o.services = false;
    Seed(o);
    DriveResult r = Drive(tool, "", true, By({{102, IDYES}, {107, IDNO}}, lang));
    ASSERT_TRUE(r.trouble.empty()) << r.trouble;
    ASSERT_EQ(r.boxes.size(), 2u);
    ExpectBox(r.boxes[1], 107, M(103), kYesNo, false);
    EXPECT_EQ(r.boxes[1].progress, 0);
    EXPECT_EQ(r.finalLog, "");
    EXPECT_EQ(Differences(ProbeMachine(dir), seeded), "");
}

TEST_F(EndToEnd, WithoutAFolderTheRunEndsWithMessage110) {
    SeedOptions o;
    o.services = false;
    Seed(o);
    DriveResult r = Drive(tool, "", true, By({{102, IDYES}, {107, IDYES}}, lang));
    ASSERT_TRUE(r.trouble.empty()) << r.trouble;
    ASSERT_EQ(r.boxes.size(), 3u);
    ExpectBox(r.boxes[2], 110, "TolmUnload", kOk, false);  // the default title: the program's name
    EXPECT_EQ(r.boxes[2].progress, 100);
    EXPECT_EQ(r.finalLog, Log({111, 112, 122, 113, 122, 114, 122, 115, 122, 116, 123}));
    Probe p = ProbeMachine(dir);
    EXPECT_FALSE(p["reg:HKLM\\antivirus"]);
    EXPECT_FALSE(p["uninstall:{5A1E7C30-2B94-4D6F-8E21-07C3B9A4D512}"]);
    EXPECT_FALSE(p["proc:QWatch.EXE"]);
    EXPECT_TRUE(p["desk:common:118"]);  // no file step without a folder
    EXPECT_EQ(RunOnceValue("TQM7NEEDREBOOT"), "<none>");
}

TEST_F(EndToEnd, NoToTheFileQuestionKeepsEveryFile) {
    SeedOptions o;
    o.installDir = kZrpDir;
    o.services = false;
    Seed(o);
    DriveResult r = Drive(tool, "", true, By({{102, IDYES}, {109, IDNO}, {125, IDNO}}, lang));
    ASSERT_TRUE(r.trouble.empty()) << r.trouble;
    ASSERT_EQ(r.boxes.size(), 3u);
    ExpectBox(r.boxes[2], 125, "", kYesNo, false);
    // Japanese has no message 124: the line is 116 alone, without a line break.
    EXPECT_EQ(r.finalLog, Log({111, 112, 122, 113, 122, 114, 122, 115, 122, 116}) + (lang == "zh" ? M(124) : ""));
    Probe p = ProbeMachine(dir);
    Want files;
    for (const auto& item : seeded)
        if (item.first.rfind("file:", 0) == 0 || item.first.rfind("desk:", 0) == 0 || item.first.rfind("menu:", 0) == 0)
            files[item.first] = item.second;
    files["qrecycle:Desktop.INI"] = true;
    EXPECT_EQ(Differences(p, files), "");
    EXPECT_FALSE(p["reg:HKLM\\antivirus"]);
    EXPECT_EQ(RunOnceValue("TQM7NEEDREBOOT"), "<none>");
}

TEST_F(EndToEnd, AutomaticStartAsksFromAnInvisibleWindow) {
    SeedOptions o;
    o.installDir = kNamedDir;
    o.services = false;
    Seed(o);
    DriveResult r = Drive(tool, "/silent", false, By({{102, IDNO}}, lang));
    ASSERT_TRUE(r.trouble.empty()) << r.trouble;
    ASSERT_EQ(r.boxes.size(), 1u);
    ExpectBox(r.boxes[0], 102, M(103), kYesNo, true);
    EXPECT_TRUE(r.boxes[0].ownedByMain);
    EXPECT_FALSE(r.boxes[0].ownerVisible);
    EXPECT_EQ(r.mainRect.left, -10);
    EXPECT_EQ(r.mainRect.top, -10);
    EXPECT_EQ(r.mainRect.right - r.mainRect.left, 1);
    EXPECT_FALSE(r.runEnabledAtEnd);
    EXPECT_EQ(Differences(ProbeMachine(dir), seeded), "");
}

TEST_F(EndToEnd, SilentRunRemovesWithoutWindowAndEndsWithCode1) {
    SeedOptions o;
    o.installDir = kZrpDir;
    o.services = false;
    Seed(o);
    DriveResult r = Drive(tool, lang == "zh" ? "-S" : "-s", false, By({{125, IDNO}}, lang));
    ASSERT_TRUE(r.trouble.empty()) << r.trouble;
    ASSERT_EQ(r.boxes.size(), 1u);
    ExpectBox(r.boxes[0], 125, "", kYesNo, false);
    EXPECT_TRUE(r.boxes[0].noOwner);
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 1u);
    Probe p = ProbeMachine(dir);
    // Only the update keys go; the product keys stay.
    EXPECT_TRUE(p["reg:HKLM\\antivirus"]);
    EXPECT_TRUE(p["reg:HKLM\\antivirus\\Options"]);
    EXPECT_FALSE(p["reg:HKLM\\antivirus\\Update"]);
    EXPECT_FALSE(p["reg:HKCU\\antivirus\\Update"]);
    EXPECT_TRUE(p["reg:HKLM\\TqmPFW"]);
    EXPECT_FALSE(p["run:HKLM TqmStart"]);
    EXPECT_FALSE(p["proc:TQMPFW.EXE"]);
    EXPECT_TRUE(p["proc:QWatchX.EXE"]);
    EXPECT_FALSE(p["dir:"]);
    EXPECT_FALSE(p["desk:common:127"]);
    EXPECT_FALSE(p["engine:{F414C261-6AC0-11CF-B6D1-00AA00BBBB58} TQMOrigin"]);
    EXPECT_EQ(RunOnceValue("TQM7NEEDREBOOT"), "");
    // Without a window the report is all there is.
    const std::string report = ReadReport();
    EXPECT_NE(report.find("Run mode: silent (-s)"), std::string::npos) << report;
    EXPECT_EQ(MissingRemovals(report, seeded, p, dir, tool), "") << report;
    EXPECT_NE(report.find("End: restart declined"), std::string::npos) << report;
}

TEST_F(EndToEnd, NearMissesOfTheSilentSwitchOpenTheWindow) {
    SeedOptions o;
    o.installDir = kNamedDir;
    o.services = false;
    o.processes = false;
    Seed(o);
    for (const char* args : {"\"-s \"", "/s", "-silent", "-s /silent"}) {
        const bool automatic = std::string(args) == "-s /silent";
        DriveResult r = Drive(tool, args, false, By({{102, IDNO}}, lang));
        EXPECT_TRUE(r.trouble.empty()) << args << ": " << r.trouble;
        EXPECT_TRUE(r.mainSeen) << args;
        EXPECT_EQ(r.boxes.size(), automatic ? 1u : 0u) << args;
        EXPECT_NE(r.exitCode, 1u) << args;
    }
    EXPECT_EQ(Differences(ProbeMachine(dir), seeded), "");
}

struct Unsupported {
    const char* version;
    const char* description;
    bool withoutIe4;  // shell32 and shlwapi.dll kept from the tool, as before Internet Explorer 4
};

TEST_F(EndToEnd, UnsupportedSystemsStopBeforeAnyRemoval) {
    SeedOptions o;
    o.installDir = kNamedDir;
    o.services = false;
    o.processes = false;
    Seed(o);
    const Unsupported cases[] = {{"win95", "Microsoft Windows 95 ", false},
                                 {"win95", "Microsoft Windows 95 ", true},
                                 {"nt40", "Microsoft Windows NT ", true},
                                 {"win2003", "Microsoft Windows Server 2003 family Standard Edition ", false}};
    for (const Unsupported& c : cases) {
        SCOPED_TRACE(c.withoutIe4 ? "without Internet Explorer 4's DLLs" : "");
        std::unique_ptr<tolmtest::ScopedDisabledDlls> noIe4;
        if (c.withoutIe4) noIe4.reset(new tolmtest::ScopedDisabledDlls("TolmUnload.exe", {"shell32", "shlwapi"}));
        ASSERT_TRUE(!noIe4 || noIe4->Ok());
        SetVersion(c.version);
        DriveResult r = Drive(tool, "", true, By({{102, IDYES}}, lang));
        EXPECT_TRUE(r.trouble.empty()) << c.version << ": " << r.trouble;
        ASSERT_EQ(r.boxes.size(), 2u) << c.version;
        ExpectBox(r.boxes[1], 104, M(106), kOk, true, M(104) + "  " + c.description + ", " + M(105));
        EXPECT_TRUE(r.exited) << c.version;
        EXPECT_EQ(r.exitCode, 3u) << c.version;

        DriveResult s = Drive(tool, "-s", false, By({}, lang));
        EXPECT_TRUE(s.boxes.empty()) << c.version;
        EXPECT_TRUE(s.exited) << c.version;
        EXPECT_EQ(s.exitCode, 1u) << c.version;
        noIe4.reset();
        version.reset();
    }
    EXPECT_EQ(Differences(ProbeMachine(dir), seeded), "");
}

TEST_F(EndToEnd, VistaKeepsTheRulesAndPreparesTheCompanion) {
    SetVersion("vista");
    SeedOptions o;
    o.installDir = kNamedDir;
    Seed(o);
    DriveResult r = Drive(tool, "", true, By({{102, IDYES}, {109, IDYES}, {125, IDNO}}, lang));
    ASSERT_TRUE(r.trouble.empty()) << r.trouble;
    ASSERT_EQ(r.boxes.size(), 3u);
    EXPECT_EQ(r.finalLog, Log({111, 112, 122, 113, 122, 114, 122, 115, 122, 116, 122}));
    EXPECT_EQ(Differences(ProbeMachine(dir), Removed(false, true)), "");
    EXPECT_EQ(RunOnceValue("UnloadReboot"), "\"" + std::string(kToolDir) + "\\vista_i.exe\"");
    EXPECT_EQ(RunOnceValue("TQMUNLOAD"), "\"" + tool + "\" " + dir + "\\");
}

TEST_F(EndToEnd, SilentRunOnVistaSchedulesNoFolderRemoval) {
    SetVersion("vista");
    SeedOptions o;
    o.installDir = kNamedDir;
    o.services = false;
    Seed(o);
    DriveResult r = Drive(tool, "-s", false, By({{125, IDNO}}, lang));
    ASSERT_TRUE(r.trouble.empty()) << r.trouble;
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_EQ(r.exitCode, 1u);
    Probe p = ProbeMachine(dir);
    EXPECT_TRUE(p["copy:QAF\\AntiRule_Private.xml"]);
    EXPECT_TRUE(p["copy:Rules\\QPFWRule.xml"]);
    EXPECT_TRUE(p["desk:common:132"]);
    EXPECT_TRUE(p["file:MyNotes.txt"]);
    EXPECT_EQ(RunOnceValue("UnloadReboot"), "\"" + std::string(kToolDir) + "\\vista_i.exe\"");
    EXPECT_EQ(RunOnceValue("TQMUNLOAD"), "<none>");
    EXPECT_EQ(RunOnceValue("TQM7NEEDREBOOT"), "<none>");
}

TEST_F(EndToEnd, FileInUseRegistersTheToolForTheNextLogon) {
    SeedOptions o;
    o.installDir = kZrpDir;
    o.services = false;
    o.holdFile = true;
    Seed(o);
    DriveResult r = Drive(tool, "", true, By({{102, IDYES}, {109, IDYES}, {125, IDNO}}, lang));
    ASSERT_TRUE(r.trouble.empty()) << r.trouble;
    Probe p = ProbeMachine(dir);
    EXPECT_TRUE(p["dir:"]);
    EXPECT_FALSE(p["file:MyNotes.txt"]);  // ZRP2007 is emptied whole, as far as nothing is in use
    EXPECT_EQ(RunOnceValue("TQMUNLOAD"), "\"" + tool + "\" " + dir + "\\");
    EXPECT_EQ(RunOnceValue("TQM7NEEDREBOOT"), "");

    // What the next logon runs: the tool with the folder as its argument opens its
    // window and waits for the user, like a manual start.
    install->ReleaseHeldFile();
    DriveResult next = Drive(tool, dir + "\\", false, By({}, lang));
    EXPECT_TRUE(next.trouble.empty()) << next.trouble;
    EXPECT_TRUE(next.mainVisibleAtEnd);
    EXPECT_TRUE(next.boxes.empty());
    EXPECT_TRUE(next.runEnabledAtEnd);
    EXPECT_EQ(next.finalLog, "");
    EXPECT_TRUE(ProbeMachine(dir)["dir:"]);
}

TEST_F(EndToEnd, Windows98UsesThePerUserFoldersAndTheVxdKey) {
    if (tolmtest::PrefixKind() != "win32") GTEST_SKIP() << "Windows 98 runs in the 32-bit prefix";
    SetVersion("win98");
    SeedOptions o;
    o.installDir = kZrpDir;
    o.services = false;
    Seed(o);
    DriveResult r = Drive(tool, "", true, By({{102, IDYES}, {109, IDYES}, {125, IDNO}}, lang));
    ASSERT_TRUE(r.trouble.empty()) << r.trouble;
    ASSERT_EQ(r.boxes.size(), 3u);
    EXPECT_EQ(r.finalLog, Log({111, 112, 122, 113, 122, 114, 122, 115, 122, 116, 122}));
    Probe p = ProbeMachine(dir);
    Want w = {{"svckey:VxD", false}, {"svckey:QNetWch", true}, {"svckey:QWatch3", true},
              {"desk:user:118", false}, {"desk:user:127", false}, {"desk:user:keep", true},
              {"desk:common:118", true}, {"menu:user:121", false}, {"menu:user:129", false},
              {"menu:common:121", true}, {"proc:QWatch9x.EXE", false}, {"proc:MyQWatch.EXE", true},
              {"dir:", false}, {"reg:HKLM\\antivirus", false}};
    EXPECT_EQ(Differences(p, w), "");
}

}  // namespace

// A real restart, driven from the host by restart_e2e.sh in a scratch prefix of
// its own. Phase "before": a folder with a file in use, the complete run, and Yes
// to the restart question; what the run registered is written down first, since
// the restart ends this process, and a driver is registered to run at the
// restart before "TQMUNLOAD". The boot runs that driver (this test, told so on
// its command line, with none of the host's environment); it starts a detached
// copy of itself and returns, so that the boot goes on to start the tool. The
// copy drives the tool the boot started: Run, Yes, Yes, and No to the restart,
// and writes down the boxes it saw. Phase "after" (in a fresh session) checks
// that the folder is gone and that nothing is registered again.
namespace {

const char kBeforeRecord[] = "C:\\tolmtest\\e2e-restart.txt";
const char kDrivenRecord[] = "C:\\tolmtest\\e2e-restart-driven.txt";
// Wine runs the RunOnce values from the last name to the first: this one first.
const char kDriverValue[] = "ZZTolmE2EDriver";
const char kDriveFlag[] = " --tolm-restart-drive";
const char kAttachFlag[] = " --tolm-restart-attach";

std::string RestartPhase() {
    const std::string line = ::GetCommandLineA();
    if (line.find(kAttachFlag) != std::string::npos) return "attach";
    if (line.find(kDriveFlag) != std::string::npos) return "drive";
    return tolmtest::Env("TOLM_RESTART_PHASE");
}

std::string ThisProgram() {
    char p[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, p, MAX_PATH);
    return std::string(p, n);
}

bool RegisterDriver() {
    HKEY k = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce", 0, nullptr, 0,
                          KEY_SET_VALUE, nullptr, &k, nullptr) != ERROR_SUCCESS)
        return false;
    const std::string cmd = "\"" + ThisProgram() + "\" --gtest_filter=EndToEnd.RestartRunsTheRegisteredRemoval" + kDriveFlag;
    LONG r = ::RegSetValueExA(k, kDriverValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(cmd.c_str()),
                              static_cast<DWORD>(cmd.size() + 1));
    ::RegCloseKey(k);
    return r == ERROR_SUCCESS;
}

// The box texts the driver saw, each ended by a NUL.
std::vector<std::string> ReadBoxes(const std::string& path) {
    std::vector<std::string> boxes;
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return boxes;
    std::string all;
    char buf[4096];
    DWORD n = 0;
    while (::ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) all.append(buf, n);
    ::CloseHandle(h);
    for (size_t at = 0, end; (end = all.find('\0', at)) != std::string::npos; at = end + 1) boxes.push_back(all.substr(at, end - at));
    return boxes;
}

}  // namespace

TEST_F(EndToEnd, RestartRunsTheRegisteredRemoval) {
    const std::string phase = RestartPhase();
    if (phase.empty()) GTEST_SKIP() << "run by restart_e2e.sh in a scratch prefix";
    if (phase == "drive") {
        // Inside the boot: start the copy that waits for the tool, and return.
        keepInstallation = true;
        std::string cmd = ::GetCommandLineA();
        cmd.replace(cmd.find(kDriveFlag), std::strlen(kDriveFlag), kAttachFlag);
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        ASSERT_TRUE(::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &si, &pi));
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
        return;
    }
    if (phase == "attach") {
        keepInstallation = true;
        std::vector<DWORD> pids;
        tolmtest::WaitUntil([&] { return !(pids = tolmtest::ProcessesNamed("TolmUnload.exe")).empty(); }, 120000);
        std::string record;
        if (!pids.empty()) {
            int seen = 0;
            // Answered by place, not by text: this process may not have the host's code page.
            DriveResult r = DriveRunning(pids.front(), true, [&](const Box& b) {
                ++seen;
                return b.buttons.size() == 1 ? IDOK : seen <= 2 ? IDYES : IDNO;
            }, 240000);
            for (const Box& b : r.boxes) record += b.text + '\0';
        }
        tolmtest::WriteFile(kDrivenRecord, record.empty() ? std::string("no tool", 8) : record);
        return;
    }
    if (phase == "before") {
        ::DeleteFileA(kBeforeRecord);
        ::DeleteFileA(kDrivenRecord);
        SeedOptions o;
        o.installDir = kZrpDir;
        o.services = false;
        o.holdFile = true;
        Seed(o);
        Answerer yes = By({{102, IDYES}, {109, IDYES}, {125, IDYES}}, lang);
        Answerer answer = [&](const Box& b) {
            if (b.text == M(125)) {
                tolmtest::WriteFile(kBeforeRecord,
                                    RunOnceValue("TQMUNLOAD") + "\n\"" + tool + "\" " + dir + "\\\n");
                if (!RegisterDriver()) return IDNO;
            }
            return yes(b);
        };
        DriveResult r = Drive(tool, "", true, answer, 120000);
        FAIL() << "the restart did not end this process: " << r.trouble;
    }
    ASSERT_EQ("after", phase);
    dir = kZrpDir;
    const std::vector<std::string> boxes = ReadBoxes(kDrivenRecord);
    ASSERT_EQ(3u, boxes.size()) << "the tool the restart started should ask 102, 109 and 125";
    EXPECT_EQ(M(102), boxes[0]);
    EXPECT_EQ(Question109(dir + "\\"), boxes[1]) << "the folder from the command line, not 107";
    EXPECT_EQ(M(125), boxes[2]);
    EXPECT_FALSE(ProbeMachine(dir)["dir:"]) << "the folder that stayed is gone";
    EXPECT_EQ("<none>", RunOnceValue("TQMUNLOAD")) << "consumed, and not registered again";
    EXPECT_EQ("<none>", RunOnceValue(kDriverValue));
    ::DeleteFileA(kBeforeRecord);
    ::DeleteFileA(kDrivenRecord);
}
