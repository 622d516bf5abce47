// Reporting never changes what a caller reads afterwards: each change and each
// note of the report, made with a report (and a backup) installed that clobber
// the last error as files being written do, leaves the failed call's own error.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "../../cleanup/change/ChangeOutcome.h"
#include "../../cleanup/change/ChangeSession.h"
#include "../../cleanup/change/FileChanges.h"
#include "../../cleanup/change/RegistryChanges.h"
#include "../../cleanup/change/SystemChanges.h"
#include "../../cleanup/report/RunReport.h"
#include "CapturedReport.h"
#include "FileTestSupport.h"
#include "RegTestSupport.h"

namespace {

const DWORD kClobbered = ERROR_WRITE_FAULT;  // what writing the report and the backup leave

class ClobberingBackup : public change::RegistryBackup {
public:
    bool SaveTree(HKEY, const char*, change::SaveObstacle*) override { return Clobber(); }
    bool SaveValue(HKEY, const char*, const char*, change::SaveObstacle*) override { return Clobber(); }
    static bool Clobber() {
        ::SetLastError(kClobbered);
        return true;
    }
};

// The error a caller of a BOOL call reads (0xFFFFFFFF when it succeeded).
DWORD Error(BOOL ok) { return ok ? 0xFFFFFFFF : ::GetLastError(); }

BOOL WINAPI Refused(HANDLE, UINT) { return ::SetLastError(ERROR_ACCESS_DENIED), FALSE; }
DWORD WINAPI NoWait(HANDLE, DWORD) { return WAIT_OBJECT_0; }
BOOL WINAPI RefusedRestart(UINT, DWORD) { return ::SetLastError(ERROR_PRIVILEGE_NOT_HELD), FALSE; }

// The error of a failed call of the system's, read after note: the call's own
// (path not found) unless the note changed it.
DWORD AfterNote(void (*note)()) {
    ::GetFileAttributesA("C:\\tolmtest\\missing\\x");
    note();
    return ::GetLastError();
}

TEST(LastError, EveryChangeAndNoteLeavesTheFailedCallsOwn) {
    tolmtest::ScratchDir s("lasterror");
    const std::string missing = s / "missing.txt", full = s / "full", held = s / "held.txt", copy = s / "copy";
    ASSERT_TRUE(filetest::MakeFile(full + "\\file.txt") && filetest::MakeFile(held));
    // Open without the sharing a deletion needs: the file is in use.
    FileHandle holder(::CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder.Valid());
    const char kKey[] = "Software\\TolmTest\\LastError";
    ASSERT_TRUE(regtest::CreateKey(HKEY_CURRENT_USER, kKey));
    RegKeyHolder readOnly, writable;
    ASSERT_EQ(change::OpenKey(HKEY_CURRENT_USER, kKey, KEY_READ, readOnly), ERROR_SUCCESS);
    ASSERT_EQ(change::OpenKey(HKEY_CURRENT_USER, kKey, KEY_ALL_ACCESS, writable), ERROR_SUCCESS);
    const RegKeyHolder &key = writable, &readKey = readOnly;
    const std::string missingKey = std::string(kKey) + "\\Missing";
    const HKEY cu = HKEY_CURRENT_USER;
    SERVICE_STATUS st;
    using namespace change;
    const Mode act = Mode::Act, preview = Mode::Preview;
    const DWORD absent = ERROR_FILE_NOT_FOUND, inUse = ERROR_SHARING_VIOLATION, noPath = ERROR_PATH_NOT_FOUND,
                denied = ERROR_ACCESS_DENIED, noHandle = ERROR_INVALID_HANDLE;
    // A call that fails without setting an error has failed all the same: never taken for done.
    const Change silent = {"file C:\\tolmtest\\x", PathItem("C:\\tolmtest\\x"), kDeletion};
    const Call failsSilently = [] { return ::SetLastError(0), Code(FALSE); };

    const struct {
        const char* name;
        Mode mode;
        std::function<DWORD()> call;  // the error its caller reads
        DWORD expected;
    } cases[] = {
        {"RemoveFile, absent", act, [&] { return Error(RemoveFile(missing.c_str())); }, absent},
        {"RemoveFile, absent, preview", preview, [&] { return Error(RemoveFile(missing.c_str())); }, absent},
        {"RemoveFile, in use", act, [&] { return Error(RemoveFile(held.c_str())); }, inUse},
        {"RemoveFileIfPresent, in use", act, [&] { return Error(RemoveFileIfPresent(held.c_str())); }, inUse},
        {"RemoveFolder, not empty", act, [&] { return Error(RemoveFolder(full.c_str(), true)); }, ERROR_DIR_NOT_EMPTY},
        {"RemoveFolder, not empty, preview", preview, [&] { return Error(RemoveFolder(full.c_str(), false)); },
         ERROR_DIR_NOT_EMPTY},
        {"RemoveFolder, absent", act, [&] { return Error(RemoveFolder(missing.c_str(), false)); }, absent},
        {"CopyToFile, no source", act, [&] { return Error(CopyToFile(missing.c_str(), copy.c_str())); }, absent},
        {"DeleteValue, absent", act, [&] { return DWORD(DeleteValue(key, "missing")); }, absent},
        {"DeleteKey, absent", act, [&] { return DWORD(DeleteKey(cu, missingKey.c_str())); }, absent},
        {"DeleteSubkey, absent", act, [&] { return DWORD(DeleteSubkey(key, "Missing")); }, absent},
        {"DeleteTree, absent", act, [&] { return DWORD(DeleteTree(cu, missingKey.c_str())); }, absent},
        {"WriteString, a key opened to read", act, [&] { return DWORD(WriteString(readKey, "v", "x")); }, denied},
        {"StopService, no service", act, [&] { return Error(StopService(nullptr, "None", &st)); }, noHandle},
        {"StopService, no service, preview", preview, [&] { return Error(StopService(nullptr, "None", &st)); },
         noHandle},
        {"DeleteService, no service", act, [&] { return Error(DeleteService(nullptr, "None", false)); }, noHandle},
        {"EndProcess, refused", act, [&] { return Error(EndProcess({Refused, NoWait}, nullptr, "x", 1, 0)); }, denied},
        {"Restart, refused", act, [&] { return Error(Restart(RefusedRestart)); }, ERROR_PRIVILEGE_NOT_HELD},
        {"a failure without an error", act, [&] { return Carry(silent, failsSilently, failsSilently); }, kNoReason},
        {"a failure without an error, preview", preview, [&] { return Carry(silent, failsSilently, failsSilently); },
         kNoReason},
        {"Note", act, [] { return AfterNote([] { report::Note("x %d", 1); }); }, noPath},
        {"Section", act, [] { return AfterNote([] { report::Section("x"); }); }, noPath},
        {"Flush", act, [] { return AfterNote([] { report::Flush(); }); }, noPath},
        {"InstallFolder", act, [] { return AfterNote([] { report::InstallFolder("C:\\x"); }); }, noPath},
        {"Opened", act, [] { return AfterNote([] { report::Opened(HKEY_CURRENT_USER, "x", 2); }); }, noPath},
        {"Kept", act, [] { return AfterNote([] { report::Kept("file", "C:\\x", "why"); }); }, noPath},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        tolmtest::CapturedReport report(nullptr, kClobbered);
        ReportScope scope(&report);
        Session session(c.mode);
        ClobberingBackup backup;
        session.SetBackup(&backup);
        ::SetLastError(0xdeadbeef);
        EXPECT_EQ(c.call(), c.expected);
        // The report had its chance to clobber the error.
        EXPECT_TRUE(!report.Record().events.empty() || !report.Record().folder.empty());
    }
    regtest::DeleteTree(HKEY_CURRENT_USER, "Software\\TolmTest\\LastError");
}

}  // namespace
