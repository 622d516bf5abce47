// Copying the user's rules beside the tool (here: this test program's folder).
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <memory>

#include "FileTestSupport.h"
#include "KeptPaths.h"
#include "ProductRemoval.h"
#include "UserRules.h"

using namespace filetest;
using tolmtest::ScratchDir;
using Tree = std::vector<std::string>;

namespace {

std::string ToolFolder() {
    char path[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p(path, n);
    return p.substr(0, p.find_last_of('\\'));
}

// Removes the copies from the tool folder before and after each test.
class UserRules : public ::testing::Test {
protected:
    void SetUp() override { CleanUp(); }
    void TearDown() override { CleanUp(); }
    void CleanUp() {
        for (const char* f : {"QAF", "QMF", "Rules"}) DeleteCopy(tool + "\\" + f);
    }
    // The tool folder is in the build tree, outside C:: a small walk of its own.
    static void DeleteCopy(const std::string& path) {
        DWORD a = Attributes(path);
        if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_REPARSE_POINT)) return;  // links: their makers remove them
        if (!(a & FILE_ATTRIBUTE_DIRECTORY)) {
            ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileA(path.c_str());
            return;
        }
        for (const std::string& e : ListTree(path))
            if (e.back() != '\\' || e.find('\\') == e.size() - 1) DeleteCopy(path + "\\" + (e.back() == '\\' ? e.substr(0, e.size() - 1) : e));
        ::RemoveDirectoryA(path.c_str());
    }
    std::string tool = ToolFolder();
};

void MakeRules(const std::string& top) {
    ASSERT_TRUE(MakeFile(top + "\\QAF\\AntiRule_Private.xml", "private"));
    ASSERT_TRUE(MakeFile(top + "\\QAF\\other.xml", "not copied"));
    ASSERT_TRUE(MakeFile(top + "\\QMF\\mail.xml", "mail"));
    ASSERT_TRUE(MakeFile(top + "\\Rules\\a.xml", "a"));
    ASSERT_TRUE(MakeFile(top + "\\Rules\\Web\\Blocked\\b.xml", "b"));
    ASSERT_TRUE(MakeFolders(top + "\\Rules\\EmptyOne"));
    ASSERT_TRUE(MakeFile(top + "\\TQM32.EXE"));
}

}  // namespace

TEST_F(UserRules, CopiesTheThreeItemsWithOrWithoutTrailingBackslash) {
    ScratchDir s("rules");
    std::string top = s / "ZRP2007";
    MakeRules(top);
    for (const std::string& form : {top, top + "\\"}) {
        SCOPED_TRACE(form);
        CleanUp();
        EXPECT_EQ(1, PreserveUserRules(form.c_str()));
        EXPECT_EQ(Tree{"AntiRule_Private.xml"}, ListTree(tool + "\\QAF"));
        EXPECT_EQ("private", ReadAll(tool + "\\QAF\\AntiRule_Private.xml"));
        EXPECT_EQ(Tree{"mail.xml"}, ListTree(tool + "\\QMF"));
        EXPECT_EQ((Tree{"Web\\", "Web\\Blocked\\", "Web\\Blocked\\b.xml", "a.xml"}), ListTree(tool + "\\Rules"));
        EXPECT_EQ("b", ReadAll(tool + "\\Rules\\Web\\Blocked\\b.xml"));
        EXPECT_FALSE(Exists(tool + "\\TQM32.EXE"));
    }
    // A second run overwrites file by file and keeps what the source lost.
    ASSERT_TRUE(MakeFile(top + "\\Rules\\a.xml", "a2"));
    ::DeleteFileA((top + "\\QMF\\mail.xml").c_str());
    EXPECT_EQ(1, PreserveUserRules(top.c_str()));
    EXPECT_EQ("a2", ReadAll(tool + "\\Rules\\a.xml"));
    EXPECT_EQ("mail", ReadAll(tool + "\\QMF\\mail.xml"));
}

TEST_F(UserRules, MissingSourcesCopyNothingButTheRuleFolder) {
    ScratchDir s("norules");
    EXPECT_EQ(1, PreserveUserRules((s / "ZRP2007").c_str()));
    EXPECT_TRUE(IsFolder(tool + "\\QAF"));
    EXPECT_EQ(Tree{}, ListTree(tool + "\\QAF"));
    EXPECT_FALSE(Exists(tool + "\\QMF"));
    EXPECT_FALSE(Exists(tool + "\\Rules"));
    EXPECT_EQ(1, PreserveUserRules(nullptr));
}

