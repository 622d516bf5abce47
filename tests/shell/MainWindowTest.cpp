// The main window as the program creates it, in the language of the user's
// locale: controls, texts, positions, system menu, icons, progress range, the
// About box, colours, and the log box's exchange with the run log.
#include <gtest/gtest.h>

#include <string>

#include "Catalogue.h"
#include "DialogDriver.h"
#include "TestSupport.h"
#include "AfxApp.h"
#include "UnloadDlg.h"

using namespace tolmtest;

namespace {

bool Japanese() { return Env("TOLM_LANG") == "ja"; }
UINT CodePage() { return Japanese() ? 932 : 936; }
const catalogue::Dialog& MainTemplate() { return Japanese() ? catalogue::kMainJa : catalogue::kMainZh; }
const catalogue::Dialog& AboutTemplate() { return Japanese() ? catalogue::kAboutJa : catalogue::kAboutZh; }
std::string Text(const char* utf8) { return FromUtf8(utf8, CodePage()); }

std::string CatalogueText(int id) {
    for (const catalogue::Entry& e : catalogue::kStrings)
        if (e.id == id) return Text(Japanese() ? e.ja : e.zh);
    return std::string();
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CodePage(), ::GetACP()) << "texts cannot be compared under another code page";
    }
};

}  // namespace

TEST_F(MainWindow, ControlsTextsAndPositionsFollowTheTemplate) {
    CUnloadDlg dlg;
    bool seen = false;
    INT_PTR result = DriveDialog([&] { return dlg.DoModal(); }, [&](HWND h) {
        const catalogue::Dialog& t = MainTemplate();
        EXPECT_EQ(Text(t.title), WindowText(h));
        LONG style = ::GetWindowLongA(h, GWL_STYLE);
        EXPECT_EQ(static_cast<LONG>(WS_POPUP | WS_CAPTION | WS_SYSMENU), style & (WS_POPUP | WS_CAPTION | WS_SYSMENU));
        EXPECT_EQ(0, style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
        EXPECT_TRUE(::GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_APPWINDOW);

        HWND child = ::GetWindow(h, GW_CHILD);
        for (int i = 0; i < t.count; ++i, child = ::GetWindow(child, GW_HWNDNEXT)) {
            const catalogue::Control& c = t.controls[i];
            SCOPED_TRACE(i);
            ASSERT_NE(nullptr, child);
            EXPECT_EQ(static_cast<WORD>(c.id), static_cast<WORD>(::GetDlgCtrlID(child)));
            EXPECT_EQ(0, lstrcmpiA(c.cls, ClassName(child).c_str())) << ClassName(child);
            EXPECT_EQ(Text(c.text), WindowText(child));
            // Position and size are converted from dialog units each on its own.
            RECT want = {c.x, c.y, c.cx, c.cy};
            ::MapDialogRect(h, &want);
            RECT got = ChildRect(child);
            EXPECT_EQ(want.left, got.left);
            EXPECT_EQ(want.top, got.top);
            // Run and Exit take the size of their 74 x 21 faces.
            const bool button = c.id == IDC_RUN || c.id == IDCANCEL;
            EXPECT_EQ(button ? 74 : want.right, got.right - got.left) << "width";
            EXPECT_EQ(button ? 21 : want.bottom, got.bottom - got.top) << "height";
        }
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(h, IDC_RUN)));
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(h, IDCANCEL)));
        // Exit ends the dialog.
        ::SendMessageA(::GetDlgItem(h, IDCANCEL), BM_CLICK, 0, 0);
    }, &seen);
    ASSERT_TRUE(seen);
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(nullptr, dlg.m_hWnd) << "the window is gone after the dialog";
}

