#include "progress/operation_sequence.h"

#include "base/logger.h"
#include "base/report.h"
#include "ipc/invariant.h"
#include "ipc/thread.h"

namespace progress {

namespace {

// Id and expected seconds of each operation, in the order they run.
constexpr Chunk chunkTable[] = {{1, 20}, {2, 10}, {3, 30}, {4, 40}, {5, 20}, {6, 10}, {7, 5}};

class PerformanceCounterClock : public Clock {
public:
    std::int64_t now() override { return ipc::queryPerformanceCounter(); }
    double frequency() override { return static_cast<double>(ipc::queryPerformanceFrequency()); }
};

// The timer's job: moves the chunk by the clock until the chunk is left.
class ProgressUpdaterRunnable : public ipc::Timer::Runnable {
public:
    ProgressUpdaterRunnable(ChunkedProgress& progress, Clock& clock) : stopwatch(progress, clock) {}
    void run(ipc::Timer& timer) override {
        if (!stopwatch.update()) timer.stop(false);
    }

private:
    ChunkStopwatch stopwatch;
};

}  // namespace

void SequenceSlot::stopSequence() {
    ipc::Mutex::Lock lock(conditional);
    conditional.waitUntil(lock, [&] { return current != nullptr || phase != Running; });
    if (current) {
        current->setDone();
        conditional.waitUntil(lock, [&] { return current == nullptr; });
    }
}

void SequenceSlot::setPhase(Phase p) {
    ipc::Mutex::Lock lock(conditional);
    phase = p;
    conditional.notify(true);
}

SequenceSlot::Phase SequenceSlot::getPhase() {
    ipc::Mutex::Lock lock(conditional);
    return phase;
}

void SequenceSlot::publish(OperationSequence* sequence) {
    ipc::Mutex::Lock lock(conditional);
    polls = 0;
    phase = Running;
    current = sequence;
    conditional.notify(false);
}

void SequenceSlot::unpublish() {
    ipc::Mutex::Lock lock(conditional);
    current = nullptr;
    phase = Finished;
    conditional.notify(false);
}

// Unpublishes and destroys the sequence however run is left: the page's stop
// waits for the unpublishing.
class OperationSequence::Publication {
public:
    explicit Publication(SequenceSlot& slot) : slot(slot) {}
    ~Publication() {
        try {
            if (sequence) sequence->stopCurrentTimer();
        } catch (const std::exception& e) {
            REPORT_EXCEPTION(e);
        } catch (...) {
            REPORT_UNKNOWN_EXCEPTION();
        }
        try {
            slot.unpublish();
        } catch (const std::exception& e) {
            REPORT_EXCEPTION(e);
        } catch (...) {
            REPORT_UNKNOWN_EXCEPTION();
        }
        sequence.reset();  // only now: the slot no longer points at it
    }

    SequenceSlot& slot;
    std::unique_ptr<OperationSequence> sequence;
};

ChunkList OperationSequence::buildChunks() {
    ChunkList chunks;
    for (const Chunk& row : chunkTable) {
        QDS_ASSERT(row.id);
        chunks.setChunk(row.id, row.weight * 1000);
    }
    return chunks;
}

void OperationSequence::run(SequenceSlot& slot, OperationMailbox::Memory& mailbox, ProgressUpdater& target,
                            Clock* clock) {
    static PerformanceCounterClock performanceCounter;
    Publication publication(slot);
    publication.sequence.reset(new OperationSequence(mailbox, target, clock ? *clock : performanceCounter));
    slot.publish(publication.sequence.get());
    publication.sequence->poll(slot);
}

OperationSequence::OperationSequence(OperationMailbox::Memory& mailbox, ProgressUpdater& target, Clock& clock)
    : mailbox(mailbox), clock(clock), progress(std::make_unique<ChunkedProgress>(buildChunks(), target)) {}

OperationSequence::~OperationSequence() = default;

void OperationSequence::poll(SequenceSlot& slot) {
    Operation seen;
    do {
        const Operation op = OperationMailbox::read(mailbox);
        if (!(op == seen)) {
            LOG_INFO("Operation record {" << op.getId() << ", " << static_cast<unsigned>(op.getState()) << "}"
                                          << (op.isReport() || op == Operation() ? "" : " ignored"));
            seen = op;
        }
        // Only whole reports: a record with id 0 or an unknown state is
        // nobody's report, and acting on it would break the sequence.
        if (op.isReport()) onOperation(op);
        ++slot.polls;
        ipc::sleep(pollingPeriodMs);
    } while (!done);
}

void OperationSequence::onOperation(const Operation& op) {
    QDS_ASSERT(op.getState() != Operation::Invalid);
    QDS_ASSERT(op.getId());
    const Operation::State state = op.getState();
    if (op.getId() == timedId) {
        if (state == Operation::Finished || state == Operation::Terminated) {
            stopCurrentTimer();
            if (state == Operation::Terminated) {
                done = true;
            } else if (progress->getCurrentChunkId() == op.getId()) {
                completeCurrentChunk();
            }
            return;
        }
        if (currentTimer) return;  // seen already
    }

    stopCurrentTimer();
    const std::optional<std::size_t> before = progress->findChunk(op.getId());
    if (!before) return;  // not expected, or its chunk is done already
    if (state == Operation::Terminated) {
        done = true;  // ends the sequence where the bar stands
        return;
    }
    for (std::size_t i = 0; i < *before; ++i) progress->complete();  // skipped operations
    if (state == Operation::Finished) {
        completeCurrentChunk();
    } else {
        startTiming();
    }
}

void OperationSequence::stopCurrentTimer() {
    std::unique_ptr<ipc::Timer> timer = std::move(currentTimer);
    timedId = 0;
    if (timer) timer->stop(true);
}

void OperationSequence::completeCurrentChunk() {
    QDS_ASSERT(!currentTimer.get());
    progress->complete();
    if (!progress->getCurrentChunkId()) done = true;
}

void OperationSequence::startTiming() {
    QDS_ASSERT(progress->getCurrentChunkId());
    timedId = progress->getCurrentChunkId();
    runnable = std::make_unique<ProgressUpdaterRunnable>(*progress, clock);
    currentTimer = std::make_unique<ipc::Timer>(runnable.get(), timerPeriodMs);
}

}  // namespace progress
