// The fixture of the whole-tool tests: the suite's footprint laid down for one
// scenario, a copy of the tool beside it, and the tool's texts in the language
// the test runs in.
#pragma once
#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Footprint.h"
#include "Outcome.h"
#include "Seeding.h"
#include "TestSupport.h"
#include "ToolDriver.h"

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Lays down the footprint of installDir ("" none recorded) on a machine
    // installed so, copies the tool into place and notes what is there.
    void Seed(const std::string& installDir, const footprint::Installed& installed);
    // Wine reports version (such as "vista") to the tool until the next call; null: its default.
    void SetVersion(const char* version);

    // Text id of the message catalogue in the test's language, in its code page.
    std::string M(int id) const;
    // The texts of ids, one after another.
    std::string Log(std::initializer_list<int> ids) const;
    // Answers each question of ids by its text.
    tooldriver::Answerer Answers(const std::map<int, int>& answers) const;
    // The box showed message id (109: with the install folder; or text) with
    // this caption, buttons and icon.
    void ExpectBox(const tooldriver::Box& box, int id, const std::string& caption, std::vector<int> buttons,
                   bool icon, const std::string& text = "") const;
    // The run report the tool left beside itself ("" none).
    std::string Report() const;
    // The registry backups the tool left in folder (beside itself by default).
    static std::vector<std::string> Backups(const std::string& folder = footprint::kToolDir);
    // "" when the machine is as the outcomes say, else what differs.
    std::string MachineDiffers(const footprint::Outcomes& outcomes) const;

    std::string lang;
    std::unique_ptr<footprint::Footprint> fp;
    std::unique_ptr<footprint::Installation> install;
    std::unique_ptr<tolmtest::ScopedWindowsVersion> version;
};
