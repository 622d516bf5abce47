#include "ReportSession.h"

#include "../res/resource.h"
#include "../sys/OwnProgram.h"
#include "ReportFile.h"
#include "RunMode.h"

namespace {

// The version the About box shows.
const char kToolVersion[] = "5.0";

// text without its trailing line breaks, each inner one as " / ".
std::string OneLine(const char* text) {
    std::string s = text ? text : "";
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n')) s.pop_back();
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
            ++i;
            out += " / ";
        } else {
            out += s[i];
        }
    }
    return out;
}

const char* AnswerText(int answer) {
    switch (answer) {
        case IDYES: return "Yes";
        case IDNO: return "No";
        case IDOK: return "OK";
        case IDCANCEL: return "Cancel";
        default: return "closed";
    }
}

}  // namespace

RunReportSession::RunReportSession(const RunMode& mode, RunHost& window, RunOperations& ops,
                                   AdministratorAnswer& admin, const change::Session& changes)
    : m_window(window), m_changes(changes), m_report(ops.OpenReport()), m_scope(m_report.get()),
      m_end("the run ended") {
    if (m_report) Header(mode, admin);
}

RunReportSession::~RunReportSession() {
    Summary();
    report::Note("End: %s", m_end.c_str());
    // The last line, in words that stay the same for scripts to read.
    const change::Tally& t = m_changes.Counts();
    report::Note("Result: exit code %d, removed %d, left %d, pending %d, failed %d", m_exitCode, t.removed, t.left,
                 t.pending, t.failed);
}

std::string RunReportSession::ReportPath() const { return m_report ? m_report->Place() : ""; }

void RunReportSession::Summary() {
    const change::Tally& t = m_changes.Counts();
    if (m_changes.GetMode() == change::Mode::Preview)
        report::Note("Summary (preview, nothing was changed): %d items would be removed, %d written, "
                     "%d left until the restart, %d refused",
                     t.removed, t.written, t.pending, t.refused);
    else
        report::Note("Summary: %d items removed, %d written, %d left until the restart, %d refused", t.removed,
                     t.written, t.pending, t.refused);
}

void RunReportSession::Header(const RunMode& mode, AdministratorAnswer& admin) {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    report::Note("%s%04u-%02u-%02u %02u:%02u:%02u%s ====", kRunHeaderMark, now.wYear, now.wMonth, now.wDay, now.wHour,
                 now.wMinute, now.wSecond, mode.preview ? " (preview: nothing is changed)" : "");
    char tool[MAX_PATH * 2] = {};
    OwnProgramPath(tool, sizeof tool);
    report::Note("Tool: TolmUnload %s, %s", kToolVersion, tool);
    report::Note("Command line: %s", ::GetCommandLineA());
    report::Note("Run mode: %s", mode.name);
    // The answer the interactive run's gate uses; the Windows 95 family has no accounts.
    report::Note("Administrator: %s",
                 !admin.IsNt() ? "yes (Windows 95 family)" : admin.CanManageServices() ? "yes" : "no");
}

void RunReportSession::System(const CString& description, bool supported) {
    report::Note("Windows: %s(%s)", description.GetString(), supported ? "supported" : "not supported");
    if (!supported) m_end = "stopped before any removal: this Windows is not supported";
}

void RunReportSession::InstallFolder(const char* installDirectory, const char* refused) {
    report::InstallFolder(refused ? nullptr : installDirectory);
    if (installDirectory && refused)
        report::Note("Install folder: %s (refused: %s; the removal leaves it)", installDirectory, refused);
    else if (installDirectory)
        report::Note("Install folder: %s", installDirectory);
    else
        report::Note("Install folder: none recorded; the run goes on without one, no file is touched");
}

int RunReportSession::Message(UINT id, const char* text, const char* caption, UINT type) {
    report::Note((type & MB_TYPEMASK) == MB_YESNO ? "Question: %s" : "Message: %s", OneLine(text).c_str());
    report::Flush();  // the answer may restart the machine, or the user may end the tool here
    const int answer = m_window.Message(id, text, caption, type);
    report::Note("Answer: %s", AnswerText(answer));
    if (id == IDS_ASK_RESTART)
        m_end = answer == IDYES ? "restart requested: the machine restarts now"
                                : "restart declined: files left in use go once the machine is restarted";
    else if ((type & MB_TYPEMASK) == MB_YESNO)
        m_end = answer == IDYES ? "the run ended" : "ended after the answer No above";
    else
        m_end = "ended with the message above";
    return answer;
}

void RunReportSession::AppendLog(const CString& text) {
    m_window.AppendLog(text);
    report::Note("Log: %s", OneLine(text).c_str());
}