// A tool started from the install folder, or from a folder inside it, never
// copies into that folder: the copies go to the user's documents, in their own
// folder, and the originals are left as they were.
TEST_F(UserRules, ToolInsideTheInstallFolderCopiesToTheDocuments) {
    char documents[MAX_PATH] = {};
    ASSERT_TRUE(::SHGetSpecialFolderPathA(nullptr, documents, CSIDL_PERSONAL, FALSE));
    const std::string copies = std::string(documents) + "\\" + kRulesFolderName;
    ASSERT_FALSE(Exists(copies)) << "left from elsewhere";
    const std::string parent = tool.substr(0, tool.find_last_of('\\'));
    for (const std::string& install : {tool, parent + "\\"}) {
        SCOPED_TRACE(install);
        MakeRules(install);
        EXPECT_EQ(1, PreserveUserRules(install.c_str()));
        EXPECT_EQ(Tree{"AntiRule_Private.xml"}, ListTree(copies + "\\QAF"));
        EXPECT_EQ("private", ReadAll(copies + "\\QAF\\AntiRule_Private.xml"));
        EXPECT_EQ(Tree{"mail.xml"}, ListTree(copies + "\\QMF"));
        EXPECT_EQ((Tree{"Web\\", "Web\\Blocked\\", "Web\\Blocked\\b.xml", "a.xml"}), ListTree(copies + "\\Rules"));
        // Nothing was written below the install folder: the tool folder holds
        // only what the install folder itself held.
        const std::string base = install.back() == '\\' ? install : install + "\\";
        EXPECT_EQ((Tree{"AntiRule_Private.xml", "other.xml"}), ListTree(base + "QAF"));
        if (install != tool) {
            EXPECT_FALSE(Exists(tool + "\\QAF"));
        }
        for (const char* f : {"QAF", "QMF", "Rules", "TQM32.EXE"}) DeleteCopy(base + f);
        DeleteCopy(copies);
    }
}

// A destination beside the tool that is blocked or a link sends that item to
// the documents folder; nothing is ever written behind a link or into a file
// with other links; an item that can be copied nowhere stays in the install
// folder when it is cleaned, and the copy reports the failure.
TEST_F(UserRules, BlockedOrLinkedDestinationsFallBackAndNeverWriteThroughALink) {
    char documents[MAX_PATH] = {};
    ASSERT_TRUE(::SHGetSpecialFolderPathA(nullptr, documents, CSIDL_PERSONAL, FALSE));
    const std::string copies = std::string(documents) + "\\" + kRulesFolderName;
    ScratchDir s("rules-hostile");
    const std::string install = s / "ZRP2007", victim = s / "victim", victimFile = s / "victim.xml";
    enum Block { kNone, kFile, kLink, kHardLink };
    struct Case {
        const char* name;
        const char* besideTool;  // the item beside the tool that stands in the way
        Block beside;
        Block documents;  // the documents folder's copies folder
        int result;
        std::vector<std::string> uncopied;  // below the install folder
    } cases[] = {
        {"a file named QAF beside the tool", "QAF", kFile, kNone, 1, {}},
        {"Rules beside the tool is a link", "Rules", kLink, kNone, 1, {}},
        {"a copy beside the tool has another link", "QMF\\mail.xml", kHardLink, kNone, 1, {}},
        {"blocked beside the tool and in the documents", "QAF", kFile, kFile, 0, {"QAF\\AntiRule_Private.xml"}},
        {"a link in both places", "Rules", kLink, kLink, 0, {"Rules"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CleanUp();
        RemoveTree(copies);
        ::DeleteFileA(copies.c_str());
        RemoveTree(install);
        RemoveTree(victim);
        MakeRules(install);
        ASSERT_TRUE(MakeFolders(victim));
        ASSERT_TRUE(MakeFile(victimFile, "someone else's"));
        std::vector<std::unique_ptr<FolderLink>> links;
        auto block = [&](Block how, const std::string& path) {
            if (how == kFile) {
                ASSERT_TRUE(MakeFile(path, "in the way"));
            }
            if (how == kLink) {
                links.emplace_back(new FolderLink(path, victim));
                ASSERT_TRUE(links.back()->Ok());
            }
            if (how == kHardLink) {
                ASSERT_TRUE(MakeFolders(path.substr(0, path.find_last_of('\\'))));
                ASSERT_TRUE(::CreateHardLinkA(path.c_str(), victimFile.c_str(), nullptr));
            }
        };
        block(c.beside, tool + "\\" + c.besideTool);
        block(c.documents, copies);

        KeptPaths uncopied;
        EXPECT_EQ(c.result, PreserveUserRules(install.c_str(), &uncopied));
        std::vector<std::string> want;
        for (const std::string& u : c.uncopied) want.push_back(install + "\\" + u);
        EXPECT_EQ(uncopied.Paths(), want);
        EXPECT_EQ(ListTree(victim), Tree{}) << "written behind a link";
        EXPECT_EQ(ReadAll(victimFile), "someone else's") << "written into another file's link";
        // Every item that exists is somewhere: beside the tool or in the documents.
        for (const char* item : {"QAF\\AntiRule_Private.xml", "QMF\\mail.xml", "Rules\\Web\\Blocked\\b.xml"}) {
            const bool kept = !c.uncopied.empty() && std::string(item).rfind(c.uncopied[0], 0) == 0;
            const bool copied = ReadAll(tool + "\\" + item) == ReadAll(install + "\\" + item) ||
                                ReadAll(copies + "\\" + item) == ReadAll(install + "\\" + item);
            EXPECT_TRUE(kept || copied) << item;
        }
        // The removal leaves what could be copied nowhere, and takes the rest.
        char dir[InstallDirectoryBufferSize] = {};
        std::strcpy(dir, install.c_str());
        RemoveProductFolder(dir, sizeof dir, &uncopied);
        Tree left;
        for (const std::string& u : c.uncopied)
            for (const std::string& f : ListTree(install + "\\" + u.substr(0, u.find('\\'))))
                if (f.back() != '\\') left.push_back(f);
        EXPECT_EQ(c.uncopied.empty(), !Exists(install));
        if (c.result == 0) {
            EXPECT_FALSE(left.empty());
        }
        links.clear();
        ::DeleteFileA((tool + "\\" + c.besideTool).c_str());
    }
    CleanUp();
    RemoveTree(copies);
    ::DeleteFileA(copies.c_str());
}
