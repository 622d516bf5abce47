// Registry keys and values as the text of a REGEDIT4 file (ANSI, in the
// system's code page), which regedit imports on every Windows from 95 to Vista.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "../change/SavableKeys.h"

namespace regexport {

// The full name regedit reads for root\path as this process sees it. A 32-bit
// process on 64-bit Windows sees the 32-bit view: its keys are named where they
// really live (SOFTWARE\Wow6432Node, Wow6432Node\CLSID), so that regedit of
// either bitness puts them back in the same place.
std::string KeyName(HKEY root, const char* path);

// Names key paths as the registry spells each level, whatever the case the
// caller wrote them in: an import creates a deleted key by the name it is
// given. Each parent's subkeys are listed once; from the first level that was
// not there when its parent was listed on, the path stays as given.
class KeySpelling {
public:
    std::string Of(HKEY root, const std::string& path);

private:
    // The subkeys of root\parent (parent as spelled), listed at the first call.
    const std::vector<std::string>& Subkeys(HKEY root, const std::string& parent);
    struct Listing {
        HKEY root;
        std::string parent;
        std::vector<std::string> subkeys;
    };
    std::vector<Listing> m_listings;
};

// The sections of root\path and of every key below it, each "[name]" followed
// by its values, a key before its subkeys; "" when the key cannot be opened.
// keys, when given, receives the name of each key written. "" as well, with
// obstacle (when given) filled in, when some name, value or the whole would not
// be read back as it is or is larger than change::kMaxSaved*: nothing of such
// a tree is written.
std::string TreeText(HKEY root, const char* path, std::vector<std::string>* keys = nullptr,
                     change::SaveObstacle* obstacle = nullptr);
// The section of root\path with only the value name (null or "" the default);
// "" when the value is not there, or (obstacle filled in) cannot be saved.
std::string ValueText(HKEY root, const char* path, const char* name, change::SaveObstacle* obstacle = nullptr);

// The section of root\path with the line that makes regedit delete the named
// value: what puts back a value that was not there.
std::string AbsentValueText(HKEY root, const char* path, const char* name);

// One value as regedit writes it: "name"= (@= for the default) and its data.
// REG_SZ with its terminating NUL and no line break or NUL inside as a quoted
// string, REG_DWORD of four bytes as dword:, REG_BINARY as hex:, everything
// else (strings without their NUL among them) as hex(type):, hex data
// continued with ",\" on lines of at most 80 characters. Backslashes and quotes
// are escaped; a double-byte character's trail byte is never taken for one.
std::string ValueLines(const char* name, DWORD type, const BYTE* data, DWORD size);

}  // namespace regexport
