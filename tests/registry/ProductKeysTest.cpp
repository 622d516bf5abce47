// Deleting the product keys, the Run values and installer records on real keys
// of the prefix's registry.
#include "ProductKeys.h"
#include "RegTestSupport.h"

#include <gtest/gtest.h>
#include <string>

using namespace regtest;

namespace {

const std::string kMaker = "SOFTWARE\\Velkaris";
const std::string kProduct = "SOFTWARE\\Velkaris\\antivirus";
const std::string kFirewall = "SOFTWARE\\Velkaris\\TqmPFW";
const std::string kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

class ProductKeysTest : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        DeleteTree(HKEY_LOCAL_MACHINE, kMaker);
        DeleteTree(HKEY_CURRENT_USER, kMaker);
    }
    // The product key with values, some table subkeys with values and one
    // subkey of its own (with a subkey below it) that the table does not name.
    static void MakeProduct(HKEY root, bool withUnnamed) {
        ASSERT_TRUE(SetString(root, kProduct, "ProgramPath", "C:\\ZRP"));
        ASSERT_TRUE(SetDword(root, kProduct, "Version", 7));
        for (const char* name : {"QAScript", "Update", "License"}) {
            ASSERT_TRUE(SetString(root, kProduct + "\\" + name, "A", "1"));
            ASSERT_TRUE(SetString(root, kProduct + "\\" + name, "B", "2"));
        }
        if (withUnnamed) {
            ASSERT_TRUE(SetString(root, kProduct + "\\Custom\\Deeper", "C", "3"));
        }
    }
};

}  // namespace

TEST(ProductSubkeyTable, ElevenNamesEndedByAnEmptyOne) {
    int count = 0;
    while (kProductSubkeys[count][0] != '\0') ++count;
    EXPECT_EQ(11, count);
    EXPECT_STREQ("QAScript", kProductSubkeys[0]);
    EXPECT_STREQ("Update", kProductSubkeys[4]);
    for (int i = 0; i < count; ++i)
        for (int j = i + 1; j < count; ++j) EXPECT_NE(0, lstrcmpiA(kProductSubkeys[i], kProductSubkeys[j]));
}

TEST_F(ProductKeysTest, NothingThere) {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        EXPECT_EQ(1, DeleteProductKeys(root));
        EXPECT_FALSE(KeyExists(root, kMaker));
    }
    // Without the product key the firewall key is not looked at.
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kFirewall, "ProgramPath", "C:\\PFW"));
    EXPECT_EQ(1, DeleteProductKeys(HKEY_LOCAL_MACHINE));
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kFirewall, "ProgramPath"));
}

TEST_F(ProductKeysTest, EverythingRemovedButTheMakerKey) {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        MakeProduct(root, true);
        ASSERT_TRUE(SetString(root, kFirewall, "ProgramPath", "C:\\PFW"));
        ASSERT_TRUE(SetString(root, kFirewall, "Other", "x"));
        ASSERT_TRUE(SetString(root, kMaker + "\\Shared", "Keep", "y"));
        EXPECT_EQ(1, DeleteProductKeys(root));
        EXPECT_FALSE(KeyExists(root, kProduct));  // the unnamed subkey went with the tree
        EXPECT_FALSE(KeyExists(root, kFirewall));
        EXPECT_TRUE(KeyExists(root, kMaker));
        EXPECT_TRUE(ValueExists(root, kMaker + "\\Shared", "Keep"));
    }
}

// An antivirus-only installation: no firewall key is nothing to do, and the
// product key goes whole, unnamed subkeys included, under either root.
TEST_F(ProductKeysTest, MissingFirewallKeyIsNothingToDo) {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        SCOPED_TRACE(root == HKEY_LOCAL_MACHINE ? "HKLM" : "HKCU");
        Clean();
        MakeProduct(root, true);
        EXPECT_EQ(1, DeleteProductKeys(root));
        EXPECT_FALSE(KeyExists(root, kProduct));
        EXPECT_FALSE(KeyExists(root, kFirewall));
        EXPECT_TRUE(KeyExists(root, kMaker));
    }
}

TEST_F(ProductKeysTest, FirewallKeyWithSubkeysStays) {
    MakeProduct(HKEY_LOCAL_MACHINE, false);
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kFirewall, "ProgramPath", "C:\\PFW"));
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kFirewall + "\\Rules", "R", "1"));
    EXPECT_EQ(1, DeleteProductKeys(HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProduct));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kFirewall));
    EXPECT_TRUE(ValueNames(HKEY_LOCAL_MACHINE, kFirewall).empty());
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kFirewall + "\\Rules", "R"));
}

TEST_F(ProductKeysTest, ValueNamesTooLongForTheBuffer) {
    const std::string longName(260, 'n');
    const std::string fits(259, 'f');
    const std::string sub = kProduct + "\\Quarantine";
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, sub, longName.c_str(), "x"));
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, sub, fits.c_str(), "y"));
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kProduct, longName.c_str(), "z"));
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kProduct + "\\Custom", "C", "3"));
    // A firewall key that cannot be opened stops before the tree deletion: what
    // the subkey and product steps did alone can be seen.
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kFirewall, "ProgramPath", "C:\\PFW"));
    ReadOnlyKey readOnly(HKEY_LOCAL_MACHINE, kFirewall);
    ASSERT_TRUE(readOnly.Ok());
    EXPECT_EQ(0, DeleteProductKeys(HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, sub));  // deleted with the value it could not clear
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kProduct, longName.c_str()));
}

