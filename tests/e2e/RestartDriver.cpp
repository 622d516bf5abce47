// Drives, or only watches, the tool that a restart starts. The boot runs this
// program from a RunOnce value of its own, named to run before "TQMUNLOAD"; it
// starts a detached copy of itself and returns at once, so that the boot goes
// on to start the tool. The copy waits for the tool, presses Run, answers Yes,
// Yes and No to the restart, and writes the texts of the boxes it saw, each
// ended by a NUL, to the record file; watching, it presses and answers nothing
// and writes what it saw: "window W boxes B exit C".
//   e2e_restart_driver RECORD [--watch]            from the boot
//   e2e_restart_driver RECORD --attach [--watch]   the copy
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "ToolDriver.h"

namespace {

int StartCopy(const std::string& record, bool watch) {
    std::string cmd = "\"" + tolmtest::SelfPath() + "\" \"" + record + "\" --attach" + (watch ? " --watch" : "");
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &si, &pi))
        return 1;
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return 0;
}

int DriveTheTool(const std::string& record, bool watch) {
    std::vector<DWORD> pids;
    tolmtest::WaitUntil([&] { return !(pids = tolmtest::ProcessesNamed("TolmUnload.exe")).empty(); }, 120000);
    std::string seen;
    if (watch) {
        if (pids.empty()) return tolmtest::WriteFile(record, "no tool") ? 0 : 1;
        const tooldriver::DriveResult r =
            tooldriver::DriveRunning(pids.front(), false, [](const tooldriver::Box&) { return IDOK; }, 240000);
        char text[80];
        wsprintfA(text, "window %d boxes %d exit %lu", r.mainSeen ? 1 : 0, static_cast<int>(r.boxes.size()),
                  r.exited ? r.exitCode : 0xFFFFFFFFul);
        return tolmtest::WriteFile(record, text) ? 0 : 1;
    }
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
    const bool watch = std::strcmp(argv[argc - 1], "--watch") == 0;
    if (argc > 2 && std::strcmp(argv[2], "--attach") == 0) return DriveTheTool(argv[1], watch);
    return StartCopy(argv[1], watch);
}
