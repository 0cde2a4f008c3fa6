#pragma once
// The launcher's progress from operation reports.
//
// Progress page (owns the mailbox and the slot; its worker runs the sequence):
//     OperationMailbox::Memory mailbox{OperationMailbox::Name};  // in the constructor
//     progress::SequenceSlot slot;
//     // worker thread: publishes itself in slot, polls until done, unpublishes
//     progress::OperationSequence::run(slot, mailbox, page);  // page: a progress::ProgressUpdater
//     // stop, on the page's own thread:
//     slot.stopSequence();
//     OperationMailbox::reset(mailbox);
//     slot.setPhase(progress::SequenceSlot::Stopped);
//     worker.join();
// The page receives setPosition(0 .. its getRange()) from the worker and from the
// timer thread, and complete() once the last chunk is done.
//
// Reporter, in the launcher (installer callback) or another process (custom action):
//     ClientOperation client;  // "QdsOperationSequenceSharedMemory"
//     client.post(7, Operation::Started);
//     ...
//     client.post(7, Operation::Finished);
#include <atomic>
#include <cstdint>
#include <memory>

#include "ipc/mutex.h"
#include "ipc/timer.h"
#include "progress/chunked_progress.h"
#include "progress/operation.h"

namespace progress {

class OperationSequence;

// What a progress page shares with the sequence its worker runs: the current
// sequence and the phase, under one conditional.
class SequenceSlot {
public:
    enum Phase : int { Running = 0, Finished = 2, Stopped = 3 };

    // Waits until a sequence has been published (or the phase has left Running),
    // ends it and waits until it has unpublished itself: one polling period.
    // A worker that fails before it calls run must setPhase(Finished) itself.
    void stopSequence();
    void setPhase(Phase phase);  // notifies one waiter
    Phase getPhase();
    // Passes of the polling loop since the current or last sequence was published.
    std::uint32_t getPollCount() const { return polls; }

private:
    friend class OperationSequence;
    void publish(OperationSequence* sequence);
    void unpublish();

    ipc::Conditional conditional;
    OperationSequence* current = nullptr;  // under conditional
    Phase phase = Running;                 // under conditional
    std::atomic<std::uint32_t> polls{0};
};

class OperationSequence {
public:
    // The expected operations in order, with their weights in milliseconds.
    static ChunkList buildChunks();

    // Builds the chunks on the target's range, publishes the sequence in slot,
    // polls the mailbox until the last chunk is done, a Terminated report comes
    // or the slot's owner stops it; then unpublishes it (on every exit,
    // exceptions included: the phase is Finished afterwards). clock: the
    // performance counter unless given.
    static void run(SequenceSlot& slot, OperationMailbox::Memory& mailbox, ProgressUpdater& target,
                    Clock* clock = nullptr);

    // Ends the sequence at its next poll.
    void setDone() { done = true; }

    ~OperationSequence();

private:
    class Publication;

    OperationSequence(OperationMailbox::Memory& mailbox, ProgressUpdater& target, Clock& clock);
    void poll(SequenceSlot& slot);
    void onOperation(const Operation& op);
    void stopCurrentTimer();
    void completeCurrentChunk();
    void startTiming();

    const std::int32_t timerPeriodMs = 100;
    const std::uint32_t pollingPeriodMs = 100;
    OperationMailbox::Memory& mailbox;
    Clock& clock;
    // Destroyed in reverse: the timer before the job it runs, the job before its progress.
    std::unique_ptr<ChunkedProgress> progress;
    std::unique_ptr<ipc::Timer::Runnable> runnable;
    std::unique_ptr<ipc::Timer> currentTimer;
    std::uint32_t timedId = 0;
    std::atomic<bool> done{false};
};

}  // namespace progress
