// Deleting the suite's registry keys, autostart values and installer records.
// None of these shows anything or throws; missing keys are no failure.
#pragma once
#include <windows.h>

// Subkeys of SOFTWARE\Velkaris\antivirus deleted one by one, in this order; ended by "".
extern const char* const kProductSubkeys[];

// Deletes the antivirus and personal-firewall keys under root (HKLM or HKCU).
// 1 when the product key does not exist or every step was reached (a missing
// TqmPFW key is nothing to do); 0 when SOFTWARE\Velkaris or an existing TqmPFW
// key cannot be opened.
int DeleteProductKeys(HKEY root);
// Deletes root\SOFTWARE\Velkaris\antivirus\Update with everything below it. Always 1.
int DeleteUpdateKey(HKEY root);
// Deletes the Run values "TqmStart" (machine) and "TqmPFW" (user). 1 when each
// Run key could be opened or is not there; 0 when one is there but cannot be
// opened (a missing value or key is no failure).
int DeleteRunValues();
// Deletes root\keyPath with everything below it. SHDeleteKeyA's result (0 deleted,
// 2 not there, ..., 120 without shlwapi.dll); 0 with nothing done for an absent or empty path.
LONG DeleteRegistryTree(HKEY root, const char* keyPath);
