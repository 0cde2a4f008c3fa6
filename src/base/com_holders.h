#pragma once
// Holders of COM and OLE resources: interface pointers, the apartment of a
// thread, BSTR and VARIANT.
#include "base/win.h"  // first: the system headers below need it

#include <ole2.h>

#include <utility>

// Holds one reference to an interface.
template <class I>
class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(I* p) : p_(p) {}  // takes over the reference
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr& other) : p_(other.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr& operator=(const ComPtr& other) {
        if (this != &other) {
            if (other.p_) other.p_->AddRef();
            reset(other.p_);
        }
        return *this;
    }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) reset(std::exchange(other.p_, nullptr));
        return *this;
    }

    I* get() const { return p_; }
    I* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For a call that hands out a reference, such as CoCreateInstance.
    I** out() {
        reset();
        return &p_;
    }
    void** outVoid() { return reinterpret_cast<void**>(out()); }
    I* detach() { return std::exchange(p_, nullptr); }
    void reset(I* p = nullptr) {
        I* old = std::exchange(p_, p);
        if (old) old->Release();
    }

    // Another interface of the same object.
    template <class J>
    HRESULT query(REFIID iid, ComPtr<J>& other) const {
        return p_ ? p_->QueryInterface(iid, other.outVoid()) : E_POINTER;
    }

private:
    I* p_ = nullptr;
};

// An initialisation of the calling thread for the scope; only a successful
// one (S_OK, or S_FALSE for a nested one) is undone.
template <void(WINAPI* Undo)()>
class ThreadInitScope {
public:
    explicit ThreadInitScope(HRESULT result) : result_(result) {}
    ~ThreadInitScope() {
        if (SUCCEEDED(result_)) Undo();
    }
    ThreadInitScope(const ThreadInitScope&) = delete;
    ThreadInitScope& operator=(const ThreadInitScope&) = delete;
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

// The COM apartment of the calling thread.
class ComScope : public ThreadInitScope<CoUninitialize> {
public:
    explicit ComScope(DWORD model = COINIT_APARTMENTTHREADED) : ThreadInitScope(CoInitializeEx(nullptr, model)) {}
};

// OLE on the calling thread (drag and drop, the clipboard, in-place activation).
class OleScope : public ThreadInitScope<OleUninitialize> {
public:
    OleScope() : ThreadInitScope(OleInitialize(nullptr)) {}
};

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const wchar_t* text) : b_(text ? SysAllocString(text) : nullptr) {}
    ~Bstr() { reset(); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : b_(std::exchange(other.b_, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept {
        if (this != &other) reset(std::exchange(other.b_, nullptr));
        return *this;
    }

    BSTR get() const { return b_; }
    BSTR* out() {
        reset();
        return &b_;
    }
    BSTR detach() { return std::exchange(b_, nullptr); }
    void reset(BSTR b = nullptr) {
        BSTR old = std::exchange(b_, b);
        if (old) SysFreeString(old);
    }

private:
    BSTR b_ = nullptr;
};

class Variant {
public:
    Variant() { VariantInit(&v_); }
    ~Variant() { VariantClear(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    // A VARIANT moves by its bytes; the source is left empty.
    Variant(Variant&& other) noexcept : v_(other.v_) { VariantInit(&other.v_); }
    Variant& operator=(Variant&& other) noexcept {
        if (this != &other) {
            VariantClear(&v_);
            v_ = other.v_;
            VariantInit(&other.v_);
        }
        return *this;
    }

    VARIANT* get() { return &v_; }
    const VARIANT* get() const { return &v_; }
    // Cleared first, for a call that fills it.
    VARIANT* out() {
        VariantClear(&v_);
        return &v_;
    }

private:
    VARIANT v_;
};
