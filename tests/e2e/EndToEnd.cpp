#include "EndToEnd.h"

#include "../shell/Catalogue.h"
#include "../../res/resource.h"
#include "Probe.h"
#include "ToolTexts.h"

void EndToEnd::SetUp() {
    lang = tolmtest::Env("TOLM_LANG");
    if (lang.empty()) lang = "ja";
    ASSERT_EQ(::GetACP(), lang == "zh" ? 936u : 932u) << "the test's code page does not match its language";
}

void EndToEnd::TearDown() {
    version.reset();
    install.reset();  // takes the footprint away again
}

void EndToEnd::Seed(const std::string& installDir, const footprint::Installed& installed) {
    install.reset();
    fp.reset(new footprint::Footprint(installDir));
    install.reset(new footprint::Installation(*fp, installed));
    std::string why;
    ASSERT_TRUE(install->Seed(&why)) << why;
    // The tool's copy in the scratch tree: the rules, the companion and the report land beside it.
    ASSERT_TRUE(::CopyFileA(tolmtest::ToolPath().c_str(), fp->Tool().c_str(), FALSE)) << fp->Tool();
    // Each scenario's report and registry backups are its own.
    ::DeleteFileA((std::string(footprint::kToolDir) + "\\TolmUnload.log").c_str());
    for (const std::string& backup : Backups()) ::DeleteFileA(backup.c_str());
    ASSERT_EQ(MachineDiffers(footprint::Seeded(*fp, installed)), "") << "the seeding laid down something else";
}

void EndToEnd::SetVersion(const char* v) {
    version.reset();  // first: the setting it removes is the one the next would write
    if (v) version.reset(new tolmtest::ScopedWindowsVersion("TolmUnload.exe", v));
}

std::string EndToEnd::M(int id) const {
    for (const auto& e : catalogue::kStrings) {
        if (e.id != id) continue;
        const char* t = lang == "zh" ? e.zh : e.ja;
        return t ? tolmtest::FromUtf8(t, ::GetACP()) : "";
    }
    return "";
}

std::string EndToEnd::Log(std::initializer_list<int> ids) const {
    std::string s;
    for (int id : ids) s += M(id);
    return s;
}

tooldriver::Answerer EndToEnd::Answers(const std::map<int, int>& answers) const {
    std::vector<std::pair<std::string, int>> byText;
    for (const auto& a : answers) byText.emplace_back(M(a.first), a.second);
    return tooldriver::AnswerByText(byText);
}

void EndToEnd::ExpectBox(const tooldriver::Box& box, int id, const std::string& caption, std::vector<int> buttons,
                         bool icon, const std::string& text) const {
    const std::string want = !text.empty()                     ? text
                             : id == IDS_CONFIRM_DELETE_FILES ? tooldriver::FormatWith(M(id), fp->InstallDir())
                                                              : M(id);
    EXPECT_EQ(box.text, want) << "message " << id;
    EXPECT_EQ(box.caption, caption) << "caption of message " << id;
    EXPECT_EQ(box.buttons, buttons) << "buttons of message " << id;
    EXPECT_EQ(box.icon, icon) << "icon of message " << id;
}

std::string EndToEnd::Report() const {
    return tolmtest::ReadWholeFile(std::string(footprint::kToolDir) + "\\TolmUnload.log").value_or("");
}

std::vector<std::string> EndToEnd::Backups(const std::string& folder) {
    std::vector<std::string> backups;
    WIN32_FIND_DATAA found;
    HANDLE find = ::FindFirstFileA((folder + "\\TolmUnload-backup-*.reg").c_str(), &found);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = ::FindNextFileA(find, &found))
        backups.push_back(folder + "\\" + found.cFileName);
    if (find != INVALID_HANDLE_VALUE) ::FindClose(find);
    return backups;
}

std::string EndToEnd::MachineDiffers(const footprint::Outcomes& outcomes) const {
    return footprint::Differences(*fp, footprint::Probe(*fp), footprint::StateAfter(*fp, outcomes));
}
