// Windows, dialogs, message maps and data exchange in the shape of MFC, with only
// what this program uses. Exceptions never cross a window procedure.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "AfxGdi.h"
#include "AfxString.h"

class CCmdTarget;
class CWnd;
class CDC;

// A message-map entry calls its handler through a small function made by the entry
// macro, which unpacks the message's arguments and calls the member of the class
// that declared the map. No casts between member-pointer types are needed.
typedef LRESULT (*AFX_PMSG)(CCmdTarget* target, UINT message, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;  // notification code for WM_COMMAND
    UINT nID;    // control or command id for WM_COMMAND
    AFX_PMSG pfn;  // null ends the table
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// The 16-bit colour message; the Win32 WM_CTLCOLOR* messages are dispatched to
// the entry with this message and their kind as nCtlColor.
#ifndef WM_CTLCOLOR
#define WM_CTLCOLOR 0x0019
#endif

#define DECLARE_MESSAGE_MAP()                          \
protected:                                             \
    static const AFX_MSGMAP* GetThisMessageMap();      \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                  \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                           \
        using ThisClass [[maybe_unused]] = theClass;                            \
        using TheBaseClass = baseClass;                                         \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                       \
        { 0, 0, 0, nullptr } };                                                 \
        static const AFX_MSGMAP messageMap = { &TheBaseClass::GetThisMessageMap, \
                                               &_messageEntries[0] };           \
        return &messageMap;                                                     \
    }

#define AFX_THIS(t) static_cast<ThisClass*>(t)
#define AFX_HANDLER(body) [](CCmdTarget* t, UINT m, WPARAM w, LPARAM l) -> LRESULT { \
        (void)t; (void)m; (void)w; (void)l; body }

// void memberFxn(): a command or button click
#define ON_COMMAND(id, memberFxn) \
    { WM_COMMAND, 0, (UINT)(id), AFX_HANDLER((AFX_THIS(t)->*(memberFxn))(); return 0;) },
#define ON_BN_CLICKED(id, memberFxn) \
    { WM_COMMAND, BN_CLICKED, (UINT)(id), AFX_HANDLER(AFX_THIS(t)->memberFxn(); return 0;) },
// void OnPaint()
#define ON_WM_PAINT() \
    { WM_PAINT, 0, 0, AFX_HANDLER(AFX_THIS(t)->OnPaint(); return 0;) },
// void OnSysCommand(UINT nID, LPARAM lParam)
#define ON_WM_SYSCOMMAND() \
    { WM_SYSCOMMAND, 0, 0, AFX_HANDLER(AFX_THIS(t)->OnSysCommand(static_cast<UINT>(w), l); return 0;) },
// HCURSOR OnQueryDragIcon()
#define ON_WM_QUERYDRAGICON() \
    { WM_QUERYDRAGICON, 0, 0, AFX_HANDLER(return reinterpret_cast<LRESULT>(AFX_THIS(t)->OnQueryDragIcon());) },
// HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
#define ON_WM_CTLCOLOR() \
    { WM_CTLCOLOR, 0, 0, AFX_HANDLER(return AfxCrackCtlColor(m, w, l, \
        [t](CDC* dc, CWnd* wnd, UINT kind) { return AFX_THIS(t)->OnCtlColor(dc, wnd, kind); });) },
// BOOL OnHelpInfo(HELPINFO* pHelpInfo)
#define ON_WM_HELPINFO() \
    { WM_HELP, 0, 0, AFX_HANDLER(return AFX_THIS(t)->OnHelpInfo(reinterpret_cast<HELPINFO*>(l));) },
// void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct); the message's result is TRUE
#define ON_WM_DRAWITEM() \
    { WM_DRAWITEM, 0, 0, AFX_HANDLER(AFX_THIS(t)->OnDrawItem(static_cast<int>(w), \
        reinterpret_cast<LPDRAWITEMSTRUCT>(l)); return TRUE;) },

// BOOL OnEraseBkgnd(CDC* pDC); the DC is the system's
#define ON_WM_ERASEBKGND() \
    { WM_ERASEBKGND, 0, 0, AFX_HANDLER(CDC dc(reinterpret_cast<HDC>(w)); \
        return AFX_THIS(t)->OnEraseBkgnd(&dc);) },
