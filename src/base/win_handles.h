#pragma once
// Owning holders of Windows handles whose closers log their own failures.
#include <utility>

#include "base/win.h"

void closeHANDLE(HANDLE h);
void closeInternetHandle(void* h);  // an HINTERNET
void closeRegHandle(HKEY h);

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
