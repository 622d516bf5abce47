// The demo's driver: lays down an installation of the suite, runs the tool on
// it as a user would and says what it did; says what the footprint expects it
// to say; or photographs the tool's windows.
//   demo_run run [--interactive]   the whole removal (the person answers with --interactive)
//   demo_run expect                what "run" must say of the machine, from the footprint
//   demo_run shots DIR PREFIX      BMP pictures of the windows into DIR (a Windows path)
// Texts are printed as UTF-8.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "../../res/resource.h"
#include "Demo.h"
#include "DemoSummary.h"
#include "Probe.h"
#include "ReportText.h"
#include "TestSupport.h"
#include "ToolTexts.h"

namespace demo {

footprint::Scenario DemoScenario() {
    footprint::Scenario s;
    s.installed.fileInUse = true;
    return s;
}

bool Seeded(footprint::Installation& install) {
    std::string why;
    if (install.Seed(&why)) return true;
    std::fprintf(stderr, "cannot lay down the installation: %s\n", why.c_str());
    return false;
}

tooldriver::Answerer DemoAnswers(const std::string& tool) {
    return tooldriver::AnswerByText({{tooldriver::ToolString(tool, IDS_CONFIRM_REMOVE_ALL), IDYES},
                                     {tooldriver::ToolString(tool, IDS_CONFIRM_DELETE_FILES), IDYES}});
}

namespace {

// The report's lines that contain one of the marks, without their indent.
std::vector<std::string> ReportLines(const std::string& report, std::initializer_list<const char*> marks) {
    std::vector<std::string> out;
    for (const std::string& line : tolmtest::Lines(report))
        for (const char* m : marks)
            if (line.find(m) != std::string::npos) {
                const size_t first = line.find_first_not_of(' ');
                out.push_back(first == std::string::npos ? line : line.substr(first));
                break;
            }
    return out;
}

// Runs the tool: driven as the demo's user, or (interactive) left to the person.
bool RunTool(const std::string& tool, bool interactive) {
    DWORD exitCode = 0;
    if (interactive) {
        Say("  (the window is on your display: press the Run button and answer its questions)");
        tolmtest::ChildProcess child;
        if (!child.Start("\"" + tool + "\"")) {
            std::fprintf(stderr, "cannot start the tool\n");
            return false;
        }
        ::WaitForSingleObject(child.Handle(), INFINITE);
        child.Wait(0, &exitCode);
    } else {
        Say("  A user presses Run and answers Yes, Yes, No:");
        const tooldriver::Answerer answer = DemoAnswers(tool);
        const tooldriver::DriveResult r = tooldriver::Drive(
            tool, "", true,
            [&](const tooldriver::Box& b) {
                const int a = answer(b);
                Say("  Question" + (b.caption.empty() ? std::string() : " [" + b.caption + "]") + ": " + b.text);
                Say(std::string("    -> ") + (a == IDYES ? "Yes" : a == IDNO ? "No" : "OK"));
                return a;
            },
            60000 * tolmtest::WaitScale());
        if (!r.trouble.empty()) {
            std::fprintf(stderr, "driving the tool: %s\n", r.trouble.c_str());
            return false;
        }
        exitCode = r.exitCode;
        Say("  The log box at the end:");
        SayIndented(r.finalLog, "    | ");
    }
    Say("  exit code " + std::to_string(exitCode));
    return true;
}

int RunDemo(bool interactive) {
    const footprint::Footprint fp(footprint::kNamedDir);
    footprint::Installation install(fp, DemoScenario().installed);
    if (!Seeded(install)) return 2;
    if (!::CopyFileA(tolmtest::ToolPath().c_str(), fp.Tool().c_str(), FALSE)) {
        std::fprintf(stderr, "cannot copy the tool to %s\n", fp.Tool().c_str());
        return 2;
    }
    const std::string reportPath = std::string(footprint::kToolDir) + "\\TolmUnload.log";
    ::DeleteFileA(reportPath.c_str());
    const footprint::Snapshot before = footprint::Probe(fp);
    SayInstalled(fp, before);

    Say("");
    Say("== The tool: " + fp.Tool() + " ==");
    if (!RunTool(fp.Tool(), interactive)) return 2;

    Say("");
    SayLeft(fp, before, footprint::Probe(fp));
    const std::string report = tolmtest::ReadWholeFile(reportPath).value_or("");
    Say("  kept, and why (from " + reportPath + "):");
    for (const std::string& line : ReportLines(report, {": kept, ", ": left, ", "marked for deletion"}))
        Say("    " + line);
    const std::vector<std::string> ends = ReportLines(report, {"End: "});
    Say(report.find("End: restart declined") != std::string::npos
            ? "  The restart was declined: what is in use goes after the next restart."
            : "  " + (ends.empty() ? std::string("(no end line)") : ends.back()));
    return 0;
}

// What "run" must say of the machine when the tool does what the footprint says.
int ExpectDemo() {
    const footprint::Footprint fp(footprint::kNamedDir);
    if (!fp.Problem().empty()) {
        std::fprintf(stderr, "%s\n", fp.Problem().c_str());
        return 2;
    }
    const footprint::Scenario scenario = DemoScenario();
    const footprint::Outcomes outcomes = footprint::Expect(fp, scenario);
    SayInstalled(fp, footprint::StateAfter(fp, footprint::Seeded(fp, scenario.installed)));
    Say("");
    SayLeft(fp, footprint::StateAfter(fp, footprint::Seeded(fp, scenario.installed)), footprint::StateAfter(fp, outcomes));
    SayKeptItems(fp, outcomes);
    return 0;
}

}  // namespace
}  // namespace demo

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "run") return demo::RunDemo(argc > 2 && std::strcmp(argv[2], "--interactive") == 0);
    if (mode == "expect") return demo::ExpectDemo();
    if (mode == "shots" && argc > 3) return demo::Shots(argv[2], argv[3]);
    std::fprintf(stderr, "usage: demo_run run [--interactive] | expect | shots DIR PREFIX\n");
    return 2;
}
