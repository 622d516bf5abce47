// The desktops, program menus and QRECYCLE folder that the shortcut step works
// in, the string-table names it aims at, and cleaning up after a test.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FileTestSupport.h"

namespace filetest {

struct ShellFolders {
    std::string desktop, programs;          // all users
    std::string userDesktop, userPrograms;  // the current user
};
ShellFolders GetShellFolders();

// The desktop shortcut names 118, 119, 120, 126, 127 and the menu folder names
// 121, 128, 129, as the loaded string table gives them in the test's language.
std::vector<std::string> ShortcutNames();
std::vector<std::string> MenuNames();
// The executable each shortcut depends on, in the same order.
extern const char* const ShortcutExecutables[5];

// Fails the test unless the code page fits TOLM_LANG (932 for ja, 936 for zh).
void ExpectLanguageCodePage();

// Removes what the tests put on the desktops, into the program menus and into
// C:\QRECYCLE, before and after each test.
class ShellFolderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void CleanUp();
    // Puts each named shortcut file on desktop (a plain file does for deleting).
    void MakeShortcuts(const std::string& desktop);
    // Makes each menu folder below programs with some content.
    void MakeMenus(const std::string& programs);

    ShellFolders folders;
    std::vector<std::string> shortcuts, menus;
};

}  // namespace filetest