// void OnXxx(UINT nFlags, CPoint point): the mouse messages, point in client coordinates
#define AFX_MOUSE_ENTRY(message, memberFxn) \
    { message, 0, 0, AFX_HANDLER(AFX_THIS(t)->memberFxn(static_cast<UINT>(w), CPoint(l)); return 0;) },
#define ON_WM_LBUTTONDOWN() AFX_MOUSE_ENTRY(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_MOUSE_ENTRY(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_MOUSE_ENTRY(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_MOUSEMOVE() AFX_MOUSE_ENTRY(WM_MOUSEMOVE, OnMouseMove)
// void OnKillFocus(CWnd* pNewWnd); null when the new window has no object
#define ON_WM_KILLFOCUS() \
    { WM_KILLFOCUS, 0, 0, AFX_HANDLER(AFX_THIS(t)->OnKillFocus( \
        CWnd::FromHandlePermanent(reinterpret_cast<HWND>(w))); return 0;) },
// LRESULT memberFxn(WPARAM wParam, LPARAM lParam): any message, its result returned
#define ON_MESSAGE(message, memberFxn) \
    { (UINT)(message), 0, 0, AFX_HANDLER(return AFX_THIS(t)->memberFxn(w, l);) },

// A point; from a mouse message's lParam with its signed coordinates.
class CPoint : public POINT {
public:
    CPoint() { x = 0; y = 0; }
    CPoint(int initX, int initY) { x = initX; y = initY; }
    explicit CPoint(LPARAM l) { x = static_cast<short>(LOWORD(l)); y = static_cast<short>(HIWORD(l)); }
};

// Unpacks a WM_CTLCOLOR* message: the DC is lent by the system, and a control with
// no C++ object is lent a temporary one for the call.
template <typename F>
LRESULT AfxCrackCtlColor(UINT message, WPARAM wParam, LPARAM lParam, F call);

class CMenu {
public:
    explicit CMenu(HMENU h) : m_hMenu(h) {}
    HMENU m_hMenu;
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, const char* text = nullptr) {
        return ::AppendMenuA(m_hMenu, flags, id, text);
    }
};

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;
    // Looks for a WM_COMMAND entry (notification code, id) along the message maps
    // and calls it; false when no entry handles the command.
    virtual BOOL OnCmdMsg(UINT nID, UINT nCode);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

INT_PTR CALLBACK AfxDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    operator HWND() const { return m_hWnd; }

    // Routes the window's messages through this object; the previous window
    // procedure stays the default handling. Fails if already bound.
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    // Gives the window back its previous procedure.
    HWND UnsubclassWindow();
    // The C++ object bound to a window, or null.
    static CWnd* FromHandlePermanent(HWND hWnd);

    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    virtual void DoDataExchange(class CDataExchange* pDX);

    BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL SetWindowPos(HWND after, int x, int y, int cx, int cy, UINT flags) {
        return ::SetWindowPos(m_hWnd, after, x, y, cx, cy, flags);
    }
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
        return ::SendMessageA(m_hWnd, msg, wp, lp);
    }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    // The window's system menu, or a menu with a null handle when it has none.
    CMenu GetSystemMenu(BOOL bRevert) const { return CMenu(::GetSystemMenu(m_hWnd, bRevert)); }
    int MessageBox(const char* text, const char* caption = nullptr, UINT type = MB_OK);
    void GetWindowRect(LPRECT r) const { ::GetWindowRect(m_hWnd, r); }
    void ScreenToClient(LPRECT r) const;
    void ClientToScreen(LPPOINT p) const { ::ClientToScreen(m_hWnd, p); }
    void Invalidate(BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
    // Hands rgn to the window, which deletes it when it is replaced; 0 on failure
    // (the region is then still the caller's).
    int SetWindowRgn(HRGN rgn, BOOL bRedraw) { return ::SetWindowRgn(m_hWnd, rgn, bRedraw); }
    // The bound object of the window holding the capture, or null.
    static CWnd* GetCapture() { return FromHandlePermanent(::GetCapture()); }
    void GetWindowText(CString& s) const;
    void SetWindowText(const char* s) { ::SetWindowTextA(m_hWnd, s); }
    BOOL DestroyWindow();

    // Owner-drawn controls draw themselves: WM_DRAWITEM is reflected here.
    virtual void DrawItem(LPDRAWITEMSTRUCT) {}

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

protected:
    // Default handling of the message being processed.
    LRESULT Default();
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Finds the message-map entry and calls it; false when none handles the message.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // Called after the last message; the window handle is already gone.
    virtual void PostNcDestroy() {}

    void OnPaint() { Default(); }
    void OnSysCommand(UINT, LPARAM) { Default(); }
    HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
    HBRUSH OnCtlColor(CDC*, CWnd*, UINT) { return reinterpret_cast<HBRUSH>(Default()); }
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    BOOL OnHelpInfo(HELPINFO*) { return static_cast<BOOL>(Default()); }
    BOOL OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
    void OnLButtonDown(UINT, CPoint) { Default(); }
    void OnLButtonUp(UINT, CPoint) { Default(); }
    void OnLButtonDblClk(UINT, CPoint) { Default(); }
    void OnMouseMove(UINT, CPoint) { Default(); }
    void OnKillFocus(CWnd*) { Default(); }

    DECLARE_MESSAGE_MAP()

private:
    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    WNDPROC m_pfnSuper = nullptr;
    // The message being handled, for Default().
    MSG m_current = {};
};

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Binds a control to its C++ object (binding again changes nothing) and moves a
// string to or from an edit control.
class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);

