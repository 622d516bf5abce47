// A run report kept in memory, for tests that install one (ReportScope) or
// hand one to a run: every line, the same with each flush among them, and the
// install folder it was told of.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "../../cleanup/report/RunReport.h"

namespace tolmtest {

struct ReportRecord {
    static constexpr const char* kFlushed = "<flushed>";
    std::vector<std::string> lines;
    std::vector<std::string> events;  // the lines with kFlushed for each flush among them
    std::string folder;               // "<none>" when told of none
    // The lines, each ending in "\n".
    std::string Text() const {
        std::string s;
        for (const std::string& l : lines) s += l + "\n";
        return s;
    }
};

class CapturedReport : public RunReport {
public:
    // Records into record (its own when null). clobber, when not 0, is set as the
    // thread's last error by every call, as a report written to a file may.
    explicit CapturedReport(ReportRecord* record = nullptr, DWORD clobber = 0)
        : m_record(record ? *record : m_own), m_clobber(clobber) {}
    void Line(const char* text) override {
        m_record.lines.push_back(text);
        m_record.events.push_back(text);
        Clobber();
    }
    void InstallFolder(const char* dir) override {
        m_record.folder = dir ? dir : "<none>";
        Clobber();
    }
    void Flush() override {
        m_record.events.push_back(ReportRecord::kFlushed);
        Clobber();
    }
    const ReportRecord& Record() const { return m_record; }

private:
    void Clobber() {
        if (m_clobber) ::SetLastError(m_clobber);
    }
    ReportRecord m_own;
    ReportRecord& m_record;
    DWORD m_clobber;
};

}  // namespace tolmtest
