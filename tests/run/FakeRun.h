// A run through substituted operations and a window stand-in: what each
// operation reports is set per test, and every call is recorded in order.
#pragma once
#include <windows.h>

#include <cstring>
#include <deque>
#include <memory>
#include <utility>
#include <string>
#include <vector>

#include "../../cleanup/files/KeptPaths.h"
#include "../../cleanup/report/RunReport.h"
#include "../../run/RunSequence.h"

class FakeOperations : public RunOperations {
public:
    std::vector<std::string> calls;
    DWORD version = 0x0A280105;  // NT: high bit clear
    int admin = 1, nt = 1, vista = 0, supported = 1;
    std::string description = "Microsoft Windows XP ";
    int lookup = 0;  // which lookup finds the folder (0..3), -1 none
    std::string folder = "C:\\Apps\\ZRP2007";
    HRESULT engines = S_OK;
    int machineKeys = 1, userKeys = 1, driverKeys = 1, runValues = 1, services = 1, processes = 1;
    std::vector<int> records = {1, 1, 1};
    size_t recordCall = 0;
    const char* folderBuffer = nullptr;  // the buffer the folder removal got
    const char* scheduledBuffer = nullptr;
    std::string scheduledSwitch;
    int folderCleaned = 1;    // what the folder removal reports
    std::string startFolder;  // what the command line names, "" none
    int holdsSuite = 1;       // whether the folder holds one of the suite's programs
    const char* refused = nullptr;  // why the folder's judgement refuses it, null: cleanable
    int rulesCopied = 1;      // what the rule copies report
    std::vector<std::string> kept;  // what the folder removal was told to leave
    // The report the run opens; null runs without one.
    std::unique_ptr<RunReport> (*openReport)() = nullptr;

    bool Called(const std::string& prefix) const {
        for (const auto& c : calls)
            if (c.compare(0, prefix.size(), prefix) == 0) return true;
        return false;
    }

    DWORD WindowsVersion() override { return Call("GetVersion"), version; }
    int CanManageServices() override { return Call("CanManageServices"), admin; }
    int IsWindowsNT() override { return nt; }
    int IsWindowsVista() override { return vista; }
    int GetOSDescription(CString& d) override {
        Call("GetOSDescription");
        d += description.c_str();
        return supported;
    }
    int EnableProcessPrivileges() override { return Call("EnableProcessPrivileges"), 0; }
    int ReadAntivirusProgramPath(char* b, HKEY root) override {
        Call(root == HKEY_LOCAL_MACHINE ? "ReadAntivirus(HKLM)" : "ReadAntivirus(HKCU)");
        return Found(b, root == HKEY_LOCAL_MACHINE ? 0 : 1);
    }
    int ReadFirewallProgramPath(char* b) override { return Call("ReadFirewall"), Found(b, 2); }
    int ReadUpdatePath(char* b) override { return Call("ReadUpdate"), Found(b, 3); }
    int ReadStartFolder(char* buffer, size_t capacity) override {
        Call("ReadStartFolder");
        if (startFolder.empty() || startFolder.size() >= capacity) return 0;
        std::strcpy(buffer, startFolder.c_str());
        return 1;
    }
    int HoldsSuiteProgram(const char* dir) override { return Call(std::string("HoldsSuiteProgram ") + dir), holdsSuite; }
    const char* JudgeFolders(char*) override { return refused; }
    HRESULT RestoreScriptEngines() override { return Call("RestoreScriptEngines"), engines; }
    int DeleteProductKeys(HKEY root) override {
        Call(root == HKEY_LOCAL_MACHINE ? "DeleteProductKeys(HKLM)" : "DeleteProductKeys(HKCU)");
        return root == HKEY_LOCAL_MACHINE ? machineKeys : userKeys;
    }
    int DeleteUpdateKey(HKEY root) override {
        Call(root == HKEY_LOCAL_MACHINE ? "DeleteUpdateKey(HKLM)" : "DeleteUpdateKey(HKCU)");
        return root == HKEY_LOCAL_MACHINE ? machineKeys : userKeys;
    }
    int DeleteDriverServiceKeys() override { return Call("DeleteDriverServiceKeys"), driverKeys; }
    int DeleteRunValues() override { return Call("DeleteRunValues"), runValues; }
    int RemoveProductServices() override { return Call("RemoveProductServices"), services; }
    int TerminateProductProcesses() override { return Call("TerminateProductProcesses"), processes; }
    int RemoveInstallerRecordFolder(const char* code) override {
        Call(std::string("RemoveInstallerRecordFolder ") + code);
        return records[recordCall++];
    }
    LONG DeleteRegistryTree(HKEY root, const char* key) override {
        Call(std::string(root == HKEY_LOCAL_MACHINE ? "DeleteRegistryTree HKLM\\" : "DeleteRegistryTree ?\\") + key);
        return 2;
    }
    int PreserveUserRules(const char* dir, KeptPaths* uncopied, RulesPlace place) override {
        Call(std::string("PreserveUserRules ") + dir + (place == RulesPlace::kAllUsers ? " for all users" : ""));
        if (!rulesCopied) uncopied->Add((std::string(dir) + "\\Rules").c_str());
        return rulesCopied;
    }
    int RemoveProductFolder(char* dir, size_t capacity, const KeptPaths* keep) override {
        Call(std::string("RemoveProductFolder ") + dir);
        if (keep) kept = keep->Paths();
        folderBuffer = dir;
        size_t n = std::strlen(dir);
        if (n && dir[n - 1] != '\\' && n + 1 < capacity) std::strcat(dir, "\\");
        return folderCleaned;
    }
    int ScheduleFolderRemoval(const char* dir, const char* startSwitch) override {
        Call(std::string("ScheduleFolderRemoval ") + dir);
        scheduledBuffer = dir;
        scheduledSwitch = startSwitch ? startSwitch : "<null>";
        return 1;
    }
    int PrepareVistaCompanion() override { return Call("PrepareVistaCompanion"), 1; }
    BOOL Restart() override { return Call("Restart"), TRUE; }
    std::unique_ptr<RunReport> OpenReport() override { return openReport ? openReport() : nullptr; }
    std::unique_ptr<change::RegistryBackup> OpenBackup(const char*, const std::string&) override {
        return Call("OpenBackup"), nullptr;
    }

private:
    void Call(const std::string& s) { calls.push_back(s); }
    int Found(char* buffer, int which) {
        if (lookup != which) return 0;
        std::strcpy(buffer, folder.c_str());
        return 1;
    }
};

