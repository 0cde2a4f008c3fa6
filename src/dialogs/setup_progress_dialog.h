#pragma once
// The page an interactive installation shows while the installer runs: banner,
// status line, bar and picture. Its worker thread runs the operation sequence
// on the mailbox the page owns; positions set on the page go to the bar.
#include <memory>
#include <string>

#include "base/resource_ids.h"
#include "base/win_handles.h"
#include "dialogs/classic_page.h"
#include "ipc/thread.h"
#include "progress/chunked_progress.h"
#include "progress/operation.h"
#include "progress/operation_sequence.h"

class CSetupProgressDialog : public ClassicPage, public ipc::Runnable, public progress::ProgressUpdater {
public:
    enum : int { IDD = IDD_PROGRESS };
    static constexpr std::uint32_t kRange = 1000;

    CSetupProgressDialog();
    ~CSetupProgressDialog() override;

    // The worker thread.
    void run() override;

    // The bar.
    std::uint32_t getPosition() const override { return position_; }
    std::uint32_t getRange() const override { return kRange; }
    void setPosition(std::uint32_t position) override;
    void complete() override {}

    // Ends the worker's sequence and joins it; once, however often it is called.
    void stop();
    void Hide();
    void Destroy();

    const std::string& picturePath() const { return picturePath_; }

protected:
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void initDialog();
    void drawPicture(HDC dc, HWND control);
    void releaseDrawing();

    const ipc::Thread ctorThread_;
    OperationMailbox::Memory mailbox_;
    progress::SequenceSlot slot_;
    ipc::Thread worker_;
    bool workerRunning_ = false;
    std::uint16_t position_ = 0;
    std::string picturePath_;

    UniqueFont statusFont_;
    UniqueBitmap picture_;
    bool pictureLoaded_ = false;
    UniqueModule imaging_;
};
