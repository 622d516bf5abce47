// The run's report for the duration of one run: the header, the answers, the
// log lines and the end, with the file (or whatever RunOperations opens)
// installed as the report the operations write to.
#pragma once
#include <memory>
#include <string>

#include "../cleanup/change/ChangeSession.h"
#include "../cleanup/report/RunReport.h"
#include "RunHost.h"
#include "RunOperations.h"

struct RunMode;

class RunReportSession : private RunHost {
public:
    // Without a report from ops nothing is written; the end names what changes
    // came to.
    // admin: the run's answer, which the header reports.
    RunReportSession(const RunMode& mode, RunHost& window, RunOperations& ops, AdministratorAnswer& admin,
                     const change::Session& changes);
    ~RunReportSession() override;
    RunReportSession(const RunReportSession&) = delete;
    RunReportSession& operator=(const RunReportSession&) = delete;

    // The window as the run uses it: every call reaches it, and is reported.
    RunHost& Host() { return *this; }
    // The system description and whether the support gate let it through.
    void System(const CString& description, bool supported);
    // The install directory found, or null when the run goes on without one,
    // and why the removal refuses it (null: it cleans it).
    void InstallFolder(const char* installDirectory, const char* refused);
    // The file the report went to, "" when none.
    std::string ReportPath() const;
    // The code the run ends with, for the report's last line.
    void ExitCode(int code) { m_exitCode = code; }

private:
    int Message(UINT id, const char* text, const char* caption, UINT type) override;
    void AppendLog(const CString& text) override;
    void RefreshLog() override { m_window.RefreshLog(); }
    void SetProgress(int position) override { m_window.SetProgress(position); }
    void DisableRunButton() override { m_window.DisableRunButton(); }
    void PostQuit(int code) override { m_window.PostQuit(code); }

    void Header(const RunMode& mode, AdministratorAnswer& admin);
    void Summary();

    RunHost& m_window;
    const change::Session& m_changes;
    std::unique_ptr<RunReport> m_report;
    ReportScope m_scope;
    std::string m_end;
    int m_exitCode = -1;
};
