// Links inside the folders being cleaned: nothing behind them is ever touched.
// (Under Wine, RemoveDirectoryA on a link removes an empty folder behind it, so
// the walks must not even try to remove a link.)
#include <gtest/gtest.h>

#include <cstring>

#include "FileTestSupport.h"
#include "FolderRemoval.h"
#include "ProductRemoval.h"
#include "ShellFolderFixture.h"

using namespace filetest;
using tolmtest::ScratchDir;
using Tree = std::vector<std::string>;

namespace {

// A folder of the user's that looks like the suite's own, and an empty one.
struct UserFolders {
    explicit UserFolders(const ScratchDir& s) : full(s / "user\\docs"), empty(s / "user\\empty") {
        for (const char* f : {"TQM32.EXE", "letter.txt", "a.pth", "QA1234.DAT", "QMF\\rules.xml", "Rules\\AntiRule_Private.xml"})
            EXPECT_TRUE(MakeFile(full + "\\" + f)) << f;
        EXPECT_TRUE(MakeFolders(full + "\\Skin"));  // listed and empty
        EXPECT_TRUE(MakeFolders(empty));
        before = ListTree(full);
    }
    void ExpectUntouched() const {
        EXPECT_EQ(before, ListTree(full));
        EXPECT_TRUE(IsFolder(empty));
    }
    std::string full, empty;
    Tree before;
};

class ReparsePoints : public ShellFolderTest {};

}  // namespace

TEST_F(ReparsePoints, FullClearingLeavesEverythingBehindLinks) {
    ScratchDir s("reparse");
    UserFolders user(s);
    std::string top = s / "Apps\\ZRP2007";
    ASSERT_TRUE(MakeFile(top + "\\TQM32.EXE"));
    ASSERT_TRUE(MakeFile(top + "\\QMF\\x.xml"));
    FolderLink l1(top + "\\Docs", user.full);
    FolderLink l2(top + "\\QMF\\Inner", user.full);
    FolderLink l3(top + "\\Skin", user.empty);  // a listed name
    ASSERT_TRUE(l1.Ok() && l2.Ok() && l3.Ok()) << "links could not be made";

    char dir[InstallDirectoryBufferSize] = {};
    std::strcpy(dir, top.c_str());
    RemoveProductFolder(dir, sizeof dir);
    user.ExpectUntouched();
    // Only the links are left, so the folder stays for the next start.
    EXPECT_EQ((Tree{"Docs\\", "QMF\\", "QMF\\Inner\\", "Skin\\"}), ListTree(top));
}

TEST_F(ReparsePoints, EveryWalkPassesLinksBy) {
    ScratchDir s("walks");
    UserFolders user(s);
    std::string top = s / "Velkaris";
    ASSERT_TRUE(MakeFolders(top + "\\Log"));
    FolderLink l1(top + "\\QMF", user.full);   // listed name: named mode must not enter it
    FolderLink l2(top + "\\Log\\Temp", user.empty);
    FolderLink l3(top + "\\Other", user.full);
    ASSERT_TRUE(l1.Ok() && l2.Ok() && l3.Ok()) << "links could not be made";

    EXPECT_EQ(1, DeleteProductFilesInTree(top.c_str()));
    user.ExpectUntouched();
    EXPECT_EQ(1, RemoveFolderContents(top.c_str(), 1));
    user.ExpectUntouched();
    EXPECT_EQ(1, RemoveFolderContents(top.c_str(), 0));
    user.ExpectUntouched();
    EXPECT_EQ(1, DeleteFolderTree(top.c_str()));
    user.ExpectUntouched();
    EXPECT_EQ((Tree{"Log\\", "Log\\Temp\\", "Other\\", "QMF\\"}), ListTree(top));

    // A walk handed a link itself does not go through it either.
    for (const std::string& form : {top + "\\QMF", top + "\\QMF\\"}) {
        EXPECT_EQ(1, DeleteFolderTree(form.c_str()));
        EXPECT_EQ(1, DeleteProductFilesInTree(form.c_str()));
        EXPECT_EQ(1, RemoveFolderContents(form.c_str(), 0));
        user.ExpectUntouched();
    }
}

TEST_F(ReparsePoints, AnInstallDirectoryThatIsALinkIsNotCleaned) {
    ScratchDir s("linkdir");
    UserFolders user(s);
    FolderLink link(s / "ZRP2007", user.full);
    ASSERT_TRUE(link.Ok());
    ASSERT_TRUE(MakeFile(folders.desktop + "\\" + shortcuts[3]));
    char dir[InstallDirectoryBufferSize] = {};
    std::strcpy(dir, (s / "ZRP2007\\").c_str());
    RemoveProductFolder(dir, sizeof dir);
    user.ExpectUntouched();
    EXPECT_FALSE(Exists(folders.desktop + "\\" + shortcuts[3])) << "the shortcut step still runs";
}

TEST_F(ReparsePoints, ProgramMenuFolderThatIsALinkIsLeftAlone) {
    ScratchDir s("menulink");
    UserFolders user(s);
    FolderLink link(folders.programs + "\\" + menus[2], user.full);
    ASSERT_TRUE(link.Ok());
    char dir[InstallDirectoryBufferSize] = {};
    std::strcpy(dir, s.Path().c_str());
    RemoveProductShortcuts(dir, sizeof dir);
    user.ExpectUntouched();
}
