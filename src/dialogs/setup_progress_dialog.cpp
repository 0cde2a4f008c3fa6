#include "dialogs/setup_progress_dialog.h"

#include <commctrl.h>

#include <cstdio>

#include "base/all_utils.h"
#include "base/image_file.h"
#include "base/locale.h"
#include "base/logger.h"
#include "base/report.h"
#include "base/sys_info.h"
#include "base/tstrings.h"
#include "ipc/invariant.h"
#include "product/product.h"


CSetupProgressDialog::CSetupProgressDialog()
    : ClassicPage(IDD), ctorThread_(ipc::Thread::getCurrent()), mailbox_(OperationMailbox::Name),
      picturePath_(product::promoPicturePath()) {}

CSetupProgressDialog::~CSetupProgressDialog() {
    try {
        stop();
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
    }
    releaseDrawing();
}

void CSetupProgressDialog::setPosition(std::uint32_t position) {
    position_ = static_cast<std::uint16_t>(position > kRange ? kRange : position);
    // Posted, not sent: the worker and the timer thread call this.
    if (hwnd()) PostMessageA(item(IDC_PROGRESS_BAR), PBM_SETPOS, position_, 0);
}

void CSetupProgressDialog::initDialog() {
    QDS_ASSERT(ipc::Thread::getCurrent() == ctorThread_);
    initLook();
    HWND bar = item(IDC_PROGRESS_BAR);
    PostMessageA(bar, PBM_SETBKCOLOR, 0, RGB(255, 255, 255));
    PostMessageA(bar, PBM_SETBARCOLOR, 0, RGB(50, 205, 50));
    PostMessageA(bar, PBM_SETRANGE32, 0, kRange);
    SetWindowLongPtrA(hwnd(), GWL_STYLE, GetWindowLongPtrA(hwnd(), GWL_STYLE) & ~WS_MAXIMIZEBOX);
    EnableMenuItem(GetSystemMenu(hwnd(), FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    worker_ = ipc::Thread::start(this, false);
    workerRunning_ = worker_.getId() != ipc::Thread::None;
    ShowWindow(hwnd(), SW_HIDE);  // the worker shows it when it begins
    statusFont_.reset(CreateDialogFont(8, false));
}

void CSetupProgressDialog::run() {
    try {
        // Asynchronous: the window belongs to the main thread, which may be
        // waiting for this worker (a stop) and dispatches messages only now and then.
        ShowWindowAsync(hwnd(), SW_SHOW);
        if (SysInfo::getOsVersionClass() < 2) {
            SetForegroundWindow(item(IDC_PROGRESS_PICTURE));
        } else {
            // Above the other windows, without staying on top of them.
            const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_ASYNCWINDOWPOS;
            SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, flags);
            SetWindowPos(hwnd(), HWND_NOTOPMOST, 0, 0, 0, 0, flags | SWP_SHOWWINDOW);
        }
        progress::OperationSequence::run(slot_, mailbox_, *this);
        ShowWindowAsync(hwnd(), SW_HIDE);
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
        slot_.setPhase(progress::SequenceSlot::Finished);  // a stop must not wait for a sequence that never came
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
        slot_.setPhase(progress::SequenceSlot::Finished);
    }
}

void CSetupProgressDialog::stop() {
    if (!workerRunning_) return;
    QDS_ASSERT(ipc::Thread::getCurrent() == ctorThread_);
    slot_.stopSequence();
    // A later sequence must never act on a report left from this one.
    OperationMailbox::reset(mailbox_);
    slot_.setPhase(progress::SequenceSlot::Stopped);
    worker_.join();
    workerRunning_ = false;
}

void CSetupProgressDialog::Hide() {
    if (hwnd()) ShowWindow(hwnd(), SW_HIDE);
}

void CSetupProgressDialog::Destroy() { DestroyWindow(); }

void CSetupProgressDialog::releaseDrawing() {
    statusFont_.reset();
    picture_.reset();
    imaging_.reset();
    pictureLoaded_ = false;
    releaseLook();
}

void CSetupProgressDialog::drawPicture(HDC dc, HWND control) {
    if (!pictureLoaded_) {
        imaging_.reset(OVX_System_LoadLibrary());
        if (imaging_.get()) {
            picture_.reset(LoadImageFile(imaging_.get(), tstrings::fromACP(picturePath_)));
            if (!picture_.get()) {
                picture_.reset(static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_PROGRESS),
                                                               IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
            }
        }
        pictureLoaded_ = true;
    }
    if (!imaging_.get() || !picture_.get()) return;
    BITMAP info = {};
    GetObjectA(picture_.get(), sizeof(info), &info);
    RECT area;
    GetClientRect(control, &area);
    int x = 0;
    try {
        if (Locale::fromPreferredLanguages().getLangId() == 1041) x = (area.right - info.bmWidth) / 2;
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    }
    const UniqueMemoryDC source(CreateCompatibleDC(dc));
    HGDIOBJ old = SelectObject(source.get(), picture_.get());
    BitBlt(dc, x, 0, info.bmWidth, info.bmHeight, source.get(), 0, 0, SRCCOPY);
    SelectObject(source.get(), old);
}

bool CSetupProgressDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
        case WM_INITDIALOG:
            initDialog();
            result = FALSE;  // no focus
            return true;
        case WM_DESTROY:
            stop();
            return false;
        case WM_COMMAND:
            // Esc ends the page only where it stands alone (the test switch);
            // an installation cannot be cancelled from it.
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(IDCANCEL);
                return true;
            }
            return false;
        case WM_CTLCOLORSTATIC: {
            HWND control = reinterpret_cast<HWND>(lParam);
            HDC dc = reinterpret_cast<HDC>(wParam);
            const int id = GetDlgCtrlID(control);
            if (id == IDC_PROGRESS_STATUS) {
                if (statusFont_.get()) SelectObject(dc, statusFont_.get());
                SetBkMode(dc, TRANSPARENT);
                result = reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
                return true;
            }
            if (id == IDC_PROGRESS_PICTURE) {
                drawPicture(dc, control);
                result = reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
                return true;
            }
            if (paintShared(message, wParam, lParam, result)) return true;
            result = reinterpret_cast<INT_PTR>(backgroundBrush());
            return true;
        }
        default:
            return paintShared(message, wParam, lParam, result);
    }
}
