#include "Seeding.h"

#include <shlwapi.h>

#include "MachineAccess.h"
#include "Places.h"
#include "TestSupport.h"

namespace footprint {
namespace {

// HKCU: what Unseed must put back, and which parents the seeding made.
const char kState[] = "Software\\TolmE2E";
const char kReplaced[] = "Software\\TolmE2E\\Replaced";
const char kVxdKey[] = "SYSTEM\\CurrentControlSet\\Services\\VxD";
// How the saved value of a replaced one says it was not there.
const char kNoKey[] = "no key";
const char kNoValue[] = "no value";

bool Saved(const char* name) {
    DWORD type = 0;
    std::string data;
    return ReadValue(HKEY_CURRENT_USER, kState, name, &type, &data) && data == "1";
}

// Keeps a system value that the seeding replaces, with its type, or what was missing.
void SaveReplaced(const Item& v) {
    DWORD type = REG_NONE;
    std::string data;
    if (!KeyExists(v.root, v.path))
        data = kNoKey;
    else if (!ReadValue(v.root, v.path, v.value, &type, &data))
        type = REG_NONE, data = kNoValue;
    SetValue(HKEY_CURRENT_USER, kReplaced, v.Where(), type, data);
}

void PutBackReplaced(const Item& v) {
    DWORD type = REG_NONE;
    std::string data;
    if (!ReadValue(HKEY_CURRENT_USER, kReplaced, v.Where(), &type, &data)) return;  // never replaced
    if (type == REG_NONE && data == kNoKey) {
        ::SHDeleteKeyA(v.root, v.path.c_str());
        const std::string parent = v.path.substr(0, v.path.rfind('\\'));
        ::RegDeleteKeyA(v.root, parent.c_str());  // made by the seeding, unless something else lives in it
    } else if (type == REG_NONE && data == kNoValue) {
        DeleteValue(v.root, v.path, v.value);
    } else {
        SetValue(v.root, v.path, v.value, type, data);
    }
}

bool Lay(const Item& item, std::string* why) {
    bool ok = true;
    switch (item.kind) {
        case Kind::Key: ok = CreateKey(item.root, item.path); break;
        case Kind::Value:
            if (!item.restored.empty()) SaveReplaced(item);
            ok = SetValue(item.root, item.path, item.value, item.type, item.data);
            break;
        case Kind::File: ok = MakeFile(item.path, item.data.empty() ? "e2e" : item.data); break;
        case Kind::Folder:
            ok = MakeFolder(item.path);
            for (const std::string& file : item.contents) ok = ok && MakeFile(item.path + "\\" + file, "[link]");
            break;
        case Kind::Service:
        case Kind::Process: break;  // started once everything else is there
    }
    if (!ok) *why = "cannot lay down " + item.Where();
    return ok;
}

}  // namespace

bool LaidDown(const Item& item, const Installed& installed) {
    if (item.owner == Owner::Run) return false;
    if (item.kind == Kind::Service) return installed.services;
    if (item.kind == Kind::Process) return installed.processes;
    return true;
}

Installation::Installation(const Footprint& footprint, const Installed& installed)
    : m_footprint(footprint), m_installed(installed) {}

Installation::~Installation() {
    ReleaseHeldFile();
    for (HANDLE h : m_children) {
        ::TerminateProcess(h, 0);
        ::WaitForSingleObject(h, 2000);
        ::CloseHandle(h);
    }
    if (!m_leave) Unseed(m_footprint);
}

void Installation::ReleaseHeldFile() {
    if (m_held != INVALID_HANDLE_VALUE) ::CloseHandle(m_held);
    m_held = INVALID_HANDLE_VALUE;
}

bool Installation::Seed(std::string* why) {
    Unseed(m_footprint);
    if (!m_footprint.Problem().empty()) {
        *why = m_footprint.Problem();
        return false;
    }
    MakeFolder(kToolDir);  // where the copy of the tool goes
    SetValue(HKEY_CURRENT_USER, kState, "VxD", REG_SZ, KeyExists(HKEY_LOCAL_MACHINE, kVxdKey) ? "1" : "0");
    SetValue(HKEY_CURRENT_USER, kState, "Records", REG_SZ, Exists(RecordRoot()) ? "1" : "0");
    for (const Item& item : m_footprint.Items())
        if (LaidDown(item, m_installed) && !Lay(item, why)) return false;

    for (const Item& item : m_footprint.Items()) {
        if (item.kind != Kind::Process || !LaidDown(item, m_installed)) continue;
        HANDLE child = StartNamedProgram(kProcDir, item.path, why);
        if (!child) return false;
        m_children.push_back(child);
    }
    for (const Item& item : m_footprint.Items()) {
        if (item.kind == Kind::Process && LaidDown(item, m_installed) &&
            !tolmtest::WaitUntil([&] { return !tolmtest::ProcessesNamed(item.path.c_str()).empty(); }, 5000)) {
            *why = item.path + " not seen";
            return false;
        }
        if (item.kind == Kind::Service && LaidDown(item, m_installed) &&
            !(proctest::InstallTestService(item.path.c_str(), proctest::StopMode::Quick) &&
              proctest::StartTestService(item.path.c_str()))) {
            *why = "the test service " + item.path + " is not installed and running";
            return false;
        }
    }
    if (m_installed.fileInUse && !m_footprint.InstallDir().empty()) {
        const std::string held = m_footprint.InstallDir() + "\\" + kHeldFile;
        m_held = ::CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (m_held == INVALID_HANDLE_VALUE) {
            *why = "cannot hold " + held;
            return false;
        }
    }
    return true;
}

void Unseed(const Footprint& footprint) {
    const std::vector<Item>& items = footprint.Items();
    for (const Item& item : items) {
        if (item.kind == Kind::Process) EndProcessesNamed(item.path.c_str());
        if (item.kind == Kind::Service) proctest::RemoveTestService(item.path.c_str());
    }
    for (const Item& item : items) {
        if (item.kind == Kind::Value && !item.restored.empty()) PutBackReplaced(item);
        else if (item.kind == Kind::Value) DeleteValue(item.root, item.path, item.value);
    }
    for (const Item& item : items) {
        if (item.kind == Kind::Key) ::SHDeleteKeyA(item.root, item.path.c_str());
        if (item.kind == Kind::File && !EndsWithBackslash(item.path)) ::DeleteFileA(item.path.c_str());
        if (item.kind == Kind::Folder) DeleteFolderTree(item.path);
    }
    if (!Saved("VxD")) ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kVxdKey);
    if (!Saved("Records")) ::RemoveDirectoryA(RecordRoot().c_str());
    tolmtest::RemoveTestTree(kRoot);
    ::SHDeleteKeyA(HKEY_CURRENT_USER, kState);
}

}  // namespace footprint
