#include "AfxGdi.h"

#include "AfxString.h"
#include "AfxWin.h"

BOOL CDC::CreateCompatibleDC(CDC* pDC) {
    m_owned.Reset(::CreateCompatibleDC(pDC ? pDC->m_hDC : nullptr));
    m_hDC = m_owned.Get();
    return m_hDC != nullptr;
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) {
    m_hDC = ::BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC() {
    ::EndPaint(m_hWnd, &m_ps);
}

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : nullptr) {
    m_hDC = ::GetDC(m_hWnd);
}

CClientDC::~CClientDC() {
    if (m_hDC) ::ReleaseDC(m_hWnd, m_hDC);
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int width, int height) {
    m_bmp.Reset(::CreateCompatibleBitmap(pDC->m_hDC, width, height));
    return m_bmp.Valid();
}

BOOL CBitmap::LoadBitmap(UINT nID) {
    m_bmp.Reset(::LoadBitmapA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nID)));
    return m_bmp.Valid();
}

int CBitmap::GetBitmap(BITMAP* pBitMap) const {
    if (!m_bmp.Valid()) return 0;
    return ::GetObjectA(m_bmp.Get(), sizeof(BITMAP), pBitMap);
}
