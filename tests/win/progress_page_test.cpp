#include <gtest/gtest.h>

#include "base/win.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

#include "base/all_utils.h"
#include "base/image_file.h"
#include "base/resource_ids.h"
#include "base/tstrings.h"
#include "base/win_handles.h"
#include "dialogs/setup_progress_dialog.h"
#include "product/product.h"
#include "progress/install_callback.h"
#include "progress/operation.h"

namespace {

Operation readMailbox(OperationMailbox::Memory& mailbox) { return OperationMailbox::read(mailbox); }

void dispatchFor(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    while (GetTickCount() < end) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(10);
    }
}

}  // namespace

TEST(InstallCallback, OnlyThreeActionStartsAreReported) {
    OperationMailbox::Memory mailbox(OperationMailbox::Name);
    InstallCallback callback;
    auto sent = [&](unsigned type, const std::string& text) {
        OperationMailbox::reset(mailbox);
        callback.onMessage(type, 0, text);
        return readMailbox(mailbox);
    };
    EXPECT_EQ(sent(INSTALLMESSAGE_ACTIONSTART, "Action 4:21:23: InstallInitialize. Initializing the installation"),
              Operation(2, Operation::Started));
    EXPECT_EQ(sent(INSTALLMESSAGE_ACTIONSTART, "Action 4:21:23: CostInitialize. Computing space requirements"),
              Operation(1, Operation::Started));
    EXPECT_EQ(sent(INSTALLMESSAGE_ACTIONSTART, "Action 4:21:24: CreateFolders. Creating folders"), Operation(3, Operation::Started));
    // Two blanks after the word: the third token is the time; no full stop; other actions and types.
    EXPECT_EQ(sent(INSTALLMESSAGE_ACTIONSTART, "Action  4:21:23: InstallInitialize. x"), Operation());
    EXPECT_EQ(sent(INSTALLMESSAGE_ACTIONSTART, "Action 4:21:24: CreateFolders Creating folders"), Operation());
    EXPECT_EQ(sent(INSTALLMESSAGE_ACTIONSTART, "Action 4:21:24: InstallFiles. Copying"), Operation());
    EXPECT_EQ(sent(INSTALLMESSAGE_PROGRESS, "Action 4:21:23: CostInitialize. x"), Operation());
    EXPECT_EQ(sent(INSTALLMESSAGE_ERROR, "Action 4:21:23: CostInitialize. x"), Operation());
    EXPECT_EQ(sent(INSTALLMESSAGE_ACTIONSTART, ""), Operation());
}

TEST(InstallCallback, WithoutAPageTheReportGoesToMemoryNobodyReads) {
    InstallCallback callback;
    callback.onMessage(INSTALLMESSAGE_ACTIONSTART, 0, "Action 4:21:23: CostInitialize. Computing");
    EXPECT_EQ(OpenFileMappingA(FILE_MAP_READ, FALSE, OperationMailbox::Name), nullptr) << "nothing outlives the report";
}

TEST(ProgressPage, TheBarIsClampedAndAStopRightAfterCreationEndsTheWorker) {
    CSetupProgressDialog page;
    ASSERT_NE(page.Create(GetDesktopWindow()), nullptr);
    page.setPosition(5000);
    EXPECT_EQ(page.getPosition(), 1000u);
    page.setPosition(148);
    EXPECT_EQ(page.getPosition(), 148u);
    // Stopping before the worker has even published its sequence waits for it.
    page.stop();
    page.stop();  // once is enough
    page.Destroy();
}

