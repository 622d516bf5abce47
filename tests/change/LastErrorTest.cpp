// Reporting never changes what a caller reads afterwards: each change and each
// note of the report, made with a report (and a backup) installed that clobber
// the last error as files being written do, leaves the failed call's own error.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "../../cleanup/change/ChangeSession.h"
#include "../../cleanup/change/FileChanges.h"
#include "../../cleanup/change/RegistryChanges.h"
#include "../../cleanup/change/SystemChanges.h"
#include "../../cleanup/report/RunReport.h"
#include "CapturedReport.h"
#include "FileTestSupport.h"
#include "RegTestSupport.h"

namespace {

const DWORD kStale = 0xdeadbeef;        // set before each call
const DWORD kClobbered = ERROR_WRITE_FAULT;  // what writing the report and the backup leave
const DWORD kSucceeded = 0xFFFFFFFF;

class ClobberingBackup : public change::RegistryBackup {
public:
    bool SaveTree(HKEY, const char*, change::SaveObstacle*) override {
        ::SetLastError(kClobbered);
        return true;
    }
    bool SaveValue(HKEY, const char*, const char*, change::SaveObstacle*) override {
        ::SetLastError(kClobbered);
        return true;
    }
};

// The error a caller of a BOOL call reads.
DWORD Error(BOOL ok) { return ok ? kSucceeded : ::GetLastError(); }

BOOL WINAPI RefusedTermination(HANDLE, UINT) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}
DWORD WINAPI NoWait(HANDLE, DWORD) { return WAIT_OBJECT_0; }
BOOL WINAPI RefusedRestart(UINT, DWORD) {
    ::SetLastError(ERROR_PRIVILEGE_NOT_HELD);
    return FALSE;
}

// A note made after a failed call of the system's: the call's error, or 0
// when the note changed it.
DWORD NoteAfterAFailure(void (*note)()) {
    ::GetFileAttributesA("C:\\tolmtest\\missing\\x");
    const DWORD e = ::GetLastError();
    note();
    return ::GetLastError() == e ? e : 0;
}