struct FakeBox {
    UINT id;
    std::string text;
    bool defaultCaption;
    std::string caption;
    UINT type;
    int progress;
};

class FakeHost : public RunHost {
public:
    std::deque<int> answers;  // answers in order; IDYES when none is left
    std::vector<FakeBox> boxes;
    std::string log;
    std::vector<int> progress;
    int refreshes = 0;
    bool runDisabled = false;
    int quit = -1;
    std::vector<std::string>* calls = nullptr;  // where each box ("Message <id>") is noted among the operations

    int Message(UINT id, const char* text, const char* caption, UINT type) override {
        boxes.push_back({id, text, caption == nullptr, caption ? caption : "", type, progress.empty() ? -1 : progress.back()});
        if (calls) calls->push_back("Message " + std::to_string(id));
        int a = IDYES;
        if (!answers.empty()) {
            a = answers.front();
            answers.pop_front();
        }
        return a;
    }
    void AppendLog(const CString& text) override { log += text.GetString(); }
    void RefreshLog() override { ++refreshes; }
    void SetProgress(int p) override { progress.push_back(p); }
    void DisableRunButton() override { runDisabled = true; }
    void PostQuit(int code) override { quit = code; }
};

using Prepare = void (*)(FakeOperations&);

// A run through the fakes; every box is noted among the calls.
struct Ran {
    FakeOperations ops;
    FakeHost host;
    Ran(const RunMode& mode, Prepare set, std::deque<int> answers) {
        if (set) set(ops);
        host.calls = &ops.calls;
        host.answers = std::move(answers);
        RunUninstall(mode, host, ops);
    }
    // Index of the first (last) call that starts with prefix; -1 none.
    int First(const std::string& prefix, bool last = false) const {
        int found = -1;
        for (size_t i = 0; i < ops.calls.size(); ++i)
            if (ops.calls[i].compare(0, prefix.size(), prefix) == 0 && (last || found < 0)) found = static_cast<int>(i);
        return found;
    }
    int Last(const std::string& prefix) const { return First(prefix, true); }
};
