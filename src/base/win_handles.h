#pragma once
// Owning holders of Windows handles whose closers log their own failures.
#include <utility>

#include "base/win.h"

void closeHANDLE(HANDLE h);
void closeInternetHandle(void* h);  // an HINTERNET
void closeRegHandle(HKEY h);
void deleteGdiObject(HGDIOBJ h);
void deleteMemoryDC(HDC h);  // a DC of CreateCompatibleDC
void freeModule(HMODULE h);

// For the callers that report a failed close in their own words: closes the
// handle and returns whether that worked, with the system error left for
// GetLastError.
bool tryCloseHandle(HANDLE h);

template <class H, void (*Close)(H)>
class AutoHandle {
public:
    AutoHandle() = default;
    explicit AutoHandle(H h) : h_(h) {}
    ~AutoHandle() { reset(); }
    AutoHandle(const AutoHandle&) = delete;
    AutoHandle& operator=(const AutoHandle&) = delete;
    AutoHandle(AutoHandle&& other) noexcept : h_(other.release()) {}
    AutoHandle& operator=(AutoHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    H get() const { return h_; }
    H release() { return std::exchange(h_, H()); }
    void reset(H h = H()) {
        H old = std::exchange(h_, h);
        if (old != H()) Close(old);
    }

private:
    H h_ = H();
};

// A kernel handle; null and INVALID_HANDLE_VALUE both mean none.
class UniqueHandle : public AutoHandle<HANDLE, closeHANDLE> {
public:
    using AutoHandle::AutoHandle;
    bool valid() const { return get() != nullptr && get() != INVALID_HANDLE_VALUE; }
};

using UniqueRegKey = AutoHandle<HKEY, closeRegHandle>;
using UniqueInternetHandle = AutoHandle<void*, closeInternetHandle>;

template <class T>
void deleteTypedGdiObject(T h) {
    deleteGdiObject(h);
}
// Fonts, bitmaps and brushes that the code created.
template <class T>
using UniqueGdiObject = AutoHandle<T, deleteTypedGdiObject<T>>;
using UniqueFont = UniqueGdiObject<HFONT>;
using UniqueBitmap = UniqueGdiObject<HBITMAP>;
using UniqueBrush = UniqueGdiObject<HBRUSH>;
using UniqueMemoryDC = AutoHandle<HDC, deleteMemoryDC>;
// A module loaded by the code; see also Dll, which resolves functions in one.
using UniqueModule = AutoHandle<HMODULE, freeModule>;

// A window's DC for the scope.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC();
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};
