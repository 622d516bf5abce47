// The key holder's string-value operations.
#include "RegKeyHolder.h"

LONG ReadRegString(RegKeyHolder& holder, const char* name, char* buffer, DWORD* capacity) {
    if (!capacity) return ERROR_INVALID_PARAMETER;
    const DWORD room = *capacity;
    *capacity = 0;
    // Without a buffer the query would only report the size: nothing could be read.
    if (!buffer) return ERROR_INVALID_PARAMETER;

    DWORD type = REG_NONE;
    DWORD size = room;
    LONG rc = ::RegQueryValueExA(holder.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    if (rc != ERROR_SUCCESS) return rc;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_DATA;
    if (size == 0) {
        // No data at all is the empty string; a buffer of no bytes cannot hold even that.
        if (room == 0) return ERROR_MORE_DATA;
        buffer[0] = '\0';
    } else if (size > room || buffer[size - 1] != '\0') {
        // Stored without its terminator: refused, not repaired.
        return ERROR_INVALID_DATA;
    }
    *capacity = size;
    return ERROR_SUCCESS;
}

LONG WriteRegString(RegKeyHolder& holder, const char* name, const char* text, DWORD type) {
    if (!text) return ERROR_INVALID_PARAMETER;
    return change::WriteValue(holder, name, type, reinterpret_cast<const BYTE*>(text),
                              static_cast<DWORD>(::lstrlenA(text)) + 1);
}

LONG CloseRegKey(RegKeyHolder& holder) {
    const HKEY key = holder.Detach();
    holder.root = nullptr;
    holder.path.clear();
    return key ? ::RegCloseKey(key) : ERROR_SUCCESS;
}
