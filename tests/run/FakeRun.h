// The run sequence with its operations substituted: fakes that report what a
// test sets and note every call, and a window that answers from a list.
#pragma once
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "../../cleanup/files/KeptPaths.h"
#include "../../run/RunSequence.h"

namespace fakerun {

// What the fake operations report and what they saw.
struct Fake {
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
    std::string scheduled;
    const char* scheduledBuffer = nullptr;
    int folderCleaned = 1;    // what the folder removal reports
    std::string startFolder;  // what the command line names, "" none
    int holdsSuite = 1;       // whether the folder holds one of the suite's programs
    int rulesCopied = 1;      // what the rule copies report
    std::vector<std::string> kept;  // what the folder removal was told to leave
};
// The fake that the operations report to while a test runs.
extern Fake* g;
// The operations, each reporting to g.
extern const RunOperations kFakeOps;

struct Box {
    std::string text;
    bool defaultCaption;
    std::string caption;
    UINT type;
    int progress;
};

class FakeHost : public RunHost {
public:
    std::deque<int> answers;  // answers in order; IDYES when none is left
    std::vector<Box> boxes;
    std::string log;
    std::vector<int> progress;
    int refreshes = 0;
    bool runDisabled = false;
    int quit = -1;

    int Message(const char* text, const char* caption, UINT type) override;
    void AppendLog(const CString& text) override { log += text.GetString(); }
    void RefreshLog() override { ++refreshes; }
    void SetProgress(int p) override { progress.push_back(p); }
    void DisableRunButton() override { runDisabled = true; }
    void PostQuit(int code) override { quit = code; }
};

// The program's string id.
std::string S(UINT id);

class RunSequence : public ::testing::Test {
protected:
    void SetUp() override { g = &fake; }
    void TearDown() override { g = nullptr; }
    bool Called(const std::string& name) const {
        for (const auto& c : fake.calls)
            if (c.compare(0, name.size(), name) == 0) return true;
        return false;
    }
    Fake fake;
    FakeHost host;
};

}  // namespace fakerun
