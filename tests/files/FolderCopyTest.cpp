// Building folder paths and copying trees.
#include <gtest/gtest.h>

#include <algorithm>

#include "FileTestSupport.h"
#include "FolderCopy.h"

using namespace filetest;
using tolmtest::ScratchDir;
using Tree = std::vector<std::string>;

TEST(CreateFolderPath, CreatesEachLevelOfTheFolderPartOnly) {
    ScratchDir s("cfp");
    EXPECT_EQ(1, CreateFolderPath((s / "A\\B\\f.txt").c_str()));
    EXPECT_EQ((Tree{"A\\", "A\\B\\"}), ListTree(s.Path()));
    EXPECT_EQ(1, CreateFolderPath((s / "A\\C\\").c_str()));
    EXPECT_EQ((Tree{"A\\", "A\\B\\", "A\\C\\"}), ListTree(s.Path()));
    EXPECT_EQ(1, CreateFolderPath((s / "nofolder").c_str()));  // the scratch folder exists already
    EXPECT_EQ((Tree{"A\\", "A\\B\\", "A\\C\\"}), ListTree(s.Path()));
    EXPECT_EQ(1, CreateFolderPath("C:\\tolm-root-only.txt"));
    EXPECT_FALSE(Exists("C:\\tolm-root-only.txt"));
    EXPECT_EQ(1, CreateFolderPath("no-backslash"));
    EXPECT_EQ(1, CreateFolderPath(nullptr));
}

TEST(CopyFolderTree, CopiesFilesWithTheirPlacesOverwritingAndKeepingExtras) {
    ScratchDir s("copy");
    std::string src = s / "src";
    ASSERT_TRUE(MakeFile(src + "\\top.xml", "top"));
    ASSERT_TRUE(MakeFile(src + "\\a\\b\\deep.xml", "deep"));
    ASSERT_TRUE(MakeFile(src + "\\a\\mid.xml", "mid"));
    ASSERT_TRUE(MakeFolders(src + "\\a\\empty"));
    ASSERT_TRUE(MakeFolders(src + "\\none\\at\\all"));
    ASSERT_TRUE(MakeFile(s / "dst\\a\\mid.xml", "old"));
    ASSERT_TRUE(MakeFile(s / "dst\\a\\extra.xml", "extra"));

    EXPECT_EQ(0, CopyFolderTree(src.c_str(), (s / "dst").c_str(), ""));
    // Folders only on the way to a file: no "empty", no "none".
    EXPECT_EQ((Tree{"a\\", "a\\b\\", "a\\b\\deep.xml", "a\\extra.xml", "a\\mid.xml", "top.xml"}), ListTree(s / "dst"));
    EXPECT_EQ("mid", ReadAll(s / "dst\\a\\mid.xml"));
    EXPECT_EQ("deep", ReadAll(s / "dst\\a\\b\\deep.xml"));
    EXPECT_EQ("extra", ReadAll(s / "dst\\a\\extra.xml"));

    // Trailing backslashes on either side give the same copy.
    EXPECT_EQ(0, CopyFolderTree((src + "\\").c_str(), (s / "dst2\\").c_str(), ""));
    EXPECT_EQ(ListTree(s / "dst"), [&] { Tree t = ListTree(s / "dst2"); t.push_back("a\\extra.xml"); std::sort(t.begin(), t.end()); return t; }());

    // A relative folder places the copy below it.
    EXPECT_EQ(0, CopyFolderTree((src + "\\a").c_str(), (s / "dst3").c_str(), "x\\y"));
    EXPECT_EQ((Tree{"x\\", "x\\y\\", "x\\y\\b\\", "x\\y\\b\\deep.xml", "x\\y\\mid.xml"}), ListTree(s / "dst3"));

    EXPECT_EQ(0, CopyFolderTree((s / "missing").c_str(), (s / "dst4").c_str(), ""));
    EXPECT_FALSE(Exists(s / "dst4"));
}

TEST(CopyFolderTree, DoesNotFollowLinksSoNoCycleForms) {
    ScratchDir s("copylink");
    std::string src = s / "src";
    ASSERT_TRUE(MakeFile(src + "\\own.xml"));
    ASSERT_TRUE(MakeFile(s / "outside\\user.xml"));
    FolderLink toOutside(src + "\\elsewhere", s / "outside");
    FolderLink toItself(src + "\\loop", src);
    ASSERT_TRUE(toOutside.Ok() && toItself.Ok()) << "links could not be made";
    EXPECT_EQ(0, CopyFolderTree(src.c_str(), (s / "dst").c_str(), ""));
    EXPECT_EQ(Tree{"own.xml"}, ListTree(s / "dst"));
}
