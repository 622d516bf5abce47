// The skinned button: its faces drawn into memory DCs and read back pixel by
// pixel, its press and hover states driven with real mouse input, and the window
// region made from a mask.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "SkinnedButton.h"
#include "TestSupport.h"
#include "resource.h"

using namespace tolmtest;

namespace {

const COLORREF kSentinel = RGB(10, 200, 30);
const COLORREF kFrame = RGB(118, 118, 118);
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kHoverColour = RGB(0, 120, 215);  // the test's face 200
const int kHoverFace = 200;
const int kMask = 201;  // 70 x 20: white for x < 4, and for 30 <= x < 34 in row 10
COLORREF Grey(int v) { return RGB(v, v, v); }
// Band of face 132's row y (2 to 19); face 131 shows each band one row lower.
COLORREF Band(int y) { return Grey(220 + (y - 2) * 24 / 17 + ((y - 2) * 24 % 17 * 2 >= 17)); }

// A 32-bit top-down DIB in a memory DC, filled with the sentinel colour.
class Canvas {
public:
    Canvas(int w, int h) : m_w(w), m_h(h), m_dc(::CreateCompatibleDC(nullptr)) {
        BITMAPINFO bi = {};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        m_bmp.Reset(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0));
        m_old = ::SelectObject(m_dc.Get(), m_bmp.Get());
        for (int i = 0; i < w * h; ++i) m_bits[i] = RGB(GetBValue(kSentinel), GetGValue(kSentinel), GetRValue(kSentinel));
    }
    ~Canvas() { ::SelectObject(m_dc.Get(), m_old); }
    HDC Dc() const { return m_dc.Get(); }
    COLORREF At(int x, int y) const {
        ::GdiFlush();
        DWORD p = m_bits[y * m_w + x];
        return RGB(GetBValue(p), GetGValue(p), GetRValue(p));
    }
    // The points of the colour c.
    std::vector<POINT> Find(COLORREF c) const {
        std::vector<POINT> found;
        for (int y = 0; y < m_h; ++y)
            for (int x = 0; x < m_w; ++x)
                if (At(x, y) == c) found.push_back(POINT{x, y});
        return found;
    }
    std::vector<DWORD> Pixels() const { ::GdiFlush(); return std::vector<DWORD>(m_bits, m_bits + m_w * m_h); }

private:
    int m_w, m_h;
    MemoryDc m_dc;
    GdiObject m_bmp;
    HGDIOBJ m_old = nullptr;
    DWORD* m_bits = nullptr;
};

// A visible top-most window at (100, 100) holding one owner-drawn button at
// (10, 10), bound to btn; it counts the button's notifications.
class Host : public CWnd {
public:
    Host(CSkinnedButton& btn, const char* caption) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.lpszClassName = "TolmSkinHost";
        ::RegisterClassA(&wc);
        HWND h = ::CreateWindowExA(WS_EX_TOPMOST, "TolmSkinHost", "", WS_POPUP | WS_VISIBLE, 100, 100, 200, 100, nullptr,
                                   nullptr, nullptr, nullptr);
        SubclassWindow(h);
        ::CreateWindowExA(0, "BUTTON", caption, WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 10, 10, 75, 28, h,
                          reinterpret_cast<HMENU>(100), nullptr, nullptr);
        btn.SubclassDlgItem(100, this);
    }
    ~Host() override { DestroyWindow(); }
    int clicks = 0, doubleClicks = 0;

protected:
    BOOL OnCommand(WPARAM w, LPARAM) override {
        if (HIWORD(w) == BN_CLICKED) ++clicks;
        if (HIWORD(w) == BN_DOUBLECLICKED) ++doubleClicks;
        return TRUE;
    }
};

// Draws btn in state into a canvas of w x h whose item rectangle is cx x cy.
std::vector<DWORD> Draw(CSkinnedButton& btn, UINT state, Canvas& canvas, int cx = 74, int cy = 21) {
    DRAWITEMSTRUCT dis = {ODT_BUTTON, 100, 0, ODA_DRAWENTIRE, state, btn.m_hWnd, canvas.Dc(), {0, 0, cx, cy}, 0};
    btn.DrawItem(&dis);
    return canvas.Pixels();
}

