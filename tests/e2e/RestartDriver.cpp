// Drives the tool that a restart starts. The boot runs this program from a
// RunOnce value of its own, named to run before "TQMUNLOAD"; it starts a
// detached copy of itself and returns at once, so that the boot goes on to
// start the tool. The copy waits for the tool, presses Run, answers Yes, Yes
// and No to the restart, and writes the texts of the boxes it saw, each ended
// by a NUL, to the record file.
//   e2e_restart_driver RECORD            from the boot
//   e2e_restart_driver RECORD --attach   the copy
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "ToolDriver.h"

namespace {

int StartCopy(const std::string& record) {
    std::string cmd = "\"" + tolmtest::SelfPath() + "\" \"" + record + "\" --attach";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &si, &pi))
        return 1;
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return 0;
}

int DriveTheTool(const std::string& record) {
    std::vector<DWORD> pids;
    tolmtest::WaitUntil([&] { return !(pids = tolmtest::ProcessesNamed("TolmUnload.exe")).empty(); }, 120000);
    std::string seen;
    if (!pids.empty()) {
        int boxes = 0;
        // Answered by place, not by text: the boot gives this process no language.
        const tooldriver::DriveResult r = tooldriver::DriveRunning(pids.front(), true, [&](const tooldriver::Box& b) {
            ++boxes;
            return b.buttons.size() == 1 ? IDOK : boxes <= 2 ? IDYES : IDNO;
        }, 240000);
        for (const tooldriver::Box& b : r.boxes) seen += b.text + '\0';
    }
    return tolmtest::WriteFile(record, seen.empty() ? std::string("no tool", 8) : seen) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    if (argc > 2 && std::strcmp(argv[2], "--attach") == 0) return DriveTheTool(argv[1]);
    return StartCopy(argv[1]);
}
