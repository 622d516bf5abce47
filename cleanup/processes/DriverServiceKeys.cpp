#include "DriverServiceKeys.h"

#include <windows.h>

#include "../../sys/OsInfo.h"
#include "../../sys/ShellCalls.h"
#include "../report/RunReport.h"

namespace {

const char* const kNtKeys[] = {
    "SYSTEM\\CurrentControlSet\\Services\\QNetWch",
    "SYSTEM\\CurrentControlSet\\Services\\QWatch3",
};
const char* const kVxdKeys[] = {
    "SYSTEM\\CurrentControlSet\\Services\\VxD\\Velkaris AntiVirus",
};

}  // namespace

int DeleteDriverServiceKeys() {
    if (IsWindowsNT()) {
        // A key that is not there is no failure: the outcomes are not looked at.
        for (const char* key : kNtKeys) report::Deleted(HKEY_LOCAL_MACHINE, key, nullptr, DeleteKeyTree(HKEY_LOCAL_MACHINE, key));
    } else {
        for (const char* key : kVxdKeys) report::Deleted(HKEY_LOCAL_MACHINE, key, nullptr, DeleteKeyTree(HKEY_LOCAL_MACHINE, key));
    }
    return 1;
}