void Pump() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

}  // namespace

TEST(SkinnedButton, StatesPaintTheirFacesWithTheCaptionInPlace) {
    CSkinnedButton btn;
    Host host(btn, "Run");
    btn.ApplySkin(IDB_BUTTON_UP, IDB_BUTTON_DOWN, 0, 0, 0, 0, 0, 0, 1);
    RECT r;
    ::GetClientRect(btn, &r);
    EXPECT_EQ(74, r.right);
    EXPECT_EQ(21, r.bottom);

    Canvas normal(80, 24), pushed(80, 24), disabled(80, 24), focused(80, 24);
    Draw(btn, 0, normal);
    Draw(btn, ODS_SELECTED, pushed);
    Draw(btn, ODS_DISABLED, disabled);
    // Without a focus margin the focus bit changes nothing.
    EXPECT_EQ(Draw(btn, ODS_FOCUS, focused), normal.Pixels());

    struct Probe { const Canvas* canvas; int x, y; COLORREF want; } probes[] = {
        {&normal, 0, 0, kFrame}, {&normal, 73, 20, kFrame}, {&normal, 5, 1, kWhite}, {&normal, 1, 2, Band(2)},
        {&normal, 5, 19, Band(19)}, {&normal, 74, 5, kSentinel}, {&normal, 5, 21, kSentinel},
        {&pushed, 0, 0, kFrame}, {&pushed, 5, 1, Grey(150)}, {&pushed, 1, 5, Grey(180)}, {&pushed, 5, 3, Band(2)},
        {&pushed, 5, 19, Band(18)}, {&disabled, 5, 1, kWhite}, {&disabled, 73, 0, kFrame}};
    for (const Probe& p : probes)
        EXPECT_EQ(p.want, p.canvas->At(p.x, p.y)) << p.x << "," << p.y;

    // The caption: black, at the same place pushed or not.
    std::vector<POINT> text = normal.Find(::GetSysColor(COLOR_BTNTEXT));
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.size(), pushed.Find(::GetSysColor(COLOR_BTNTEXT)).size());
    for (const POINT& p : text) EXPECT_EQ(::GetSysColor(COLOR_BTNTEXT), pushed.At(p.x, p.y));
    // Disabled: grey text where the caption is, the highlight one pixel right and down.
    EXPECT_TRUE(disabled.Find(::GetSysColor(COLOR_BTNTEXT)).empty());
    std::vector<POINT> grey = disabled.Find(::GetSysColor(COLOR_GRAYTEXT));
    EXPECT_EQ(text.size(), grey.size());
    for (const POINT& p : grey) EXPECT_EQ(::GetSysColor(COLOR_BTNTEXT), normal.At(p.x, p.y)) << p.x << "," << p.y;
    // Every pixel the caption touches (smoothed edges included) against the bare
    // face: the highlight reaches one pixel further right and down than the glyphs.
    Canvas bare(80, 24);
    ::SetWindowTextA(btn, "");
    Draw(btn, 0, bare);
    auto box = [&](const Canvas& c, const std::function<bool(COLORREF, COLORREF)>& touched) {
        RECT b = {100, 100, -1, -1};
        for (int y = 0; y < 21; ++y)
            for (int x = 0; x < 74; ++x)
                if (touched(c.At(x, y), bare.At(x, y)))
                    b = RECT{std::min<LONG>(b.left, x), std::min<LONG>(b.top, y), std::max<LONG>(b.right, x + 1),
                             std::max<LONG>(b.bottom, y + 1)};
        return b;
    };
    RECT glyphs = box(normal, [](COLORREF got, COLORREF face) { return got != face; });
    RECT light = box(disabled, [](COLORREF got, COLORREF face) { return GetRValue(got) > GetRValue(face) + 4; });
    EXPECT_EQ(glyphs.right + 1, light.right);
    EXPECT_EQ(glyphs.bottom + 1, light.bottom);
    EXPECT_GT(light.left, glyphs.left);

    // Hovering shows the hover face in the normal state only.
    btn.ApplySkin(IDB_BUTTON_UP, IDB_BUTTON_DOWN, kHoverFace, 0, 0, 0, 0, 0, 1);
    btn.m_bHover = 1;
    Canvas hover(80, 24), hoverPushed(80, 24);
    Draw(btn, 0, hover);
    Draw(btn, ODS_SELECTED, hoverPushed);
    EXPECT_EQ(kHoverColour, hover.At(5, 1));
    EXPECT_EQ(Grey(150), hoverPushed.At(5, 1));
}

