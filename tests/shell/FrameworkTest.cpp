// The framework layer: message maps along the class chain, commands routed to
// the application, owner-draw reflection, binding controls, the quit request
// ending a modal loop, and exceptions stopped at the window procedure.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "AfxApp.h"
#include "AfxWin.h"
#include "DialogDriver.h"
#include "TestSupport.h"
#include "resource.h"

using namespace tolmtest;

namespace {

class CountingButton : public CButton {
public:
    int draws = 0;
    UINT lastAction = 0;
    void DrawItem(LPDRAWITEMSTRUCT dis) override {
        ++draws;
        lastAction = dis->itemAction;
    }
};

// A dialog on the main window's template whose map overrides the framework's
// OK handling and adds a handler that throws.
class TestDlg : public CDialog {
public:
    TestDlg() : CDialog(IDD_MAIN) {}
    int okClicks = 0;
    int runClicks = 0;
    int initCalls = 0;
    CountingButton run;
    CString log;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Control(pDX, IDC_RUN, run);
        DDX_Text(pDX, IDC_LOG, log);
    }
    BOOL OnInitDialog() override {
        ++initCalls;
        return CDialog::OnInitDialog();
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_SHOWWINDOW && wParam) shown = true;
        return CDialog::WindowProc(message, wParam, lParam);
    }

public:
    bool shown = false;

protected:
    void OnOkClicked() { ++okClicks; }
    void OnRunClicked() {
        ++runClicks;
        throw std::runtime_error("handler failed");
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TestDlg, CDialog)
    ON_BN_CLICKED(IDOK, OnOkClicked)
    ON_BN_CLICKED(IDC_RUN, OnRunClicked)
END_MESSAGE_MAP()

const UINT kAppCommand = 0xE140;

class TestApp : public CWinApp {
public:
    int appCommands = 0;
    int otherCommands = 0;

protected:
    void OnAppCommand() { ++appCommands; }
    void OnOther() { ++otherCommands; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TestApp, CWinApp)
    ON_COMMAND(kAppCommand, &TestApp::OnAppCommand)
    ON_COMMAND(0xF010, &TestApp::OnOther)
END_MESSAGE_MAP()

}  // namespace

TEST(Framework, DerivedMapComesFirstAndTheBaseMapStillServes) {
    TestDlg dlg;
    INT_PTR result = DriveDialog([&] { return dlg.DoModal(); }, [&](HWND h) {
        ::SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_TRUE(::IsWindow(h)) << "the derived OK handler does not end the dialog";
        ::SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);  // CDialog's own entry
    });
    EXPECT_EQ(1, dlg.okClicks);
    EXPECT_EQ(1, dlg.initCalls);
    EXPECT_EQ(IDCANCEL, result);
}

TEST(Framework, CommandsTheDialogLacksGoToTheApplication) {
    TestApp app;
    TestDlg dlg;
    app.m_pMainWnd = &dlg;
    DriveDialog([&] { return dlg.DoModal(); }, [&](HWND h) {
        ::SendMessageA(h, WM_COMMAND, kAppCommand, 0);
        HELPINFO hi = {};
        hi.cbSize = sizeof hi;
        ::SendMessageA(h, WM_HELP, 0, reinterpret_cast<LPARAM>(&hi));  // F1: the program has no help
        // System command ids are not routed to the application.
        ::SendMessageA(h, WM_COMMAND, 0xF010, 0);
    });
    EXPECT_EQ(1, app.appCommands);
    EXPECT_EQ(0, app.otherCommands);
}

TEST(Framework, OwnerDrawIsReflectedToTheBoundControl) {
    TestDlg dlg;
    DriveDialog([&] { return dlg.DoModal(); }, [&](HWND h) {
        HWND button = ::GetDlgItem(h, IDC_RUN);
        EXPECT_EQ(button, dlg.run.m_hWnd);
        EXPECT_EQ(&dlg.run, CWnd::FromHandlePermanent(button));
        DRAWITEMSTRUCT dis = {};
        dis.CtlType = ODT_BUTTON;
        dis.CtlID = IDC_RUN;
        dis.itemAction = ODA_DRAWENTIRE;
        dis.hwndItem = button;
        EXPECT_EQ(TRUE, ::SendMessageA(h, WM_DRAWITEM, IDC_RUN, reinterpret_cast<LPARAM>(&dis)));
    });
    EXPECT_GE(dlg.run.draws, 1);
    EXPECT_EQ(static_cast<UINT>(ODA_DRAWENTIRE), dlg.run.lastAction);
}

TEST(Framework, BindingTwiceChangesNothing) {
    TestDlg dlg;
    DriveDialog([&] { return dlg.DoModal(); }, [&](HWND h) {
        HWND button = ::GetDlgItem(h, IDC_RUN);
        WNDPROC before = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(button, GWLP_WNDPROC));
        dlg.UpdateData(FALSE);  // runs DDX_Control again
        dlg.UpdateData(TRUE);
        EXPECT_EQ(button, dlg.run.m_hWnd);
        EXPECT_EQ(before, reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(button, GWLP_WNDPROC)));
        // Another object cannot take a window that is already bound.
        CButton other;
        EXPECT_FALSE(other.SubclassWindow(button));
        EXPECT_EQ(&dlg.run, CWnd::FromHandlePermanent(button));
    });
    EXPECT_EQ(nullptr, dlg.run.m_hWnd) << "released when the window went";
}

TEST(Framework, AnExceptionInAHandlerStopsAtTheWindowProcedure) {
    TestDlg dlg;
    INT_PTR result = DriveDialog([&] { return dlg.DoModal(); }, [&](HWND h) {
        ::SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDC_RUN, BN_CLICKED), 0);
        EXPECT_TRUE(::IsWindow(h));
        ::SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    EXPECT_EQ(1, dlg.runClicks);
    EXPECT_EQ(1, dlg.okClicks) << "the dialog went on handling messages";
    EXPECT_EQ(IDCANCEL, result);
}

TEST(Framework, APendingQuitRequestEndsTheModalLoopAndStaysForTheExitCode) {
    TestApp app;
    TestDlg dlg;
    ::PostQuitMessage(7);
    INT_PTR result = dlg.DoModal();  // no one closes it: the quit request must
    EXPECT_EQ(-1, result);
    EXPECT_EQ(1, dlg.initCalls) << "the window was created and initialised first";
    EXPECT_FALSE(dlg.shown) << "hidden from creation to destruction, though its template says visible";
    EXPECT_EQ(nullptr, dlg.m_hWnd);
    EXPECT_EQ(7, app.ExitInstance());
    EXPECT_EQ(0, app.ExitInstance()) << "taken once";
}

TEST(Framework, StringFormattingAndAppending) {
    CString s;
    s.Format("%s (Build %d)\n", "Service Pack 2", 2600);
    EXPECT_STREQ("Service Pack 2 (Build 2600)\n", s);
    s += "x";
    s += CString("y");
    EXPECT_EQ(CString("Service Pack 2 (Build 2600)\nxy"), s);
    std::string longText(5000, 'a');
    s.Format("%s!", longText.c_str());
    EXPECT_EQ(5001, s.GetLength());
}