TEST_F(MainWindow, SystemMenuIconsAndProgressRange) {
    CUnloadDlg dlg;
    ASSERT_NE(nullptr, dlg.m_hIcon);
    DriveDialog([&] { return dlg.DoModal(); }, [&](HWND h) {
        HMENU menu = ::GetSystemMenu(h, FALSE);
        ASSERT_NE(nullptr, menu);
        int n = ::GetMenuItemCount(menu);
        ASSERT_GE(n, 2);
        EXPECT_EQ(static_cast<UINT>(IDM_ABOUTBOX), ::GetMenuItemID(menu, n - 1));
        char text[256] = {};
        ::GetMenuStringA(menu, n - 1, text, sizeof text, MF_BYPOSITION);
        EXPECT_EQ(CatalogueText(IDS_ABOUTBOX), text);
        MENUITEMINFOA sep = {};
        sep.cbSize = sizeof sep;
        sep.fMask = MIIM_FTYPE;
        ASSERT_TRUE(::GetMenuItemInfoA(menu, n - 2, TRUE, &sep));
        EXPECT_TRUE(sep.fType & MFT_SEPARATOR);

        EXPECT_EQ(reinterpret_cast<LRESULT>(dlg.m_hIcon), ::SendMessageA(h, WM_GETICON, ICON_BIG, 0));
        EXPECT_EQ(reinterpret_cast<LRESULT>(dlg.m_hIcon), ::SendMessageA(h, WM_GETICON, ICON_SMALL, 0));
        EXPECT_EQ(reinterpret_cast<LRESULT>(dlg.m_hIcon), ::SendMessageA(h, WM_QUERYDRAGICON, 0, 0));

        HWND progress = ::GetDlgItem(h, IDC_PROGRESS);
        EXPECT_EQ(0, ::SendMessageA(progress, PBM_GETRANGE, TRUE, 0));
        EXPECT_EQ(100, ::SendMessageA(progress, PBM_GETRANGE, FALSE, 0));
        EXPECT_EQ(0, ::SendMessageA(progress, PBM_GETPOS, 0, 0));
    });
}

TEST_F(MainWindow, SystemCommandsSixteenToThirtyOneOpenTheAboutBox) {
    CUnloadDlg dlg;
    // As in the program: the main window is the application's, and owns the About box.
    CWinApp app;
    app.m_pMainWnd = &dlg;
    const DWORD tid = ::GetCurrentThreadId();
    DriveDialog([&] { return dlg.DoModal(); }, [&](HWND h) {
        for (UINT cmd = 16; cmd <= 31; ++cmd) {
            SCOPED_TRACE(cmd);
            ::PostMessageA(h, WM_SYSCOMMAND, cmd, 0);
            HWND about = WaitForOtherDialog(tid, h, 10000);
            ASSERT_NE(nullptr, about);
            EXPECT_EQ(Text(AboutTemplate().title), WindowText(about));
            EXPECT_EQ(Text(AboutTemplate().controls[1].text), WindowText(::GetWindow(::GetWindow(about, GW_CHILD), GW_HWNDNEXT)));
            EXPECT_FALSE(::IsWindowEnabled(h)) << "the About box is modal to the main window";
            ::PostMessageA(about, WM_COMMAND, IDOK, 0);
            EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(about); }, 10000));
            EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(h) != FALSE; }, 10000));
        }
        // Neighbouring commands do not.
        for (UINT cmd : {15u, 32u}) {
            ::SendMessageA(h, WM_SYSCOMMAND, cmd, 0);
            EXPECT_EQ(nullptr, WaitForOtherDialog(tid, h, 300)) << cmd;
        }
    });
}

