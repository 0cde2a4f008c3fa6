#pragma once
// Holders of memory that a system call allocated for the caller. Header only
// and without logging, so that the error texts can use them too.
#include "base/win.h"  // first: the system headers below need it

#include <objbase.h>

#include <utility>

// LocalAlloc memory: FormatMessage buffers, CommandLineToArgvW, security descriptors.
inline void freeLocal(void* p) {
    if (p) LocalFree(static_cast<HLOCAL>(p));
}
// Memory that the shell and COM hand over.
inline void freeCoTaskMem(void* p) { CoTaskMemFree(p); }

// Memory that a system call allocated for the caller and that one function frees.
template <class T, void (*Free)(void*)>
class FreedPointer {
public:
    FreedPointer() = default;
    explicit FreedPointer(T* p) : p_(p) {}
    ~FreedPointer() { reset(); }
    FreedPointer(const FreedPointer&) = delete;
    FreedPointer& operator=(const FreedPointer&) = delete;

    T* get() const { return p_; }
    // For a call that hands the memory out through a pointer argument.
    T** out() {
        reset();
        return &p_;
    }
    void reset(T* p = nullptr) {
        T* old = std::exchange(p_, p);
        if (old) Free(old);
    }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};
template <class T>
using LocalPointer = FreedPointer<T, freeLocal>;
template <class T>
using CoTaskMemPointer = FreedPointer<T, freeCoTaskMem>;
