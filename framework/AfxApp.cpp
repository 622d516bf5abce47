#include "AfxApp.h"

#include <cstring>

#include "SystemLookup.h"

namespace {
CWinApp* g_app = nullptr;  // the one application object
}

CWinApp* AfxGetApp() {
    return g_app;
}

const char* AfxGetAppName() {
    return g_app ? g_app->m_pszAppName : "";
}

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* pszAppName) {
    if (pszAppName) m_appName = pszAppName;
    m_pszAppName = m_appName.c_str();
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

int CWinApp::Run(HINSTANCE hInstance, char* lpCmdLine) {
    m_hInstance = hInstance;
    m_lpCmdLine = lpCmdLine;
    if (m_appName.empty()) {
        // The program's file name without its extension.
        char path[MAX_PATH] = {};
        OwnProgramPath(path, sizeof path);
        const char* name = std::strrchr(path, '\\');
        name = name ? name + 1 : path;
        m_appName = name;
        size_t dot = m_appName.rfind('.');
        if (dot != std::string::npos) m_appName.resize(dot);
    }
    m_pszAppName = m_appName.c_str();
    if (InitInstance()) {
        // This program ends from InitInstance; a running message loop would sit here.
        MSG msg;
        while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        return static_cast<int>(msg.wParam);
    }
    return ExitInstance();
}

int CWinApp::ExitInstance() {
    MSG msg;
    if (::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return static_cast<int>(msg.wParam);
    return 0;
}

int CWnd::MessageBox(const char* text, const char* caption, UINT type) {
    if (!caption) caption = AfxGetAppName();
    return ::MessageBoxA(m_hWnd, text, caption, type);
}
