#include "dialogs/dialog_base.h"

#include <utility>

#include "base/logger.h"
#include "base/report.h"
#include "base/resource.h"

namespace {
// A timer message comes only when nothing is left to paint, children included.
const UINT_PTR kPaintedTimer = 0x4F56;
// A page that does not paint (started minimised) holds the work no longer.
const UINT kPaintedLimitMs = 1000;

std::function<void()>& paintedHandler() {
    static std::function<void()> handler;
    return handler;
}
}  // namespace

void DialogBase::whenPainted(std::function<void()> handler) { paintedHandler() = std::move(handler); }

DialogBase::~DialogBase() {
    if (window_ && !modal_) {
        ::DestroyWindow(window_);
    }
}

const DLGTEMPLATE* DialogBase::dialogTemplate() const {
    // Through Resource, so that the page comes in the run's chosen language.
    size_t size = 0;
    return static_cast<const DLGTEMPLATE*>(Resource(MAKEINTRESOURCEA(resourceId_), RT_DIALOG).getPtr(size));
}

// Unicode windows throughout: an ANSI dialog would pass every text of the
// template through the system code page, and a Japanese page on an English
// system would show question marks.
INT_PTR DialogBase::DoModal(HWND parent) {
    try {
        // The wide call keeps the caption in its language: the narrow one
        // passes it through the ANSI code page.
        modal_ = true;
        const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialogTemplate(), parent, &dialogProc,
                                                       reinterpret_cast<LPARAM>(this));
        window_ = nullptr;
        return result;
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
        return -1;
    }
}

HWND DialogBase::Create(HWND parent) {
    try {
        modal_ = false;
        return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), dialogTemplate(), parent, &dialogProc,
                                          reinterpret_cast<LPARAM>(this));
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
        return nullptr;
    }
}

void DialogBase::DestroyWindow() {
    if (window_ && !modal_) ::DestroyWindow(window_);
}

void DialogBase::EndDialog(INT_PTR code) {
    if (window_ && modal_) ::EndDialog(window_, code);
}

INT_PTR CALLBACK DialogBase::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogBase* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<DialogBase*>(lParam);
        self->window_ = window;
        SetWindowLongPtrA(window, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<DialogBase*>(GetWindowLongPtrA(window, DWLP_USER));
    }
    if (!self) return FALSE;
    INT_PTR result = FALSE;
    bool handled = false;
    // No exception may reach the system's dialog procedure.
    try {
        // The same timer: the paint's replaces the limit's.
        if (message == WM_INITDIALOG && paintedHandler()) SetTimer(window, kPaintedTimer, kPaintedLimitMs, nullptr);
        if (message == WM_PAINT && paintedHandler()) SetTimer(window, kPaintedTimer, 0, nullptr);
        if (message == WM_TIMER && wParam == kPaintedTimer) {
            KillTimer(window, kPaintedTimer);
            if (auto handler = std::exchange(paintedHandler(), nullptr)) handler();
            return TRUE;
        }
        handled = self->onMessage(message, wParam, lParam, result);
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, DWLP_USER, 0);
        self->window_ = nullptr;
    }
    return handled ? result : FALSE;
}
