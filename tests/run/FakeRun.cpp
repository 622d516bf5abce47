#include "FakeRun.h"

#include <cstring>

namespace fakerun {

Fake* g = nullptr;

namespace {

void Call(const std::string& s) { g->calls.push_back(s); }
int Found(char* buffer, int which) {
    if (g->lookup != which) return 0;
    std::strcpy(buffer, g->folder.c_str());
    return 1;
}

}  // namespace

const RunOperations kFakeOps = {
    []() WINAPI -> DWORD { Call("GetVersion"); return g->version; },
    [] { Call("CanManageServices"); return g->admin; },
    [] { return g->nt; },
    [] { return g->vista; },
    [](CString& d) { Call("GetOSDescription"); d += g->description.c_str(); return g->supported; },
    [] { Call("EnableProcessPrivileges"); return 0; },
    [](char* b, HKEY root) {
        Call(root == HKEY_LOCAL_MACHINE ? "ReadAntivirus(HKLM)" : "ReadAntivirus(HKCU)");
        return Found(b, root == HKEY_LOCAL_MACHINE ? 0 : 1);
    },
    [](char* b) { Call("ReadFirewall"); return Found(b, 2); },
    [](char* b) { Call("ReadUpdate"); return Found(b, 3); },
    [] { Call("RestoreScriptEngines"); return g->engines; },
    [](HKEY root) { Call(root == HKEY_LOCAL_MACHINE ? "DeleteProductKeys(HKLM)" : "DeleteProductKeys(HKCU)");
                    return root == HKEY_LOCAL_MACHINE ? g->machineKeys : g->userKeys; },
    [](HKEY root) { Call(root == HKEY_LOCAL_MACHINE ? "DeleteUpdateKey(HKLM)" : "DeleteUpdateKey(HKCU)");
                    return root == HKEY_LOCAL_MACHINE ? g->machineKeys : g->userKeys; },
    [] { Call("DeleteDriverServiceKeys"); return g->driverKeys; },
    [] { Call("DeleteRunValues"); return g->runValues; },
    [] { Call("RemoveProductServices"); return g->services; },
    [] { Call("TerminateProductProcesses"); return g->processes; },
    [](const char* code) { Call(std::string("RemoveInstallerRecordFolder ") + code); return g->records[g->recordCall++]; },
    [](HKEY root, const char* key) -> LONG {
        Call(std::string(root == HKEY_LOCAL_MACHINE ? "DeleteRegistryTree HKLM\\" : "DeleteRegistryTree ?\\") + key);
        return 2;
    },
    [](const char* dir, KeptPaths* uncopied) {
        Call(std::string("PreserveUserRules ") + dir);
        if (!g->rulesCopied) uncopied->Add((std::string(dir) + "\\Rules").c_str());
        return g->rulesCopied;
    },
    [](char* dir, size_t capacity, const KeptPaths* keep) {
        Call(std::string("RemoveProductFolder ") + dir);
        if (keep) g->kept = keep->Paths();
        g->folderBuffer = dir;
        size_t n = std::strlen(dir);
        if (n && dir[n - 1] != '\\' && n + 1 < capacity) std::strcat(dir, "\\");
        return g->folderCleaned;
    },
    [](const char* dir) { Call(std::string("ScheduleFolderRemoval ") + dir); g->scheduledBuffer = dir; return 1; },
    [] { Call("PrepareVistaCompanion"); return 1; },
    [](UINT flags, DWORD reason) WINAPI -> BOOL {
        Call("ExitWindowsEx " + std::to_string(flags) + " " + std::to_string(reason));
        return TRUE;
    },
    [](char* buffer, size_t capacity) {
        Call("ReadStartFolder");
        if (g->startFolder.empty() || g->startFolder.size() >= capacity) return 0;
        std::strcpy(buffer, g->startFolder.c_str());
        return 1;
    },
    nullptr,  // no report
    [](const char* dir) { Call(std::string("HoldsSuiteProgram ") + dir); return g->holdsSuite; },
};

int FakeHost::Message(const char* text, const char* caption, UINT type) {
    boxes.push_back({text, caption == nullptr, caption ? caption : "", type, progress.empty() ? -1 : progress.back()});
    g->calls.push_back("Message");
    int a = IDYES;
    if (!answers.empty()) {
        a = answers.front();
        answers.pop_front();
    }
    return a;
}

std::string S(UINT id) {
    CString s;
    s.LoadString(id);
    return s.GetString();
}

}  // namespace fakerun
