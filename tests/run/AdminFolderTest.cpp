// Which owners and access lists make a folder one only administrators can
// change: the judgement on the descriptors Windows (and Wine) give back.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <string>

#include "AdminFolder.h"

namespace {

const char kUser[] = "S-1-5-21-1-2-3-1001";

// The verdict on the descriptor written in SDDL; userCounts: the user's SID
// counts as an administrators' one.
bool Verdict(const char* sddl, bool userCounts) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    EXPECT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr)) << sddl;
    PSID user = nullptr;
    EXPECT_TRUE(::ConvertStringSidToSidA(kUser, &user));
    const bool verdict = adminfolder::OnlyAdministratorsChange(static_cast<const BYTE*>(sd),
                                                                ::GetSecurityDescriptorLength(sd),
                                                                userCounts ? static_cast<const BYTE*>(user) : nullptr);
    ::LocalFree(user);
    ::LocalFree(sd);
    return verdict;
}

}  // namespace

TEST(AdminFolder, OnlyAdministratorsAndTheSystemMayChangeIt) {
    const std::string wine = std::string("O:") + kUser + "D:(A;OICI;FA;;;SY)(A;OICI;FA;;;" + kUser + ")(A;OICI;0x1200a9;;;WD)";
    struct Row {
        const char* name;
        std::string sddl;
        bool userCounts;
        bool expected;
    } rows[] = {
        {"as the tool makes it", "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;WD)", false, true},
        {"owned by TrustedInstaller", "O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464D:(A;;FA;;;BA)",
         false, true},
        {"the creator owner's entry", "O:SYD:(A;OICIIO;FA;;;CO)(A;OICI;FA;;;BA)", false, true},
        {"a denying entry", "O:BAD:(D;OICI;FA;;;WD)(A;OICI;FA;;;BA)", false, true},
        {"owned by a user", std::string("O:") + kUser + "D:(A;OICI;FA;;;BA)", false, false},
        {"users may add files", "O:BAD:(A;OICI;FA;;;BA)(A;;0x2;;;BU)", false, false},
        {"users may write what is made inside", "O:BAD:(A;OICI;FA;;;BA)(A;OICIIO;GW;;;BU)", false, false},
        {"everyone may change the access list", "O:BAD:(A;;WD;;;WD)", false, false},
        {"no access list: everyone may do anything", "O:BA", false, false},
        {"Wine's read-back, the user a limited twin's too", wine, false, false},
        {"Wine's read-back, every program of the user's an administrator's", wine, true, true},
    };
    for (const Row& row : rows) EXPECT_EQ(row.expected, Verdict(row.sddl.c_str(), row.userCounts)) << row.name;
}
