#include "StartRequest.h"

#include <windows.h>
#include <mbstring.h>

#include <cstring>

#include "../cleanup/paths/PathText.h"
#include "ProgramArguments.h"
#include "Relaunch.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trimmed(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

}  // namespace

bool TakeLogSwitch(const std::string& arguments, std::string& rest, std::string& file) {
    // Blanks and quotes are never trail bytes in the double-byte code pages.
    for (size_t at = 0; at < arguments.size();) {
        while (at < arguments.size() && IsBlank(arguments[at])) ++at;
        size_t end = at;
        while (end < arguments.size() && !IsBlank(arguments[end])) ++end;
        if (end - at != 4 || !pathtext::EqualNoCase(arguments.substr(at, 4).c_str(), "/log")) {
            at = end;
            continue;
        }
        size_t name = end;
        while (name < arguments.size() && IsBlank(arguments[name])) ++name;
        size_t after;
        if (name < arguments.size() && arguments[name] == '"') {
            const size_t close = arguments.find('"', name + 1);
            after = close == std::string::npos ? arguments.size() : close + 1;
            file = arguments.substr(name + 1, (close == std::string::npos ? arguments.size() : close) - name - 1);
        } else {
            after = name;
            while (after < arguments.size() && !IsBlank(arguments[after])) ++after;
            file = arguments.substr(name, after - name);
        }
        const std::string before = Trimmed(arguments.substr(0, at)), behind = Trimmed(arguments.substr(after));
        rest = before + (before.empty() || behind.empty() ? "" : " ") + behind;
        return true;
    }
    return false;
}

StartRequest ReadStartRequest(const char* commandLine) {
    StartRequest r;
    if (!commandLine) return r;
    std::string line = commandLine;
    // A relaunched copy's first switch names the folder it stands for: not part of the request.
    const std::string arguments = WithoutOriginSwitch(ProgramArguments(&line[0]));
    r.silentRun = _stricmp(arguments.c_str(), "-s") == 0;
    r.automaticStart = _mbsstr(reinterpret_cast<const unsigned char*>(commandLine),
                               reinterpret_cast<const unsigned char*>(" /silent")) != nullptr;
    r.logNamed = TakeLogSwitch(arguments, r.arguments, r.logFile);
    if (!r.logNamed) r.arguments = arguments;
    r.unattended = !r.silentRun && !r.automaticStart && ParseUnattendedSwitches(r.arguments.c_str(), r.switches);
    return r;
}

const StartRequest& ThisStartRequest() {
    static const StartRequest request = ReadStartRequest(::GetCommandLineA());
    return request;
}
