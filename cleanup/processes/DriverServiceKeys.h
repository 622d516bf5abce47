// Deleting the suite's driver service keys, chosen by platform.
#pragma once

// Deletes the NT service keys "QNetWch" and "QWatch3", or on the Windows 95
// family the VxD key, with all they hold. Always 1: a missing key is no failure.
int DeleteDriverServiceKeys();
