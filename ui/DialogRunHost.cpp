// The main window as host of the two uninstall runs: the interactive one with its
// questions, progress bar and log box, the silent one before the window exists.
#include "../framework/AfxApp.h"
#include "../run/RunSequence.h"
#include "../run/StartRequest.h"
#include "../run/SystemOperations.h"
#include "UnloadDlg.h"

namespace {

// The main window as the sequence sees it.
class DialogRunHost : public RunHost {
public:
    explicit DialogRunHost(CUnloadDlg& dlg) : m_dlg(dlg) {}
    // Owned by the main window; before it exists (silent run) the box has no owner.
    int Message(UINT, const char* text, const char* caption, UINT type) override {
        return m_dlg.MessageBox(text, caption, type);
    }
    void AppendLog(const CString& text) override { m_dlg.m_strLog += text; }
    void RefreshLog() override { m_dlg.UpdateData(FALSE); }
    void SetProgress(int position) override { m_dlg.m_progress.SetPos(position); }
    void DisableRunButton() override { m_dlg.m_btnRun.EnableWindow(FALSE); }
    void PostQuit(int code) override { ::PostQuitMessage(code); }

private:
    CUnloadDlg& m_dlg;
};

}  // namespace

void CUnloadDlg::OnRun() {
    DialogRunHost host(*this);
    // The arguments may name the folder a restart registered, and the report's file.
    const StartRequest& request = ThisStartRequest();
    SystemOperations ops(request.arguments.c_str(), request.logNamed ? request.logFile.c_str() : nullptr);
    RunUninstall(kInteractiveRun, host, ops);
}

void CUnloadDlg::RunSilent() {
    DialogRunHost host(*this);
    SystemOperations ops;
    RunUninstall(kSilentRun, host, ops);
}
