// The program's entry point: restricts the DLL search, then hands over to the
// one application object.
#include "AfxApp.h"
#include "AfxDllSearch.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int) {
    AfxRestrictDllSearch();
    CWinApp* app = AfxGetApp();
    return app ? app->Run(hInstance, lpCmdLine) : 0;
}