TEST(SkinnedButton, DrawModesFocusRectangleAndArgumentLimits) {
    CSkinnedButton btn;
    Host host(btn, "WWWWWWWWWWWWWWWWWWWW");  // wider than the button
    struct Limit { int mode, margin; short wantMode, wantMargin; } limits[] = {
        {5, 2, 2, 2}, {-1, -3, 0, 0}, {65535, 0, 0, 0}, {1, 7, 1, 7}};
    for (const Limit& l : limits) {
        btn.ApplySkin(IDB_BUTTON_UP, IDB_BUTTON_DOWN, 0, 0, 0, l.mode, 0, l.margin, 0);
        EXPECT_EQ(l.wantMode, btn.m_nDrawMode) << l.mode;
        EXPECT_EQ(l.wantMargin, btn.m_nFocusMargin) << l.margin;
    }
    RECT r;
    ::GetClientRect(btn, &r);
    EXPECT_EQ(75, r.right) << "no fitting: the button keeps its size";

    struct Case { int mode, cx, cy, x, y; COLORREF want; } cases[] = {
        {0, 100, 30, 73, 20, kFrame}, {0, 100, 30, 5, 1, kWhite},
        {1, 148, 42, 1, 1, kFrame}, {1, 148, 42, 2, 3, kWhite}, {1, 148, 42, 147, 41, kFrame},
        {1, 148, 42, 10, 4, Band(2)},
        {2, 100, 30, 74, 0, kFrame}, {2, 100, 30, 75, 1, kWhite}, {2, 100, 30, 0, 21, kFrame},
        {2, 100, 30, 1, 22, kWhite}, {2, 100, 30, 99, 29, Band(8)}, {2, 100, 30, 100, 29, kSentinel},
        {2, 100, 30, 99, 30, kSentinel}};
    for (const Case& c : cases) {
        btn.ApplySkin(IDB_BUTTON_UP, 0, 0, 0, 0, c.mode, 0, 0, 0);
        Canvas canvas(160, 50);
        Draw(btn, 0, canvas, c.cx, c.cy);
        EXPECT_EQ(c.want, canvas.At(c.x, c.y)) << "mode " << c.mode << " at " << c.x << "," << c.y;
    }

    // A focus margin of 3: the dotted frame inset by 3, the caption clipped inside it.
    btn.ApplySkin(IDB_BUTTON_UP, IDB_BUTTON_DOWN, 0, 0, 0, 0, 0, 3, 0);
    Canvas plain(74, 21), focus(74, 21);
    Draw(btn, 0, plain);
    Draw(btn, ODS_FOCUS, focus);
    const COLORREF black = ::GetSysColor(COLOR_BTNTEXT);
    int inverted = 0;
    for (int x = 3; x < 71; ++x)
        if (focus.At(x, 3) != plain.At(x, 3)) {
            EXPECT_EQ(0xFFFFFFu & ~plain.At(x, 3), focus.At(x, 3)) << x;
            ++inverted;
        }
    EXPECT_GT(inverted, 20);
    bool outside = false;
    for (const POINT& p : plain.Find(black)) outside = outside || p.x < 3 || p.x >= 71;
    EXPECT_TRUE(outside) << "the long caption reaches the edges without a focus rectangle";
    for (const POINT& p : focus.Find(black)) {
        EXPECT_TRUE(p.x >= 3 && p.x < 71 && p.y >= 3 && p.y < 18) << p.x << "," << p.y;
    }

    // No faces at all: the button face colour in every state.
    btn.ApplySkin(0, 0, 0, 0, 0, 0, 0, 0, 0);
    for (UINT state : {0u, UINT(ODS_SELECTED), UINT(ODS_DISABLED)}) {
        Canvas canvas(74, 21);
        Draw(btn, state, canvas);
        EXPECT_EQ(::GetSysColor(COLOR_BTNFACE), canvas.At(1, 1)) << state;
    }
}

