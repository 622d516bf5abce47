// The shell functions looked up at run time, with their DLLs there and with
// each DLL missing (disabled for the probe's name through Wine's DllOverrides),
// as on a Windows 95 or NT 4 without Internet Explorer 4's components.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace tolmtest;

namespace {

struct Case {
    const char* tag;
    std::initializer_list<const char*> missing;
    // folder fetched, folder is the system folder (empty when not fetched),
    // SHDeleteKeyA's result for a missing key tree, tracking started
    const char* expected;
};

const Case kCases[] = {
    {"all", {}, "1 1 2 1"},
    {"noshell32", {"shell32"}, "0 1 2 1"},
    {"noshlwapi", {"shlwapi"}, "0 1 120 1"},  // Wine's shell32 needs shlwapi.dll: it fails to load too
    {"nocomctl32", {"comctl32"}, "1 1 2 0"},
    {"noie4", {"shell32", "shlwapi", "comctl32"}, "0 1 120 0"},
};

}  // namespace

TEST(ShellCalls, MissingFunctionsFailLikeTheCall) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.tag);
        const std::string exeName = std::string("shellprobe_") + c.tag + ".exe";
        ScopedDisabledDlls disabled(exeName, c.missing);
        ASSERT_TRUE(disabled.Ok());
        ScratchDir dir(std::string("shellprobe_") + c.tag);
        std::string line;
        ASSERT_TRUE(RunProbeAs(BinDir() + "\\tests\\sys\\shellprobe.exe", dir, exeName, &line));
        EXPECT_EQ(c.expected, line);
    }
}