// True when a quit request is waiting for the thread's message loop.
BOOL AfxQuitPending();

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Creates the dialog from its template and runs its modal loop; returns the
    // code given to EndDialog, or -1 when the dialog could not be created. The
    // dialog is created hidden and shown after OnInitDialog unless it is visible
    // by then or a quit request is pending. A quit request met by the loop ends
    // it and is posted again for the caller.
    virtual INT_PTR DoModal();
    virtual BOOL OnInitDialog();
    void EndDialog(int nResult);

    BOOL OnCmdMsg(UINT nID, UINT nCode) override;

protected:
    virtual void OnOK();
    virtual void OnCancel();
    // F1 and the like: the program has no help, and hands nothing on.
    BOOL OnHelpInfo(HELPINFO*) { return TRUE; }

    LPCSTR m_lpszTemplateName;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()

private:
    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);
    void RunModalLoop();
    bool m_bEndModal = false;
    INT_PTR m_nModalResult = -1;
};

class CButton : public CWnd {
public:
    CButton() = default;
    // BM_GETSTATE: BST_PUSHED, BST_FOCUS and the check state.
    UINT GetState() const { return static_cast<UINT>(::SendMessageA(m_hWnd, BM_GETSTATE, 0, 0)); }
    void SetState(BOOL bHighlight) { ::SendMessageA(m_hWnd, BM_SETSTATE, bHighlight, 0); }
};

class CProgressCtrl : public CWnd {
public:
    CProgressCtrl() = default;
    void SetRange(short nLower, short nUpper) {
        SendMessage(PBM_SETRANGE, 0, MAKELPARAM(nLower, nUpper));
    }
    int SetPos(int nPos) { return static_cast<int>(SendMessage(PBM_SETPOS, nPos, 0)); }
    int GetPos() { return static_cast<int>(SendMessage(PBM_GETPOS, 0, 0)); }
};

template <typename F>
LRESULT AfxCrackCtlColor(UINT message, WPARAM wParam, LPARAM lParam, F call) {
    CDC dc(reinterpret_cast<HDC>(wParam));
    HWND ctl = reinterpret_cast<HWND>(lParam);
    CWnd* pWnd = CWnd::FromHandlePermanent(ctl);
    CWnd temp;
    if (!pWnd) {
        temp.m_hWnd = ctl;
        pWnd = &temp;
    }
    HBRUSH brush = call(&dc, pWnd, message - WM_CTLCOLORMSGBOX);
    temp.m_hWnd = nullptr;
    return reinterpret_cast<LRESULT>(brush);
}