TEST(SkinnedButton, MaskShapesTheWindowAndPaintsThroughIt) {
    CSkinnedButton btn;
    Host host(btn, "");
    btn.ApplySkin(IDB_BUTTON_UP, IDB_BUTTON_DOWN, 0, 0, kMask, 0, 0, 0, 1);
    RECT r;
    ::GetWindowRect(btn, &r);
    EXPECT_EQ(70, r.right - r.left) << "sized to the mask, not to the face";
    EXPECT_EQ(20, r.bottom - r.top);
    GdiObject rgn(::CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(ERROR, ::GetWindowRgn(btn, static_cast<HRGN>(rgn.Get())));
    struct At { int x, y; bool in; COLORREF face; } points[] = {
        {2, 5, false, kSentinel}, {4, 5, true, Band(5)}, {31, 10, false, kSentinel}, {31, 9, true, Band(9)},
        {69, 19, true, Band(19)}, {5, 1, true, kWhite}};
    Canvas canvas(70, 20);
    Draw(btn, 0, canvas, 70, 20);
    for (const At& p : points) {
        EXPECT_EQ(p.in, ::PtInRegion(static_cast<HRGN>(rgn.Get()), p.x, p.y) != FALSE) << p.x << "," << p.y;
        EXPECT_EQ(p.face, canvas.At(p.x, p.y)) << p.x << "," << p.y;
    }
    // Tiled, the mask still cuts the window but is not painted through.
    btn.ApplySkin(IDB_BUTTON_UP, IDB_BUTTON_DOWN, 0, 0, kMask, 2, 0, 0, 0);
    Canvas tiled(70, 20);
    Draw(btn, 0, tiled, 70, 20);
    EXPECT_EQ(Band(5), tiled.At(2, 5));
}

TEST(SkinnedButton, RegionFromMaskScansRowsIntoRectangles) {
    CSkinnedButton btn;  // no window: the screen's DC serves
    EXPECT_EQ(nullptr, btn.RegionFromMask(nullptr, kWhite));
    // Each case: the mask's rows ('#' opaque) and the rectangles it must give.
    struct Case { const char* name; std::vector<std::string> rows; std::vector<RECT> want; } cases[] = {
        {"all white", {"........", "........"}, {}},
        {"all black", {"########", "########", "########"}, {{0, 0, 8, 3}}},
        {"last pixel", {"........", ".......#"}, {{7, 1, 8, 2}}},
        {"split row", {"##..###.", "#......#"}, {{0, 0, 2, 1}, {4, 0, 7, 1}, {0, 1, 1, 2}, {7, 1, 8, 2}}},
        {"past the first growth", {std::string(50, '#') + "." + std::string(20, '#')}, {{0, 0, 50, 1}, {51, 0, 71, 1}}},
    };
    // 60 separate runs in one row: more than the first 40 rectangles of the list.
    Case many{"sixty runs", {std::string()}, {}};
    for (int i = 0; i < 60; ++i) {
        many.rows[0] += "#.";
        many.want.push_back(RECT{2 * i, 0, 2 * i + 1, 1});
    }
    auto run = [&](const Case& c) {
        SCOPED_TRACE(c.name);
        const int w = static_cast<int>(c.rows[0].size()), h = static_cast<int>(c.rows.size());
        Canvas mask(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) ::SetPixel(mask.Dc(), x, y, c.rows[y][x] == '#' ? RGB(0, 0, 0) : kWhite);
        GdiObject bmp(::CreateCompatibleBitmap(mask.Dc(), w, h));
        {
            MemoryDc dc(::CreateCompatibleDC(mask.Dc()));
            SelectGuard sel(dc.Get(), bmp.Get());
            ::BitBlt(dc.Get(), 0, 0, w, h, mask.Dc(), 0, 0, SRCCOPY);
        }
        GdiObject got(btn.RegionFromMask(static_cast<HBITMAP>(bmp.Get()), kWhite));
        ASSERT_TRUE(got.Valid());
        GdiObject want(::CreateRectRgn(0, 0, 0, 0));
        for (const RECT& r : c.want) {
            GdiObject piece(::CreateRectRgnIndirect(&r));
            ::CombineRgn(static_cast<HRGN>(want.Get()), static_cast<HRGN>(want.Get()), static_cast<HRGN>(piece.Get()), RGN_OR);
        }
        EXPECT_TRUE(::EqualRgn(static_cast<HRGN>(got.Get()), static_cast<HRGN>(want.Get())));
    };
    for (const Case& c : cases) run(c);
    // The pieces the region is combined from are freed: repeating changes no count.
    run(many);
    const DWORD before = GdiObjectCount();
    for (int i = 0; i < 5; ++i) run(many);
    EXPECT_EQ(before, GdiObjectCount());
}

TEST(SkinnedButton, PressAndHoverFollowTheMouse) {
    CSkinnedButton btn;
    Host host(btn, "Run");
    btn.ApplySkin(IDB_BUTTON_UP, IDB_BUTTON_DOWN, kHoverFace, 0, 0, 0, 0, 0, 1);
    Pump();
    // Button at (110, 110) on the screen, 74 x 21; (150, 150) is outside it, on the host.
    const POINT in = {140, 118}, out = {150, 150};
    DWORD time = ::GetTickCount();
    auto send = [&](POINT p, DWORD flags) {
        ::SetCursorPos(p.x, p.y);
        INPUT input = {};
        input.type = INPUT_MOUSE;
        input.mi.dx = p.x * 65536 / ::GetSystemMetrics(SM_CXSCREEN) + 1;
        input.mi.dy = p.y * 65536 / ::GetSystemMetrics(SM_CYSCREEN) + 1;
        input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        input.mi.time = time += 10;  // close enough in time for a double click
        ::SendInput(1, &input, sizeof input);
        Pump();
    };
    auto face = [&] {
        ::RedrawWindow(btn, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        CClientDC dc(&btn);
        return dc.GetPixel(5, 1);
    };
    const COLORREF up = kWhite, down = Grey(150), hover = kHoverColour;
    struct Step { const char* what; std::function<void()> act; int pressed, hovering; bool pushed, capture; int clicks; COLORREF face; } steps[] = {
        {"move in", [&] { send(in, 0); }, 0, 1, false, false, 0, hover},
        {"down", [&] { send(in, MOUSEEVENTF_LEFTDOWN); }, 1, 0, true, true, 0, down},
        {"move out", [&] { send(out, 0); }, 1, 0, false, true, 0, up},
        {"move in held", [&] { send(in, 0); }, 1, 0, true, true, 0, down},
        {"up inside", [&] { send(in, MOUSEEVENTF_LEFTUP); }, 0, 1, false, false, 1, hover},
        {"down, out, up outside", [&] { send(in, MOUSEEVENTF_LEFTDOWN); send(out, 0); send(out, MOUSEEVENTF_LEFTUP); }, 0, 0, false, false, 1, up},
        {"click, then the second press", [&] { send(in, MOUSEEVENTF_LEFTDOWN); send(in, MOUSEEVENTF_LEFTUP); send(in, MOUSEEVENTF_LEFTDOWN); }, 1, 0, true, true, 2, down},
        {"up after the double click", [&] { send(in, MOUSEEVENTF_LEFTUP); }, 0, 1, false, false, 3, hover},
        {"down, focus lost", [&] { send(in, MOUSEEVENTF_LEFTDOWN); ::SetFocus(host); }, 0, 0, false, false, 3, up},
    };
    // The system follows a released capture with a mouse move, so the pointer
    // resting on the button after a click hovers again.
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.act();
        EXPECT_EQ(s.pressed, btn.m_bPressed);
        EXPECT_EQ(s.hovering, btn.m_bHover);
        EXPECT_EQ(s.pushed, (btn.GetState() & BST_PUSHED) != 0);
        EXPECT_EQ(s.capture, ::GetCapture() == btn.m_hWnd);
        EXPECT_EQ(s.clicks, host.clicks);
        EXPECT_EQ(s.face, face());
    }
    EXPECT_EQ(0, host.doubleClicks) << "the double click is no notification of its own";
    // Hovering ends with the leave notification.
    send(out, MOUSEEVENTF_LEFTUP);
    send(in, 0);
    EXPECT_EQ(1, btn.m_bHover);
    ::SendMessageA(btn, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(0, btn.m_bHover);
    EXPECT_EQ(up, face());
}
