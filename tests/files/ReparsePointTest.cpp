// Links inside the folders being cleaned: nothing behind them is ever touched.
// (Under Wine, RemoveDirectoryA on a link removes an empty folder behind it, so
// the walks must not even try to remove a link.)
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "FileTestSupport.h"
#include "FolderCopy.h"
#include "FolderRemoval.h"
#include "FolderWalk.h"
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

// What the walks' seam does at each listed entry (nothing when empty).
std::function<void(const std::string& folder, const std::string& name)> g_atListedEntry;

}  // namespace

namespace folderwalk {
void AtListedEntry(const char* folder, const char* name) {
    if (g_atListedEntry) g_atListedEntry(folder, name);
}
}  // namespace folderwalk

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

// Whoever can write a folder being walked can swap an entry for a link once it
// has been listed: the walks act on what they open, and pass the link by.
TEST_F(ReparsePoints, AnEntrySwappedForALinkAfterTheListingIsPassedBy) {
    ScratchDir s("swap");
    const std::string top = s / "Velkaris", copy = s / "copy";
    const struct {
        const char* name;
        const char* entry;
        bool file;
        std::function<void()> walk;
    } cases[] = {
        {"a subfolder, deleting all", "Sub", false, [&] { DeleteFolderTree(top.c_str()); }},
        {"a subfolder, emptying the folder", "Sub", false, [&] { RemoveFolderContents(top.c_str(), 0); }},
        {"a product subfolder, deleting product files", "QMF", false, [&] { DeleteProductFilesInTree(top.c_str()); }},
        {"a file, deleting all", "a.txt", true, [&] { DeleteFolderTree(top.c_str()); }},
        {"a file of a copy's source", "a.txt", true, [&] { CopyFolderTree(top.c_str(), copy.c_str(), ""); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::string& made : {top, copy, s / "user"}) tolmtest::RemoveTestTree(made);
        UserFolders user(s);
        for (const char* f : {"Sub\\x.txt", "QMF\\y.xml", "a.txt"}) ASSERT_TRUE(MakeFile(top + "\\" + f));
        std::unique_ptr<FolderLink> link;
        g_atListedEntry = [&](const std::string& folder, const std::string& name) {
            if (link || folder != top || name != c.entry) return;
            const std::string path = top + "\\" + c.entry;
            if (c.file) ::DeleteFileA(path.c_str());
            else tolmtest::RemoveTestTree(path);
            link.reset(new FolderLink(path, c.file ? user.full + "\\letter.txt" : user.full));
        };
        c.walk();
        g_atListedEntry = nullptr;
        ASSERT_TRUE(link && link->Ok()) << "the entry was swapped";
        user.ExpectUntouched();
        EXPECT_FALSE(Exists(copy + "\\a.txt")) << "nothing is read through the link either";
    }
}