TEST(LastError, EveryChangeAndNoteLeavesTheFailedCallsOwn) {
    tolmtest::ScratchDir s("lasterror");
    const std::string missing = s / "missing.txt", full = s / "full", held = s / "held.txt";
    ASSERT_TRUE(filetest::MakeFile(full + "\\file.txt"));
    ASSERT_TRUE(filetest::MakeFile(held));
    // Open without the sharing a deletion needs: the file is in use.
    const HANDLE holder = ::CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const char kKey[] = "Software\\TolmTest\\LastError";
    ASSERT_TRUE(regtest::CreateKey(HKEY_CURRENT_USER, kKey));
    RegKeyHolder readOnly, writable;
    ASSERT_EQ(change::OpenKey(HKEY_CURRENT_USER, kKey, KEY_READ, readOnly), ERROR_SUCCESS);
    ASSERT_EQ(change::OpenKey(HKEY_CURRENT_USER, kKey, KEY_ALL_ACCESS, writable), ERROR_SUCCESS);
    const RegKeyHolder &key = writable, &readKey = readOnly;
    const std::string missingKey = std::string(kKey) + "\\Missing";
    const change::EndCalls refused = {RefusedTermination, NoWait};
    using change::Mode;

    struct Case {
        const char* name;
        Mode mode;
        std::function<DWORD()> call;  // the error its caller reads
        DWORD expected;
    } cases[] = {
        {"RemoveFile, absent", Mode::Act, [&] { return Error(change::RemoveFile(missing.c_str())); }, ERROR_FILE_NOT_FOUND},
        {"RemoveFile, absent, preview", Mode::Preview, [&] { return Error(change::RemoveFile(missing.c_str())); },
         ERROR_FILE_NOT_FOUND},
        {"RemoveFile, in use", Mode::Act, [&] { return Error(change::RemoveFile(held.c_str())); }, ERROR_SHARING_VIOLATION},
        {"RemoveFileIfPresent, in use", Mode::Act, [&] { return Error(change::RemoveFileIfPresent(held.c_str())); },
         ERROR_SHARING_VIOLATION},
        {"RemoveFolder, not empty", Mode::Act, [&] { return Error(change::RemoveFolder(full.c_str(), true)); },
         ERROR_DIR_NOT_EMPTY},
        {"RemoveFolder, not empty, preview", Mode::Preview,
         [&] { return Error(change::RemoveFolder(full.c_str(), false)); }, ERROR_DIR_NOT_EMPTY},
        {"RemoveFolder, absent", Mode::Act, [&] { return Error(change::RemoveFolder(missing.c_str(), false)); },
         ERROR_FILE_NOT_FOUND},
        {"CopyToFile, no source", Mode::Act, [&] { return Error(change::CopyToFile(missing.c_str(), (s / "copy").c_str())); },
         ERROR_FILE_NOT_FOUND},
        {"DeleteValue, absent", Mode::Act, [&] { return DWORD(change::DeleteValue(key, "missing")); }, ERROR_FILE_NOT_FOUND},
        {"DeleteKey, absent", Mode::Act,
         [&] { return DWORD(change::DeleteKey(HKEY_CURRENT_USER, missingKey.c_str())); }, ERROR_FILE_NOT_FOUND},
        {"DeleteSubkey, absent", Mode::Act, [&] { return DWORD(change::DeleteSubkey(key, "Missing")); }, ERROR_FILE_NOT_FOUND},
        {"DeleteTree, absent", Mode::Act,
         [&] { return DWORD(change::DeleteTree(HKEY_CURRENT_USER, missingKey.c_str())); }, ERROR_FILE_NOT_FOUND},
        {"WriteString, a key opened to read", Mode::Act, [&] { return DWORD(change::WriteString(readKey, "v", "x")); },
         ERROR_ACCESS_DENIED},
        {"StopService, no service", Mode::Act,
         [&] { SERVICE_STATUS st; return Error(change::StopService(nullptr, "TolmNone", &st)); }, ERROR_INVALID_HANDLE},
        {"StopService, no service, preview", Mode::Preview,
         [&] { SERVICE_STATUS st; return Error(change::StopService(nullptr, "TolmNone", &st)); }, ERROR_INVALID_HANDLE},
        {"DeleteService, no service", Mode::Act,
         [&] { return Error(change::DeleteService(nullptr, "TolmNone", false)); }, ERROR_INVALID_HANDLE},
        {"EndProcess, termination refused", Mode::Act,
         [&] { return Error(change::EndProcess(refused, nullptr, "x.exe", 1, 0)); }, ERROR_ACCESS_DENIED},
        {"Restart, refused", Mode::Act, [&] { return Error(change::Restart(RefusedRestart)); }, ERROR_PRIVILEGE_NOT_HELD},
        {"Note", Mode::Act, [] { return NoteAfterAFailure([] { report::Note("x %d", 1); }); }, ERROR_PATH_NOT_FOUND},
        {"Section", Mode::Act, [] { return NoteAfterAFailure([] { report::Section("x"); }); }, ERROR_PATH_NOT_FOUND},
        {"Flush", Mode::Act, [] { return NoteAfterAFailure([] { report::Flush(); }); }, ERROR_PATH_NOT_FOUND},
        {"InstallFolder", Mode::Act, [] { return NoteAfterAFailure([] { report::InstallFolder("C:\\x"); }); },
         ERROR_PATH_NOT_FOUND},
        {"Opened", Mode::Act, [] { return NoteAfterAFailure([] { report::Opened(HKEY_CURRENT_USER, "x", 2); }); },
         ERROR_PATH_NOT_FOUND},
        {"Kept", Mode::Act, [] { return NoteAfterAFailure([] { report::Kept("file", "C:\\x", "why"); }); },
         ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tolmtest::CapturedReport report(nullptr, kClobbered);
        ReportScope scope(&report);
        change::Session session(c.mode);
        ClobberingBackup backup;
        session.SetBackup(&backup);
        ::SetLastError(kStale);
        EXPECT_EQ(c.call(), c.expected);
        // The report had its chance to clobber the error.
        EXPECT_TRUE(!report.Record().events.empty() || !report.Record().folder.empty());
    }
    ::CloseHandle(holder);
    readOnly.Close();
    writable.Close();
    regtest::DeleteTree(HKEY_CURRENT_USER, "Software\\TolmTest\\LastError");
}

}  // namespace
