// The application object: chooses the run mode from the command line.
#pragma once
#include "../framework/AfxApp.h"

class CUnloadApp : public CWinApp {
public:
    CUnloadApp();
    ~CUnloadApp() override;
    BOOL InitInstance() override;

protected:
    DECLARE_MESSAGE_MAP()
};
