// One owning type per kind of Windows handle: non-copyable, movable, closed in the
// destructor. Handles the system lends (predefined root keys, the DC of an
// owner-draw record) are never wrapped in these.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <tlhelp32.h>
#include <utility>

// Traits: the handle type, its "no handle" value and how to close it.
template <typename Traits>
class UniqueHandle {
public:
    using T = typename Traits::Type;
    UniqueHandle() = default;
    explicit UniqueHandle(T h) : m_h(h) {}
    ~UniqueHandle() { Close(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : m_h(o.Detach()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) Reset(o.Detach());
        return *this;
    }

    T Get() const { return m_h; }
    bool Valid() const { return m_h != Traits::Invalid(); }
    explicit operator bool() const { return Valid(); }
    // Address for an out-parameter; whatever was held is closed first.
    T* Put() { Close(); return &m_h; }
    T Detach() { T h = m_h; m_h = Traits::Invalid(); return h; }
    void Reset(T h = Traits::Invalid()) { Close(); m_h = h; }
    void Close() {
        if (Valid()) { Traits::Close(m_h); m_h = Traits::Invalid(); }
    }

private:
    T m_h = Traits::Invalid();
};

struct RegKeyTraits {
    using Type = HKEY;
    static HKEY Invalid() { return nullptr; }
    static void Close(HKEY h) { ::RegCloseKey(h); }
};
struct ServiceTraits {
    using Type = SC_HANDLE;
    static SC_HANDLE Invalid() { return nullptr; }
    static void Close(SC_HANDLE h) { ::CloseServiceHandle(h); }
};
// Processes, threads, tokens, events: null means none.
struct KernelTraits {
    using Type = HANDLE;
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
// Files and snapshots: INVALID_HANDLE_VALUE means none.
struct FileTraits {
    using Type = HANDLE;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct FindTraits {
    using Type = HANDLE;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::FindClose(h); }
};
struct GdiTraits {
    using Type = HGDIOBJ;
    static HGDIOBJ Invalid() { return nullptr; }
    static void Close(HGDIOBJ h) { ::DeleteObject(h); }
};
struct MemoryDcTraits {
    using Type = HDC;
    static HDC Invalid() { return nullptr; }
    static void Close(HDC h) { ::DeleteDC(h); }
};

using RegKey = UniqueHandle<RegKeyTraits>;
using ServiceHandle = UniqueHandle<ServiceTraits>;
using KernelHandle = UniqueHandle<KernelTraits>;
using FileHandle = UniqueHandle<FileTraits>;
using SnapshotHandle = UniqueHandle<FileTraits>;
using FindHandle = UniqueHandle<FindTraits>;
using GdiObject = UniqueHandle<GdiTraits>;
using MemoryDc = UniqueHandle<MemoryDcTraits>;

// Selects an object into a DC and puts the previous one back when it goes; a null
// object selects nothing.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) : m_dc(dc), m_old(obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~SelectGuard() {
        if (m_old && m_old != HGDI_ERROR) ::SelectObject(m_dc, m_old);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// SaveDC, and RestoreDC when it goes: a lent DC gets its modes, colours and
// selected objects back.
class SavedDcState {
public:
    explicit SavedDcState(HDC dc) : m_dc(dc), m_id(::SaveDC(dc)) {}
    ~SavedDcState() {
        if (m_id) ::RestoreDC(m_dc, m_id);
    }
    SavedDcState(const SavedDcState&) = delete;
    SavedDcState& operator=(const SavedDcState&) = delete;

private:
    HDC m_dc;
    int m_id;
};

// COM initialisation for the calling thread, undone when it goes.
class ComInit {
public:
    ComInit() : m_hr(::CoInitialize(nullptr)) {}
    ~ComInit() { if (SUCCEEDED(m_hr)) ::CoUninitialize(); }
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;
    HRESULT Result() const { return m_hr; }

private:
    HRESULT m_hr;
};

// An interface pointer released when it goes.
template <typename I>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Release(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    I* operator->() const { return m_p; }
    I* Get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    void** PutVoid() { Release(); return reinterpret_cast<void**>(&m_p); }
    void Release() {
        if (m_p) { m_p->Release(); m_p = nullptr; }
    }

private:
    I* m_p = nullptr;
};