TEST(ProgressPage, ReportsMoveTheBarAndAStopClearsTheMailbox) {
    CSetupProgressDialog page;
    ASSERT_NE(page.Create(GetDesktopWindow()), nullptr);
    ClientOperation reporter;
    EXPECT_FALSE(reporter.ownsMemory()) << "the page owns the mailbox";
    reporter.post(3, Operation::Started);  // operations 1 and 2 are skipped
    DWORD waited = 0;
    for (; page.getPosition() < 222 && waited < 10000; waited += 50) dispatchFor(50);
    EXPECT_GE(page.getPosition(), 222u);
    dispatchFor(200);
    // The bar follows the page's position, which may still be moving on.
    const auto bar = static_cast<DWORD>(SendMessageA(GetDlgItem(page.hwnd(), IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0));
    EXPECT_GE(bar, 222u);
    EXPECT_LE(bar, page.getPosition());
    page.Destroy();  // stops the worker
    EXPECT_EQ(OperationMailbox::read(reporter.getMemory()), Operation()) << "no report may outlive the page";
}

namespace {

// The picture's pixels as 32-bit values, top row first.
std::vector<COLORREF> pixelsOf(HBITMAP bitmap, int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<COLORREF> pixels(static_cast<size_t>(width) * height);
    WindowDC screen(nullptr);
    GetDIBits(screen.get(), bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    for (COLORREF& p : pixels) p &= 0xFFFFFF;
    return pixels;
}

// What the control shows, copied from the window's surface.
std::vector<COLORREF> shownPixels(HWND control, int width, int height) {
    WindowDC dc(control);
    const UniqueMemoryDC memory(CreateCompatibleDC(dc.get()));
    const UniqueBitmap copy(CreateCompatibleBitmap(dc.get(), width, height));
    HGDIOBJ old = SelectObject(memory.get(), copy.get());
    BitBlt(memory.get(), 0, 0, width, height, dc.get(), 0, 0, SRCCOPY);
    SelectObject(memory.get(), old);
    return pixelsOf(copy.get(), width, height);
}

int differentPixels(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
    int count = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const int dr = GetRValue(a[i]) - GetRValue(b[i]), dg = GetGValue(a[i]) - GetGValue(b[i]),
                  db = GetBValue(a[i]) - GetBValue(b[i]);
        if (dr * dr + dg * dg + db * db > 3 * 16 * 16) ++count;  // beyond the screen's colour depth
    }
    return count;
}

}  // namespace

// A sponsor picture in its place is what the page shows, instead of its own artwork.
TEST(ProgressPage, DrawsTheSponsorPictureWhenOneIsInPlace) {
    const std::string path = product::promoPicturePath();
    {
        std::ifstream in(OVX_SPONSOR_PICTURE_DIR "/OrunPromoPicture_en.jpg", std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_FALSE(bytes.empty());
        SHCreateDirectoryExA(nullptr, path.substr(0, path.rfind('\\')).c_str(), nullptr);
        std::ofstream(path, std::ios::binary) << bytes;
    }
    const UniqueModule imaging(OVX_System_LoadLibrary());
    ASSERT_TRUE(imaging.get());
    const UniqueBitmap picture(LoadImageFile(imaging.get(), tstrings::fromACP(path)));
    ASSERT_TRUE(picture.get());
    BITMAP info = {};
    GetObjectA(picture.get(), sizeof(info), &info);
    const UniqueBitmap artwork(static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_PROGRESS), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ASSERT_TRUE(artwork.get());

    CSetupProgressDialog page;
    ASSERT_NE(page.Create(GetDesktopWindow()), nullptr);
    ShowWindow(page.hwnd(), SW_SHOW);
    UpdateWindow(page.hwnd());
    dispatchFor(500);
    HWND control = GetDlgItem(page.hwnd(), IDC_PROGRESS_PICTURE);
    RECT area;
    GetClientRect(control, &area);
    const int width = std::min<int>(area.right, info.bmWidth), height = std::min<int>(area.bottom, info.bmHeight);
    const std::vector<COLORREF> shown = shownPixels(control, width, height);
    page.Destroy();
    DeleteFileA(path.c_str());

    // Compared over the control's area, the picture's own size there.
    std::vector<COLORREF> expected = pixelsOf(picture.get(), info.bmWidth, info.bmHeight);
    std::vector<COLORREF> cropped, own;
    const std::vector<COLORREF> artworkPixels = pixelsOf(artwork.get(), info.bmWidth, info.bmHeight);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            cropped.push_back(expected[static_cast<size_t>(y) * info.bmWidth + x]);
            own.push_back(artworkPixels[static_cast<size_t>(y) * info.bmWidth + x]);
        }
    const int total = width * height;
    EXPECT_LT(differentPixels(shown, cropped), total / 50) << "the picture is not what the page shows";
    EXPECT_GT(differentPixels(shown, own), total / 4) << "the page shows its own artwork";
}
