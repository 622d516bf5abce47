#include "ToolTexts.h"

#include <windows.h>

namespace tooldriver {

std::string ToolString(const std::string& tool, int id) {
    HMODULE m = ::LoadLibraryExA(tool.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!m) return "";
    WCHAR* text = nullptr;
    const int n = ::LoadStringW(m, id, reinterpret_cast<WCHAR*>(&text), 0);
    std::string out;
    if (n > 0) {
        char buf[1024] = {};
        const int len = ::WideCharToMultiByte(CP_ACP, 0, text, n, buf, sizeof buf - 1, nullptr, nullptr);
        out.assign(buf, len > 0 ? len : 0);
    }
    ::FreeLibrary(m);
    return out;
}

std::string FormatWith(const std::string& format, const std::string& argument) {
    std::string text = format;
    const size_t at = text.find("%s");
    return at == std::string::npos ? text : text.replace(at, 2, argument);
}

bool MatchesFormat(const std::string& text, const std::string& format) {
    const size_t at = format.find("%s");
    if (at == std::string::npos) return text == format;
    const size_t tail = format.size() - at - 2;
    return text.size() >= format.size() - 2 && text.compare(0, at, format, 0, at) == 0 &&
           text.compare(text.size() - tail, tail, format, at + 2, tail) == 0;
}

Answerer AnswerByText(std::vector<std::pair<std::string, int>> answers) {
    return [answers](const Box& b) {
        for (const auto& a : answers)
            if (MatchesFormat(b.text, a.first)) return a.second;
        return b.buttons.size() == 1 ? IDOK : IDNO;
    };
}

}  // namespace tooldriver
