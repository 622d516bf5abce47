// Starts of the real tool that remove nothing: a question declined, a system
// refused, a command line that is no silent switch, a start that waits for
// Run. The machine afterwards is exactly as it was seeded.
#include "EndToEnd.h"

#include "../../res/resource.h"

namespace {

// How the tool's window ends such a start.
enum class Window {
    Shown,      // opened where the user sees it; closed with Exit
    OffScreen,  // the automatic start: asks from an invisible window
    Ends,       // the tool ends by itself
};

struct StartCase {
    const char* name;
    const char* installDir;  // "" none recorded
    std::string args;
    const char* version;     // what Wine tells the tool; null its default
    bool pressRun;
    std::vector<int> questions;  // asked in this order: Yes to each but the last, No (or OK) to that
    const char* description;     // the refused system's description in message 104
    Window window;
    DWORD exitCode;
    bool withoutIe4 = false;  // shell32 and shlwapi.dll kept from the tool, as before Internet Explorer 4
};

const std::vector<int> kYesNo = {IDYES, IDNO};
const std::vector<int> kOk = {IDOK};

// In the order that lays each installation down once.
std::vector<StartCase> Cases() {
    const std::vector<int> start = {IDS_CONFIRM_REMOVE_ALL};
    const std::vector<int> refused = {IDS_CONFIRM_REMOVE_ALL, IDS_OS_PREFIX};
    std::vector<StartCase> cases = {
        {"No to the start question", footprint::kNamedDir, "", nullptr, true, start, "", Window::Shown, 0},
        {"the automatic start, No to the start question", footprint::kNamedDir, "/silent", nullptr, false, start, "",
         Window::OffScreen, 0},
        {"-s with /silent: the automatic start", footprint::kNamedDir, "-s /silent", nullptr, false, start, "",
         Window::OffScreen, 0},
    };
    // What only looks like the silent switch opens the window.
    for (const char* args : {"\"-s \"", "/s", "-silent"})
        cases.push_back({"near miss of -s", footprint::kNamedDir, args, nullptr, false, {}, "", Window::Shown, 0});
    struct System {
        const char* version;
        const char* description;
        bool withoutIe4;
    };
    const System systems[] = {{"win95", "Microsoft Windows 95 ", false},
                              {"win95", "Microsoft Windows 95 ", true},
                              {"nt40", "Microsoft Windows NT ", true},
                              {"win2003", "Microsoft Windows Server 2003 family Standard Edition ", false}};
    for (const System& s : systems) {
        const char* name = s.withoutIe4 ? "refused system without Internet Explorer 4's DLLs" : "refused system";
        cases.push_back({name, footprint::kNamedDir, "", s.version, true, refused, s.description, Window::Ends, 3,
                         s.withoutIe4});
        cases.push_back({name, footprint::kNamedDir, "-s", s.version, false, {}, "", Window::Ends, 1, s.withoutIe4});
    }
    cases.push_back({"no folder recorded, No to going on", "", "", nullptr, true,
                     {IDS_CONFIRM_REMOVE_ALL, IDS_NO_INSTALL_PATH}, "", Window::Shown, 0});
    cases.push_back({"started again with the folder it left: waits for Run", footprint::kFullClearingDir,
                     std::string(footprint::kFullClearingDir) + "\\", nullptr, false, {}, "", Window::Shown, 0});
    return cases;
}

class NothingChanges : public EndToEnd {
protected:
    void ExpectBoxes(const StartCase& c, const tooldriver::DriveResult& r) const {
        ASSERT_EQ(r.boxes.size(), c.questions.size());
        for (size_t i = 0; i < c.questions.size(); ++i) {
            const int id = c.questions[i];
            if (id == IDS_OS_PREFIX)
                ExpectBox(r.boxes[i], id, M(IDS_CAPTION_ERROR), kOk, true,
                          M(IDS_OS_PREFIX) + "  " + c.description + ", " + M(IDS_OS_UNSUPPORTED));
            else
                ExpectBox(r.boxes[i], id, M(IDS_CAPTION_ALERT), kYesNo, id == IDS_CONFIRM_REMOVE_ALL);
            EXPECT_TRUE(r.boxes[i].ownedByMain) << "message " << id;
            EXPECT_EQ(r.boxes[i].ownerVisible, c.window != Window::OffScreen) << "message " << id;
        }
        if (c.questions.size() > 1 && c.questions[1] == IDS_NO_INSTALL_PATH) {
            EXPECT_EQ(r.boxes[1].progress, 0);
        }
    }
    void ExpectWindow(const StartCase& c, const tooldriver::DriveResult& r) const {
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_TRUE(r.exited);
        if (c.window == Window::Ends) return;
        EXPECT_TRUE(r.mainSeen);
        EXPECT_EQ(r.finalLog, "");
        // Pressed once, Run stays disabled for good.
        EXPECT_EQ(r.runEnabledAtEnd, !c.pressRun && c.window == Window::Shown);
        if (c.window == Window::Shown) {
            EXPECT_TRUE(r.mainVisibleAtEnd);
        }
        if (c.window == Window::OffScreen) {
            EXPECT_EQ(r.mainRect.left, -10);
            EXPECT_EQ(r.mainRect.top, -10);
            EXPECT_EQ(r.mainRect.right - r.mainRect.left, 1);
        }
    }
};

TEST_F(NothingChanges, UntilTheUserAgreesOnASupportedSystem) {
    std::string seeded = "none";
    for (const StartCase& c : Cases()) {
        SCOPED_TRACE(std::string(c.name) + " [" + c.args + "] " + (c.version ? c.version : ""));
        SetVersion(c.version);
        footprint::Installed installed;
        installed.services = false;
        installed.processes = c.window != Window::Ends;
        // Laid down again only for another installation: each case leaves it as it was.
        const std::string installation = std::string(c.installDir) + (installed.processes ? "+programs" : "");
        if (installation != seeded) Seed(c.installDir, installed);
        seeded = installation;
        if (HasFatalFailure()) return;
        std::unique_ptr<tolmtest::ScopedDisabledDlls> noIe4;
        if (c.withoutIe4) noIe4.reset(new tolmtest::ScopedDisabledDlls("TolmUnload.exe", {"shell32", "shlwapi"}));
        ASSERT_TRUE(!noIe4 || noIe4->Ok());
        std::map<int, int> answers;
        for (size_t i = 0; i < c.questions.size(); ++i) answers[c.questions[i]] = i + 1 < c.questions.size() ? IDYES : IDNO;
        const tooldriver::DriveResult r = tooldriver::Drive(fp->Tool(), c.args, c.pressRun, Answers(answers));
        if (!r.trouble.empty()) {
            ADD_FAILURE() << r.trouble;
            continue;
        }
        ExpectBoxes(c, r);
        ExpectWindow(c, r);
        EXPECT_EQ(MachineDiffers(footprint::Seeded(*fp, installed)), "");
    }
}

}  // namespace
