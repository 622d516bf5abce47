// The run's steps and questions with its operations substituted: which boxes
// each set-up and answer leads to, which operations it calls and which it must
// not, what each step's log line says, and the orders that matter. Also the
// cases Wine cannot make (no administrator rights, an unsupported system).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <iterator>
#include <string>
#include <vector>

#include "../../res/resource.h"
#include "../../run/SystemOperations.h"
#include "FakeRun.h"
#include "TestSupport.h"

namespace {

std::string S(UINT id) {
    CString s;
    s.LoadString(id);  // "" for a string the table lacks (124 in Japanese)
    return s.GetString();
}

void Vista(FakeOperations& f) { f.vista = 1; }
void NoFolderButTheCommandLine(FakeOperations& f) {
    f.lookup = -1;
    f.startFolder = "C:\\Apps\\ZRP2007\\";
}

// Only the orders that matter: everything in each group is called before
// anything in the group after it.
TEST(RunSequence, CallsWhatMustComeFirstFirst) {
    const std::vector<std::string> changes = {
        "RestoreScriptEngines", "DeleteProductKeys", "DeleteDriverServiceKeys", "DeleteRunValues",
        "RemoveProductServices", "TerminateProductProcesses", "RemoveInstallerRecordFolder", "DeleteRegistryTree",
        "PreserveUserRules", "RemoveProductFolder", "PrepareVistaCompanion", "Restart"};
    struct Case {
        const char* name;
        const RunMode* mode;
        Prepare set;
        std::vector<std::vector<std::string>> groups;
    } cases[] = {
        {"the start question before anything is read or changed", &kInteractiveRun, Vista,
         {{"Message 102"}, {"EnableProcessPrivileges", "ReadAntivirus", "OpenBackup", "RestoreScriptEngines"}}},
        {"the backup before each change", &kInteractiveRun, Vista, {{"OpenBackup"}, changes}},
        {"the backup before each change, silent", &kSilentRun, nullptr,
         {{"OpenBackup"}, {"RestoreScriptEngines", "DeleteUpdateKey", "RemoveProductFolder", "ScheduleFolderRemoval"}}},
        {"privileges, then services and processes, then the files", &kInteractiveRun, Vista,
         {{"EnableProcessPrivileges"}, {"RemoveProductServices", "TerminateProductProcesses"},
          {"PreserveUserRules", "RemoveProductFolder"}}},
        {"the file question, the rules copied, then the folder", &kInteractiveRun, Vista,
         {{"Message 109"}, {"PreserveUserRules"}, {"RemoveProductFolder"}}},
        {"everything prepared, and the question asked, before the restart", &kInteractiveRun, Vista,
         {{"PrepareVistaCompanion", "Message 125"}, {"Restart"}}},
        {"the folder removed, its second start registered, then the restart", &kInteractiveRun, nullptr,
         {{"RemoveProductFolder"}, {"ScheduleFolderRemoval"}, {"Restart"}}},
        {"the machine's value, the user's, the firewall's, the update's, the command line", &kInteractiveRun,
         NoFolderButTheCommandLine,
         {{"ReadAntivirus(HKLM)"}, {"ReadAntivirus(HKCU)"}, {"ReadFirewall"}, {"ReadUpdate"}, {"ReadStartFolder"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Ran run(*c.mode, c.set, {});
        for (size_t g = 0; g + 1 < c.groups.size(); ++g) {
            for (const std::string& a : c.groups[g]) {
                ASSERT_GE(run.Last(a), 0) << a << " never called";
                for (const std::string& b : c.groups[g + 1]) {
                    ASSERT_GE(run.First(b), 0) << b << " never called";
                    EXPECT_LT(run.Last(a), run.First(b)) << a << " before " << b;
                }
            }
        }
    }
}

// How each box looks: its caption in a run that has captions (0: the empty
// one, kDefault: the framework's title), its type and, in a run with a window,
// where the progress bar stands.
const UINT kDefault = 0xFFFF;
struct Look {
    UINT id, caption, type;
    int progress;
};
const Look kLooks[] = {
    {IDS_NOT_ADMIN, IDS_CAPTION_ERROR, MB_OK, -1},
    {IDS_CONFIRM_REMOVE_ALL, IDS_CAPTION_ALERT, MB_YESNO | MB_ICONEXCLAMATION, -1},
    {IDS_OS_PREFIX, IDS_CAPTION_ERROR, MB_ICONHAND, -1},
    {IDS_NO_INSTALL_PATH, IDS_CAPTION_ALERT, MB_YESNO, -1},  // before position 0
    {IDS_CONFIRM_DELETE_FILES, IDS_CAPTION_ALERT, MB_YESNO, 70},
    {IDS_DONE_NO_PATH, kDefault, MB_OK, 100},
    {IDS_ASK_RESTART, 0, MB_YESNO, 100},
};

std::string TextOf(UINT id, const FakeOperations& f) {
    if (id == IDS_OS_PREFIX) return S(IDS_OS_PREFIX) + "  " + f.description + ", " + S(IDS_OS_UNSUPPORTED);
    if (id != IDS_CONFIRM_DELETE_FILES) return S(id);
    CString q;
    q.Format(S(id).c_str(), (f.lookup >= 0 ? f.folder : f.startFolder).c_str());
    return q.GetString();
}

// The log a run writes: a line per step, each ending as steps says (+ success,
// - failure, n not done); "" no log at all.
std::string Log(const std::string& steps) {
    if (steps.empty()) return "";
    const UINT ids[] = {IDS_STEP_SCRIPT_ENGINES, IDS_STEP_REGISTRY, IDS_STEP_SERVICES, IDS_STEP_INSTALLER, IDS_STEP_FILES};
    std::string log = S(IDS_LOG_START);
    for (size_t i = 0; i < steps.size() && i < 5; ++i)
        log += S(ids[i]) + S(steps[i] == '+' ? IDS_SUFFIX_SUCCESS : steps[i] == '-' ? IDS_SUFFIX_FAILURE : IDS_SUFFIX_NOT_DONE);
    return log;
}

std::vector<std::string> WithRecords(std::vector<std::string> calls) {
    for (const char* code : kProductCodes) {
        calls.push_back(std::string("RemoveInstallerRecordFolder ") + code);
        calls.push_back(std::string("DeleteRegistryTree HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + code);
    }
    return calls;
}

// Set-up and answers -> the boxes shown, the log, the operations called and not.
TEST(RunSequence, AsksShowsAndCallsAsTheSetUpAndAnswersDecide) {
    const std::deque<int> yyn = {IDYES, IDYES, IDNO};
    const std::vector<UINT> all = {IDS_CONFIRM_REMOVE_ALL, IDS_CONFIRM_DELETE_FILES, IDS_ASK_RESTART};
    const std::vector<UINT> noFolder = {IDS_CONFIRM_REMOVE_ALL, IDS_NO_INSTALL_PATH, IDS_DONE_NO_PATH};
    struct Case {
        const char* name;
        const RunMode* mode;
        Prepare set;  // null: NT, an administrator, the folder in the machine's antivirus value
        std::deque<int> answers;  // IDYES once they run out
        std::vector<UINT> boxes;
        const char* log;
        std::vector<std::string> called = {}, notCalled = {};  // by the start of the call
        int quit = -1;
    } cases[] = {
        {"not an administrator on NT: 117 and nothing else", &kInteractiveRun, [](FakeOperations& f) { f.admin = 0; },
         {}, {IDS_NOT_ADMIN}, "", {"GetVersion", "CanManageServices"}, {"GetOSDescription"}},
        {"the 95 family is not asked for administrator rights", &kInteractiveRun,
         [](FakeOperations& f) { f.version = 0xC0000A04, f.admin = 0, f.nt = 0; }, {IDNO}, {IDS_CONFIRM_REMOVE_ALL},
         "", {"GetVersion"}, {"CanManageServices", "GetOSDescription"}},
        {"interactive on Vista, the firewall's value names the folder", &kInteractiveRun,
         [](FakeOperations& f) { f.vista = 1, f.lookup = 2; }, {}, all, "+++++",
         WithRecords({"EnableProcessPrivileges", "OpenBackup", "RestoreScriptEngines", "DeleteProductKeys(HKLM)",
                      "DeleteProductKeys(HKCU)", "DeleteDriverServiceKeys", "DeleteRunValues", "TerminateProductProcesses",
                      "PreserveUserRules C:\\Apps\\ZRP2007", "RemoveProductFolder C:\\Apps\\ZRP2007",
                      "ScheduleFolderRemoval C:\\Apps\\ZRP2007\\", "PrepareVistaCompanion", "Restart"}),
         {"ReadUpdate", "ReadStartFolder", "HoldsSuiteProgram", "DeleteUpdateKey"}},
        {"silent: no administrator test, the update keys only, a second start", &kSilentRun,
         [](FakeOperations& f) { f.admin = 0; }, {}, {IDS_ASK_RESTART}, "+++++",
         {"DeleteUpdateKey(HKLM)", "DeleteUpdateKey(HKCU)", "ScheduleFolderRemoval C:\\Apps\\ZRP2007\\", "Restart"},
         {"GetVersion", "CanManageServices", "DeleteProductKeys", "PreserveUserRules", "PrepareVistaCompanion"}},
        {"silent on Vista: the rules kept and the companion instead of a second start", &kSilentRun, Vista, {},
         {IDS_ASK_RESTART}, "+++++", {"DeleteUpdateKey(HKLM)", "DeleteUpdateKey(HKCU)", "PreserveUserRules",
                                      "PrepareVistaCompanion", "Restart"},
         {"DeleteProductKeys", "ScheduleFolderRemoval"}},
        // A failed step changes its own line's suffix, nothing else.
        {"script engines fail", &kInteractiveRun, [](FakeOperations& f) { f.engines = E_FAIL; }, yyn, all, "-++++"},
        {"machine keys fail", &kInteractiveRun, [](FakeOperations& f) { f.machineKeys = 0; }, yyn, all, "+-+++"},
        {"user keys fail", &kInteractiveRun, [](FakeOperations& f) { f.userKeys = 0; }, yyn, all, "+-+++"},
        {"driver keys fail", &kInteractiveRun, [](FakeOperations& f) { f.driverKeys = 0; }, yyn, all, "+-+++"},
        {"run values fail", &kInteractiveRun, [](FakeOperations& f) { f.runValues = 0; }, yyn, all, "+-+++"},
        {"services fail", &kInteractiveRun, [](FakeOperations& f) { f.services = 0; }, yyn, all, "++-++"},
        {"processes fail", &kInteractiveRun, [](FakeOperations& f) { f.processes = 0; }, yyn, all, "++-++"},
        {"only the third record counts: the first two fail", &kInteractiveRun,
         [](FakeOperations& f) { f.records = {0, 0, 1}; }, yyn, all, "+++++"},
        {"only the third record counts: it fails", &kInteractiveRun, [](FakeOperations& f) { f.records = {1, 1, 0}; },
         yyn, all, "+++-+"},
        {"the 95 family has no services to fail", &kInteractiveRun,
         [](FakeOperations& f) { f.nt = 0, f.version = 0xC0000A04, f.services = 0; }, yyn, all, "+++++"},
        {"No to the file question: files kept, still prepared and asked", &kInteractiveRun, Vista,
         {IDYES, IDNO, IDNO}, all, "++++n", {"PrepareVistaCompanion"},
         {"PreserveUserRules", "RemoveProductFolder", "ScheduleFolderRemoval", "Restart"}},
        {"no folder anywhere: 107, then 110 under the default title", &kInteractiveRun,
         [](FakeOperations& f) { f.lookup = -1, f.vista = 1; }, {}, noFolder, "++++-",
         {"ReadUpdate", "ReadStartFolder", "TerminateProductProcesses"},
         {"PreserveUserRules", "RemoveProductFolder", "ScheduleFolderRemoval", "PrepareVistaCompanion", "Restart"}},
        {"an unsupported system: its box, quit 3", &kInteractiveRun,
         [](FakeOperations& f) { f.supported = 0, f.description = "Microsoft Windows NT "; }, {},
         {IDS_CONFIRM_REMOVE_ALL, IDS_OS_PREFIX}, "", {}, {"EnableProcessPrivileges", "ReadAntivirus"}, 3},
        {"an unsupported system, silent: no box, quit 3", &kSilentRun, [](FakeOperations& f) { f.supported = 0; }, {},
         {}, "", {"GetOSDescription"}, {"EnableProcessPrivileges", "ReadAntivirus"}, 3},
        {"the user's antivirus value found: no further value read", &kInteractiveRun,
         [](FakeOperations& f) { f.lookup = 1; }, yyn, all, "+++++", {"ReadAntivirus(HKCU)"},
         {"ReadFirewall", "ReadUpdate"}},
        {"silent, no folder, 107 declined: ends before any removal", &kSilentRun, NoFolderButTheCommandLine, {IDNO},
         {IDS_NO_INSTALL_PATH}, "", {"ReadUpdate"}, {"ReadStartFolder", "OpenBackup", "RestoreScriptEngines"}},
        {"the registry knows none, the command line names one", &kInteractiveRun, NoFolderButTheCommandLine, yyn,
         all, "+++++", {"RemoveProductFolder C:\\Apps\\ZRP2007\\", "ScheduleFolderRemoval C:\\Apps\\ZRP2007\\"}},
        {"a folder the registry knows wins over the command line", &kInteractiveRun,
         [](FakeOperations& f) { f.startFolder = "C:\\Other\\"; }, yyn, all, "+++++",
         {"RemoveProductFolder C:\\Apps\\ZRP2007"}, {"ReadStartFolder"}},
        {"a refused folder fails the file line and gets no second start", &kInteractiveRun,
         [](FakeOperations& f) { f.folderCleaned = 0; }, yyn, all, "++++-", {}, {"ScheduleFolderRemoval"}},
        {"a refused folder, silent", &kSilentRun, [](FakeOperations& f) { f.folderCleaned = 0; }, yyn,
         {IDS_ASK_RESTART}, "++++-", {}, {"ScheduleFolderRemoval"}},
        {"rules copied nowhere are kept and fail the file line", &kInteractiveRun,
         [](FakeOperations& f) { f.vista = 1, f.rulesCopied = 0; }, yyn, all, "++++-", {"PreserveUserRules"}},
        // A folder only a per-user value names is cleaned by a run that asks no
        // one before the files only when the suite is there (else 107).
        {"silent, machine value", &kSilentRun, [](FakeOperations& f) { f.holdsSuite = 0; }, yyn, {IDS_ASK_RESTART},
         "+++++", {"RemoveProductFolder"}, {"HoldsSuiteProgram"}},
        {"silent, user's antivirus value, no suite", &kSilentRun,
         [](FakeOperations& f) { f.lookup = 1, f.holdsSuite = 0; }, yyn, {IDS_NO_INSTALL_PATH}, "++++-",
         {"HoldsSuiteProgram"}, {"RemoveProductFolder"}},
        {"silent, firewall value, no suite", &kSilentRun, [](FakeOperations& f) { f.lookup = 2, f.holdsSuite = 0; },
         yyn, {IDS_NO_INSTALL_PATH}, "++++-", {"HoldsSuiteProgram"}, {"RemoveProductFolder"}},
        {"silent, update value, suite there", &kSilentRun, [](FakeOperations& f) { f.lookup = 3; }, yyn,
         {IDS_ASK_RESTART}, "+++++", {"HoldsSuiteProgram", "RemoveProductFolder"}},
        {"interactive, user value, no suite: the person confirms it", &kInteractiveRun,
         [](FakeOperations& f) { f.lookup = 1, f.holdsSuite = 0; }, yyn, all, "+++++", {"RemoveProductFolder"},
         {"HoldsSuiteProgram"}},
        {"preview, user value, no suite: and never a backup", &kPreviewRun,
         [](FakeOperations& f) { f.lookup = 1, f.holdsSuite = 0; }, yyn, noFolder, "++++-", {},
         {"RemoveProductFolder", "OpenBackup"}},
        {"quiet, update value, suite there", &kQuietRun, [](FakeOperations& f) { f.lookup = 3; }, yyn, all, "+++++",
         {"RemoveProductFolder"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Ran run(*c.mode, c.set, c.answers);
        const FakeOperations& f = run.ops;
        const FakeHost& h = run.host;
        std::vector<UINT> shown;
        for (const FakeBox& b : h.boxes) {
            shown.push_back(b.id);
            const Look* look = std::find_if(std::begin(kLooks), std::end(kLooks), [&](const Look& l) { return l.id == b.id; });
            ASSERT_NE(look, std::end(kLooks)) << "box " << b.id;
            EXPECT_EQ(b.text, TextOf(b.id, f)) << "box " << b.id;
            EXPECT_EQ(b.defaultCaption, look->caption == kDefault) << "box " << b.id;
            if (look->caption != kDefault) {
                EXPECT_EQ(b.caption, c.mode->hasCaptions && look->caption ? S(look->caption) : "") << "box " << b.id;
            }
            EXPECT_EQ(b.type, look->type) << "box " << b.id;
            EXPECT_EQ(b.progress, c.mode->hasWindow ? look->progress : -1) << "box " << b.id;
        }
        EXPECT_EQ(shown, c.boxes);
        EXPECT_EQ(h.log, Log(c.log));
        EXPECT_EQ(h.quit, c.quit);
        for (const std::string& op : c.called) EXPECT_TRUE(f.Called(op)) << op;
        for (const std::string& op : c.notCalled) EXPECT_FALSE(f.Called(op)) << op;

        // What holds for every run.
        const bool logged = *c.log != '\0';
        EXPECT_EQ(h.runDisabled, c.mode->hasWindow);  // for good, and only where there is a button
        const bool windowed = c.mode->hasWindow && logged;
        const std::vector<int> positions = {0, 10, 20, 30, 40, 50, 60, 70, 100};
        EXPECT_EQ(h.progress, windowed ? positions : std::vector<int>());
        EXPECT_EQ(h.refreshes, windowed ? 6 : 0);
        EXPECT_EQ(f.Called("RemoveProductServices"), logged && f.nt) << "services only on NT";
        // One buffer through the steps: the second start sees the appended backslash.
        if (f.scheduledBuffer) {
            EXPECT_EQ(f.scheduledBuffer, f.folderBuffer);
        }
        // What the rule copies could not copy, the folder removal keeps.
        if (f.Called("PreserveUserRules") && f.Called("RemoveProductFolder")) {
            const std::vector<std::string> kept = {f.folder + "\\Rules"};
            EXPECT_EQ(f.kept, f.rulesCopied ? std::vector<std::string>() : kept);
        }
    }
}

// What the tool accepts as its folder when started with an argument.
TEST(StartFolder, OnlyAnExistingAbsoluteFolderThatWouldBeCleaned) {
    tolmtest::ScratchDir s("startdir");
    const std::string dir = s / "Velkaris\\ZRP2007";
    ASSERT_TRUE(::CreateDirectoryA((s / "Velkaris").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA(dir.c_str(), nullptr));
    ASSERT_TRUE(tolmtest::WriteFile(dir + "\\file.txt", "x"));
    char system[MAX_PATH];
    ASSERT_GT(::GetSystemDirectoryA(system, MAX_PATH), 3u);
    char cwd[MAX_PATH];
    ::GetCurrentDirectoryA(MAX_PATH, cwd);
    ::SetCurrentDirectoryA((s / "Velkaris").c_str());
    struct Case {
        std::string argument;
        std::string taken;  // "" refused
    } cases[] = {
        {dir + "\\", dir + "\\"},
        {dir, dir},
        {dir + "\\  ", dir + "\\"},  // blanks after it are no part of a folder name
        {"ZRP2007", ""},  // relative, though it exists below the current folder
        {"-s", ""},
        {"\"" + dir + "\"", ""},
        {dir + "\\missing\\", ""},
        {dir + "\\file.txt", ""},
        {system, ""},
        {std::string(system, 3), ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        char buffer[261];
        std::strcpy(buffer, "untouched");
        const int got = StartFolderFromArgument(c.argument.c_str(), buffer, sizeof buffer);
        EXPECT_EQ(got, c.taken.empty() ? 0 : 1) << c.argument;
        EXPECT_EQ(std::string(buffer), c.taken.empty() ? "untouched" : c.taken) << c.argument;
    }
    ::SetCurrentDirectoryA(cwd);
    char buffer[261] = {};
    EXPECT_EQ(0, StartFolderFromArgument(nullptr, buffer, sizeof buffer));
}

}  // namespace