TEST_F(MainWindow, StaticTextsAreTransparentAndTheRestartNoteRed) {
    CUnloadDlg dlg;
    DriveDialog([&] { return dlg.DoModal(); }, [&](HWND h) {
        HDC dc = ::CreateCompatibleDC(nullptr);
        ASSERT_NE(nullptr, dc);
        HGDIOBJ nullBrush = ::GetStockObject(NULL_BRUSH);

        ::SetTextColor(dc, RGB(1, 2, 3));
        ::SetBkMode(dc, OPAQUE);
        HWND note = ::GetDlgItem(h, IDC_REBOOT_NOTE);
        LRESULT br = ::SendMessageA(h, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(note));
        EXPECT_EQ(reinterpret_cast<LRESULT>(nullBrush), br);
        EXPECT_EQ(RGB(255, 0, 0), ::GetTextColor(dc));
        EXPECT_EQ(TRANSPARENT, ::GetBkMode(dc));

        // Another static text: transparent, in the default text colour.
        ::SetTextColor(dc, RGB(1, 2, 3));
        ::SetBkMode(dc, OPAQUE);
        HWND label = ::GetWindow(::GetDlgItem(h, IDC_LOG), GW_HWNDNEXT);
        br = ::SendMessageA(h, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label));
        EXPECT_EQ(reinterpret_cast<LRESULT>(nullBrush), br);
        EXPECT_EQ(::GetSysColor(COLOR_WINDOWTEXT), ::GetTextColor(dc));
        EXPECT_EQ(TRANSPARENT, ::GetBkMode(dc));

        // The dialog itself: transparent, with the default brush.
        ::SetBkMode(dc, OPAQUE);
        br = ::SendMessageA(h, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(h));
        EXPECT_NE(0, br);
        EXPECT_NE(reinterpret_cast<LRESULT>(nullBrush), br);
        EXPECT_EQ(TRANSPARENT, ::GetBkMode(dc));

        // The log box keeps the default look.
        ::SetBkMode(dc, OPAQUE);
        br = ::SendMessageA(h, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                            reinterpret_cast<LPARAM>(::GetDlgItem(h, IDC_LOG)));
        EXPECT_NE(0, br);
        EXPECT_NE(reinterpret_cast<LRESULT>(nullBrush), br);
        EXPECT_EQ(OPAQUE, ::GetBkMode(dc));
        ::DeleteDC(dc);
    });
}

TEST_F(MainWindow, PaintFillsTheSurfaceLightGrey) {
    CUnloadDlg dlg;
    COLORREF corner = CLR_INVALID, middle = CLR_INVALID;
    DriveDialog([&] { return dlg.DoModal(); }, [&](HWND h) {
        ::RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        HDC dc = ::GetDC(h);
        corner = ::GetPixel(dc, 1, 1);
        RECT log = ChildRect(::GetDlgItem(h, IDC_LOG));
        middle = ::GetPixel(dc, log.left - 2, (log.top + log.bottom) / 2);  // beside the log box
        ::ReleaseDC(h, dc);
    });
    EXPECT_EQ(RGB(235, 235, 235), corner);
    EXPECT_EQ(RGB(235, 235, 235), middle);
}

