// The application object: one global instance; its InitInstance runs the program.
#pragma once
#include <string>

#include "AfxWin.h"

class CWinApp : public CCmdTarget {
public:
    // With no name, the program's file name without extension serves as the
    // default title of message boxes given no caption.
    explicit CWinApp(const char* pszAppName = nullptr);
    ~CWinApp() override;

    const char* m_pszAppName = nullptr;
    HINSTANCE m_hInstance = nullptr;
    // The arguments after the program name, leading blanks skipped.
    char* m_lpCmdLine = nullptr;
    CWnd* m_pMainWnd = nullptr;

    // Returns false to end the program without a message loop of its own.
    virtual BOOL InitInstance() { return FALSE; }
    // The process exit code: the code of a quit request still pending, else 0.
    virtual int ExitInstance();

    // Start-up as WinMain hands it over: fills the members, then InitInstance.
    int Run(HINSTANCE hInstance, char* lpCmdLine);

protected:
    DECLARE_MESSAGE_MAP()

private:
    std::string m_appName;
};

CWinApp* AfxGetApp();
const char* AfxGetAppName();
// Dialogs of this program host no OLE controls: there is nothing to set up.
inline void AfxEnableControlContainer() {}
