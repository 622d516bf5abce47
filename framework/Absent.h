// What "not there" is among the system's error codes, decided once: a missing
// file or folder, registry key or value (ERROR_FILE_NOT_FOUND or
// ERROR_PATH_NOT_FOUND), or service (ERROR_SERVICE_DOES_NOT_EXIST).
#pragma once
#include <windows.h>

inline bool IsAbsent(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_SERVICE_DOES_NOT_EXIST;
}