TEST_F(ProductKeysTest, MakerKeyNotWritable) {
    MakeProduct(HKEY_LOCAL_MACHINE, false);
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kFirewall, "ProgramPath", "C:\\PFW"));
    {
        ReadOnlyKey readOnly(HKEY_LOCAL_MACHINE, kMaker);
        ASSERT_TRUE(readOnly.Ok());
        EXPECT_EQ(0, DeleteProductKeys(HKEY_LOCAL_MACHINE));
    }
    // The steps before it ran; the firewall key was not reached.
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProduct + "\\Update"));
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kFirewall, "ProgramPath"));
}

TEST_F(ProductKeysTest, FirewallKeyNotWritable) {
    MakeProduct(HKEY_CURRENT_USER, true);
    ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kFirewall, "ProgramPath", "C:\\PFW"));
    {
        ReadOnlyKey readOnly(HKEY_CURRENT_USER, kFirewall);
        ASSERT_TRUE(readOnly.Ok());
        EXPECT_EQ(0, DeleteProductKeys(HKEY_CURRENT_USER));
    }
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kFirewall, "ProgramPath"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kProduct + "\\Custom"));  // no tree deletion
}

TEST_F(ProductKeysTest, ProductKeyNotWritableDoesNotStop) {
    MakeProduct(HKEY_LOCAL_MACHINE, false);
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kFirewall, "ProgramPath", "C:\\PFW"));
    int result;
    {
        ReadOnlyKey readOnly(HKEY_LOCAL_MACHINE, kProduct);
        ASSERT_TRUE(readOnly.Ok());
        result = DeleteProductKeys(HKEY_LOCAL_MACHINE);
    }
    EXPECT_EQ(1, result);
    // The subkeys were opened on their own and cleared; the firewall key is gone.
    EXPECT_TRUE(ValueNames(HKEY_LOCAL_MACHINE, kProduct + "\\Update").empty());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kFirewall));
}

TEST_F(ProductKeysTest, UpdateKeyOnly) {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        EXPECT_EQ(1, DeleteUpdateKey(root));  // nothing there
        MakeProduct(root, true);
        ASSERT_TRUE(SetString(root, kProduct + "\\Update\\Servers", "S", "1"));
        EXPECT_EQ(1, DeleteUpdateKey(root));
        EXPECT_FALSE(KeyExists(root, kProduct + "\\Update"));
        EXPECT_TRUE(KeyExists(root, kProduct + "\\QAScript"));
        EXPECT_TRUE(KeyExists(root, kProduct + "\\Custom\\Deeper"));
        EXPECT_TRUE(ValueExists(root, kProduct, "ProgramPath"));
    }
}

TEST_F(ProductKeysTest, RunValues) {
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kRun, "TqmStart", "C:\\ZRP\\start.exe"));
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kRun, "TolmTestKeep", "keep"));
    ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kRun, "TqmPFW", "C:\\PFW\\pfw.exe"));
    ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kRun, "TqmStart", "per-user, not ours to delete"));
    EXPECT_EQ(1, DeleteRunValues());
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kRun, "TqmStart"));
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kRun, "TqmPFW"));
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kRun, "TolmTestKeep"));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kRun, "TqmStart"));
    // Already gone: still 1.
    EXPECT_EQ(1, DeleteRunValues());

    HKEY key;
    ASSERT_EQ(0, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRun.c_str(), 0, KEY_SET_VALUE, &key));
    RegDeleteValueA(key, "TolmTestKeep");
    RegCloseKey(key);
    ASSERT_EQ(0, RegOpenKeyExA(HKEY_CURRENT_USER, kRun.c_str(), 0, KEY_SET_VALUE, &key));
    RegDeleteValueA(key, "TqmStart");
    RegCloseKey(key);
}

TEST_F(ProductKeysTest, MachineRunKeyNotWritable) {
    ASSERT_TRUE(CreateKey(HKEY_LOCAL_MACHINE, kRun));
    ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kRun, "TqmPFW", "C:\\PFW\\pfw.exe"));
    {
        ReadOnlyKey readOnly(HKEY_LOCAL_MACHINE, kRun);
        ASSERT_TRUE(readOnly.Ok());
        EXPECT_EQ(0, DeleteRunValues());
    }
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kRun, "TqmPFW"));
    {
        ReadOnlyKey readOnly(HKEY_CURRENT_USER, kRun);
        ASSERT_TRUE(readOnly.Ok());
        EXPECT_EQ(0, DeleteRunValues());
    }
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kRun, "TqmPFW"));
    EXPECT_EQ(1, DeleteRunValues());
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kRun, "TqmPFW"));
}

TEST_F(ProductKeysTest, RegistryTree) {
    const std::string record = kUninstall + "\\{2D7B94E5-C1A3-4F06-9B58-6E0D47F31C27}";
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, record, "DisplayName", "ZRP2007"));
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, record + "\\Sub\\Deeper", "X", "1"));
    EXPECT_EQ(0, DeleteRegistryTree(HKEY_LOCAL_MACHINE, record.c_str()));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, record));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, DeleteRegistryTree(HKEY_LOCAL_MACHINE, record.c_str()));

    // An absent or empty path is refused: under an open key, "" would name that key.
    ASSERT_TRUE(SetString(HKEY_CURRENT_USER, kMaker + "\\Tree\\Child", "V", "1"));
    HKEY tree;
    ASSERT_EQ(0, RegOpenKeyExA(HKEY_CURRENT_USER, (kMaker + "\\Tree").c_str(), 0, KEY_ALL_ACCESS, &tree));
    EXPECT_EQ(0, DeleteRegistryTree(tree, ""));
    EXPECT_EQ(0, DeleteRegistryTree(tree, nullptr));
    RegCloseKey(tree);
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kMaker + "\\Tree\\Child", "V"));
}
