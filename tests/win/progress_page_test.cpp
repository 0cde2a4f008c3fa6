#include <gtest/gtest.h>

#include "base/win.h"

#include <commctrl.h>
#include "base/resource_ids.h"
#include "dialogs/setup_progress_dialog.h"
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