TEST_F(MainWindow, LogBoxShowsTheGatheredLogAndEnterReadsItBack) {
    CUnloadDlg dlg;
    // As after a silent run: the text is there before the window.
    dlg.m_strLog = CatalogueText(IDS_LOG_START).c_str();
    const std::string typed = "typed by the user\r\nsecond line";
    INT_PTR result = DriveDialog([&] { return dlg.DoModal(); }, [&](HWND h) {
        HWND log = ::GetDlgItem(h, IDC_LOG);
        EXPECT_EQ(CatalogueText(IDS_LOG_START), WindowText(log));
        EXPECT_FALSE(::GetWindowLongA(log, GWL_STYLE) & ES_READONLY);
        ::SendMessageA(log, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
        // Enter, as the keyboard delivers it to the focused control.
        HWND focus = ::GetDlgItem(h, IDCANCEL);
        ::PostMessageA(focus, WM_KEYDOWN, VK_RETURN, 0x001C0001);
        ::PostMessageA(focus, WM_KEYUP, VK_RETURN, 0xC01C0001);
        WaitUntil([&] { return !::IsWindow(h); }, 10000);
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(typed, dlg.m_strLog.str());
}

TEST_F(MainWindow, RefreshReplacesWhatWasTyped) {
    CUnloadDlg dlg;
    dlg.m_strLog = "line one\r\n";
    DriveDialog([&] { return dlg.DoModal(); }, [&](HWND h) {
        HWND log = ::GetDlgItem(h, IDC_LOG);
        ::SendMessageA(log, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("typed over"));
        // A run appends a line and refreshes: the box shows the log, not the typing.
        // (The modal loop is idle meanwhile, so the object may be used from here.)
        dlg.m_strLog += "line two\r\n";
        EXPECT_EQ(std::string("typed over"), WindowText(log)) << "appending alone changes nothing on screen";
        dlg.UpdateData(FALSE);
        EXPECT_EQ(std::string("line one\r\nline two\r\n"), WindowText(log));
        EXPECT_EQ(log, dlg.m_progress.m_hWnd ? ::GetDlgItem(h, IDC_LOG) : nullptr) << "controls stay bound";
        EXPECT_EQ(::GetDlgItem(h, IDC_PROGRESS), dlg.m_progress.m_hWnd);
        EXPECT_EQ(::GetDlgItem(h, IDC_RUN), dlg.m_btnRun.m_hWnd);
        EXPECT_EQ(::GetDlgItem(h, IDCANCEL), dlg.m_btnExit.m_hWnd);
    });
}

// The automatic start: the window must be 1 x 1 at (-10, -10) and at the
// bottom of the window order when it is first shown. Checked in a copy of
// this program started with " /silent" in its command line.
namespace {
struct FirstShow {
    bool seen = false;
    RECT rect = {};
    bool bottom = false;
    bool moveSeen = false;  // the move to 1 x 1, as the window procedure saw it
    WINDOWPOS move = {};
};
FirstShow g_firstShow;
HHOOK g_hook = nullptr;

LRESULT CALLBACK WatchShow(int code, WPARAM wp, LPARAM lp) {
    const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && m->message == WM_WINDOWPOSCHANGING && !g_firstShow.moveSeen) {
        const WINDOWPOS* wp = reinterpret_cast<const WINDOWPOS*>(m->lParam);
        if (wp->cx == 1 && wp->cy == 1 && !(wp->flags & SWP_NOSIZE)) {
            g_firstShow.moveSeen = true;
            g_firstShow.move = *wp;
        }
    }
    // Shown by ShowWindow, or by SetWindowPos with SWP_SHOWWINDOW (which sends no WM_SHOWWINDOW).
    const bool showing =
        (m->message == WM_SHOWWINDOW && m->wParam) ||
        (m->message == WM_WINDOWPOSCHANGING &&
         (reinterpret_cast<const WINDOWPOS*>(m->lParam)->flags & SWP_SHOWWINDOW) && !::IsWindowVisible(m->hwnd));
    if (code == HC_ACTION && showing && !g_firstShow.seen && ClassName(m->hwnd) == "#32770" &&
        !::GetParent(m->hwnd)) {
        g_firstShow.seen = true;
        ::GetWindowRect(m->hwnd, &g_firstShow.rect);
        g_firstShow.bottom = ::GetWindow(m->hwnd, GW_HWNDNEXT) == nullptr;
    }
    return ::CallNextHookEx(g_hook, code, wp, lp);
}
}  // namespace

TEST_F(MainWindow, AutomaticStartMovesTheWindowOffScreenBeforeItIsShown) {
    if (std::string(::GetCommandLineA()).find(" /silent") == std::string::npos) {
        ScratchDir dir("autostart");
        std::string copy = CopySelf(dir.Path(), "autostart.exe");
        ASSERT_FALSE(copy.empty());
        ChildProcess child;
        ASSERT_TRUE(child.Start("\"" + copy + "\" --gtest_filter=MainWindow.AutomaticStart* /silent"));
        DWORD code = 1;
        ASSERT_TRUE(child.Wait(60000, &code));
        EXPECT_EQ(0u, code) << "the automatic start's checks failed in the child";
        return;
    }
    g_hook = ::SetWindowsHookExA(WH_CALLWNDPROC, WatchShow, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(nullptr, g_hook);
    CUnloadDlg dlg;
    bool finalBottom = false;
    {
        // The run the automatic start begins is declined at its first question.
        QuestionDecliner decline(::GetCurrentThreadId());
        DriveDialog([&] { return dlg.DoModal(); }, [&](HWND h) {
            // Once the run has returned and the window is shown.
            finalBottom = ::GetWindow(h, GW_HWNDNEXT) == nullptr;
        });
    }
    EXPECT_TRUE(finalBottom) << "still at the bottom of the window order after the run";
    ::UnhookWindowsHookEx(g_hook);
    ASSERT_TRUE(g_firstShow.seen);
    EXPECT_EQ(-10, g_firstShow.rect.left);
    EXPECT_EQ(-10, g_firstShow.rect.top);
    EXPECT_EQ(1, g_firstShow.rect.right - g_firstShow.rect.left);
    EXPECT_EQ(1, g_firstShow.rect.bottom - g_firstShow.rect.top);
    EXPECT_TRUE(g_firstShow.bottom) << "at the bottom of the window order";
    ASSERT_TRUE(g_firstShow.moveSeen);
    EXPECT_TRUE(g_firstShow.move.flags & SWP_NOACTIVATE) << "the move does not activate";
    EXPECT_FALSE(g_firstShow.move.flags & SWP_NOZORDER);
    EXPECT_EQ(HWND_BOTTOM, g_firstShow.move.hwndInsertAfter);
    EXPECT_EQ(-10, g_firstShow.move.x);
    EXPECT_EQ(-10, g_firstShow.move.y);
}

TEST_F(MainWindow, RunShowsFace132IdleAndDisabledAnd131Pushed) {
    CUnloadDlg dlg;
    bool idle = false, pushed = false, disabled = false;
    DriveDialog([&] { return dlg.DoModal(); }, [&](HWND h) {
        HWND run = ::GetDlgItem(h, IDC_RUN);
        // The white line inside the top of face 132, the darker one of 131. The
        // dialog thread may still be settling its focus: wait for the face.
        auto shows = [&](COLORREF want) {
            return WaitUntil([&] {
                ::RedrawWindow(run, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                HDC dc = ::GetDC(run);
                COLORREF c = ::GetPixel(dc, 5, 1);
                ::ReleaseDC(run, dc);
                return c == want;
            }, 2000);
        };
        idle = shows(RGB(255, 255, 255));
        ::SendMessageA(run, BM_SETSTATE, TRUE, 0);
        pushed = shows(RGB(150, 150, 150));
        ::SendMessageA(run, BM_SETSTATE, FALSE, 0);
        ::EnableWindow(run, FALSE);
        disabled = shows(RGB(255, 255, 255));
    });
    EXPECT_TRUE(idle);
    EXPECT_TRUE(pushed);
    EXPECT_TRUE(disabled);
}

TEST_F(MainWindow, AThousandPaintsHoldNoNewGdiObjects) {
    // Painting does not depend on the language: one of the two runs is enough.
    if (!Japanese()) GTEST_SKIP() << "checked in the Japanese run";
    CUnloadDlg dlg;
    DWORD before = 0, after = 0;
    DriveDialog([&] { return dlg.DoModal(); }, [&](HWND h) {
        HWND run = ::GetDlgItem(h, IDC_RUN);
        auto paint = [&](int i) {
            ::SendMessageA(run, BM_SETSTATE, i % 2, 0);  // both faces
            ::RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        };
        for (int i = 0; i < 10; ++i) paint(i);  // first paints may fill the system's caches
        before = GdiObjectCount();
        for (int i = 0; i < 1000; ++i) paint(i);
        after = GdiObjectCount();
    });
    ASSERT_NE(0u, before);
    EXPECT_LE(after, before + 5) << "objects leaked by painting";
}
