// The operation sequence fed through real named memory, by another process
// where the reports come from one.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "ipc/shared_memory.h"
#include "ipc_test_support.h"
#include "process/executor.h"
#include "progress/operation_sequence.h"

using progress::OperationSequence;
using progress::SequenceSlot;

namespace {

// Milliseconds set by hand.
class ManualClock : public progress::Clock {
public:
    std::int64_t now() override { return ms; }
    double frequency() override { return 1000.0; }
    void advance(std::int64_t by) { ms += by; }

private:
    std::atomic<std::int64_t> ms{1000000};
};

// Stands in for the progress page's bar: range 1000, every call recorded.
class RecordingBar : public progress::ProgressUpdater {
public:
    std::uint32_t getPosition() const override {
        std::lock_guard<std::mutex> lock(m);
        return positions.empty() ? 0 : positions.back();
    }
    std::uint32_t getRange() const override { return 1000; }
    void setPosition(std::uint32_t p) override {
        std::lock_guard<std::mutex> lock(m);
        if (throwOnPosition) throw std::runtime_error("bar failed");
        positions.push_back(p);
    }
    void complete() override {
        std::lock_guard<std::mutex> lock(m);
        ++completions;
    }
    std::vector<std::uint32_t> seen() const {
        std::lock_guard<std::mutex> lock(m);
        return positions;
    }
    std::atomic<bool> throwOnPosition{false};
    std::atomic<int> completions{0};

private:
    mutable std::mutex m;
    std::vector<std::uint32_t> positions;
};

// Runs mailbox_post in a process of its own: its exit code, 258 when it hung.
int postFromProcess(const std::string& mailbox, const std::string& records) {
    Executor helper(OVX_MAILBOX_POST);
    helper.setArguments(mailbox + " " + records);
    helper.setWait(true, 30000);
    return static_cast<int>(helper.exec());
}

// The page's side: the mailbox, the slot and the worker that runs the sequence.
class Page {
public:
    Page()
        : worker([this] {
              try {
                  OperationSequence::run(slot, mailbox, bar, &clock);
              } catch (const std::exception& e) {
                  failure = e.what();
              }
          }) {
        EXPECT_TRUE(eventually([&] { return slot.getPollCount() > 0; })) << "no sequence published";
    }
    ~Page() {
        if (!worker.finished()) stop();
    }

    // A report from another process, seen by the sequence before this returns.
    void post(const std::string& records) {
        EXPECT_EQ(postFromProcess(name, records), 0) << records;
        waitPolls(2);
    }
    void waitPolls(std::uint32_t n) {
        const std::uint32_t from = slot.getPollCount();
        EXPECT_TRUE(eventually([&] { return slot.getPollCount() >= from + n || worker.finished(); }));
    }
    bool barReaches(std::uint32_t position) {
        return eventually([&] { return bar.getPosition() == position; });
    }
    bool endsByItself() {
        return worker.finish() && slot.getPhase() == SequenceSlot::Finished;
    }
    void stop() {  // as the page does
        EXPECT_TRUE(BackgroundJob([&] {
                        slot.stopSequence();
                        OperationMailbox::reset(mailbox);
                        slot.setPhase(SequenceSlot::Stopped);
                    }).finish());
        EXPECT_TRUE(worker.finish());
    }

    OperationMailbox::Memory mailbox;  // under a fresh name
    const std::string name = mailbox.getName();
    SequenceSlot slot;
    RecordingBar bar;
    ManualClock clock;
    std::string failure;
    BackgroundJob worker;
};

using Positions = std::vector<std::uint32_t>;

}  // namespace

TEST(OperationSequence, ATypicalInstallationFromStartToFinish) {
    Page page;
    page.post("1:1");
    page.clock.advance(10000);
    ASSERT_TRUE(page.barReaches(74));
    page.post("2:1");  // the bar jumps to the start of chunk 2
    EXPECT_EQ(page.bar.getPosition(), 148u);
    page.post("3:1");
    EXPECT_EQ(page.bar.getPosition(), 222u);
    page.clock.advance(31000);  // chunk 3 outruns its time and waits at its end
    ASSERT_TRUE(page.barReaches(444));
    page.post("7:1");  // 4 to 6 were never reported
    EXPECT_EQ(page.bar.getPosition(), 963u);
    EXPECT_EQ(page.bar.completions, 0);
    page.post("7:2");
    ASSERT_TRUE(page.endsByItself());
    EXPECT_EQ(page.bar.seen(), (Positions{74, 148, 222, 444, 741, 889, 963}));
    EXPECT_EQ(page.bar.completions, 1);
    EXPECT_EQ(page.failure, "");
}

TEST(OperationSequence, ALaterReportSkipsAndAnOldOneStopsTheTimer) {
    Page page;
    page.post("2:1");
    page.post("5:1");  // completes 2, 3 and 4 and times 5
    EXPECT_EQ(page.bar.seen(), (Positions{148, 222, 444, 741}));
    page.clock.advance(10000);
    ASSERT_TRUE(page.barReaches(815));

    page.post("2:1");  // chunk 2 is done: nothing moves, and chunk 5 is timed no longer
    page.clock.advance(5000);
    page.waitPolls(3);
    EXPECT_EQ(page.bar.seen(), (Positions{148, 222, 444, 741, 815}));
}

TEST(OperationSequence, ARepeatedReportStartsItsTimerOnce) {
    Page page;
    page.post("3:1");
    page.clock.advance(15000);
    ASSERT_TRUE(page.barReaches(333));
    page.waitPolls(3);  // the same record, read again and again
    page.clock.advance(20000);
    ASSERT_TRUE(page.barReaches(444));
    page.clock.advance(60000);
    page.waitPolls(3);
    EXPECT_EQ(page.bar.seen(), (Positions{148, 222, 333, 444}));
    EXPECT_EQ(page.bar.completions, 0);
}

TEST(OperationSequence, FinishedWithoutStartedCompletesUpToIt) {
    Page page;
    page.post("4:2");
    EXPECT_EQ(page.bar.seen(), (Positions{148, 222, 444, 741}));
    page.clock.advance(30000);
    page.post("4:2");
    EXPECT_EQ(page.bar.seen(), (Positions{148, 222, 444, 741}));
    page.post("5:1 5:2 6:2 7:2");  // only the last record is seen
    ASSERT_TRUE(page.endsByItself());
    EXPECT_EQ(page.bar.seen(), (Positions{148, 222, 444, 741, 889, 963}));
    EXPECT_EQ(page.bar.completions, 1);
}

TEST(OperationSequence, TerminatedEndsItWhereTheBarStands) {
    {
        Page page;
        page.post("3:1");
        page.clock.advance(5000);
        ASSERT_TRUE(page.barReaches(259));
        page.post("3:3");
        ASSERT_TRUE(page.endsByItself());
        EXPECT_EQ(page.bar.seen(), (Positions{148, 222, 259}));
    }
    {
        Page page;
        page.post("2:1");
        page.post("6:3");  // a later operation's end does not skip to it
        ASSERT_TRUE(page.endsByItself());
        EXPECT_EQ(page.bar.seen(), (Positions{148}));
        EXPECT_EQ(page.bar.completions, 0);
    }
}

TEST(OperationSequence, RecordsThatAreNobodysReportAreIgnored) {
    Page page;
    page.mailbox.write(Operation(0, Operation::Started));
    page.waitPolls(2);
    page.mailbox.write(Operation(3, static_cast<Operation::State>(9)));
    page.waitPolls(2);
    page.mailbox.write(Operation(99, Operation::Started));
    page.waitPolls(2);
    EXPECT_EQ(page.bar.seen(), Positions{});
    EXPECT_EQ(page.slot.getPhase(), SequenceSlot::Running);
    page.post("2:1");
    EXPECT_EQ(page.bar.seen(), Positions{148});
}

TEST(OperationSequence, EveryEndOfRunUnpublishesItForThePagesStop) {
    Page stopped;
    stopped.post("3:1");
    stopped.stop();
    EXPECT_EQ(stopped.slot.getPhase(), SequenceSlot::Stopped);
    EXPECT_EQ(stopped.mailbox.read(), Operation());

    Page failing;
    failing.bar.throwOnPosition = true;
    EXPECT_EQ(postFromProcess(failing.name, "2:1"), 0);
    ASSERT_TRUE(failing.worker.finish());
    EXPECT_EQ(failing.failure, "bar failed");
    EXPECT_EQ(failing.slot.getPhase(), SequenceSlot::Finished);
    EXPECT_TRUE(BackgroundJob([&] { failing.slot.stopSequence(); }).finish());  // nothing to wait for

    // A stop that comes before the worker has published its sequence waits for it.
    OperationMailbox::Memory mailbox;
    SequenceSlot slot;
    RecordingBar bar;
    BackgroundJob stopper([&] { slot.stopSequence(); });
    BackgroundJob worker([&] { OperationSequence::run(slot, mailbox, bar); });
    EXPECT_TRUE(stopper.finish());
    EXPECT_TRUE(worker.finish());
    EXPECT_EQ(slot.getPhase(), SequenceSlot::Finished);
}

TEST(OperationMailbox, AReporterWithoutALauncherWritesIntoMemoryOfItsOwn) {
    EXPECT_STREQ(OperationMailbox::Name, "QdsOperationSequenceSharedMemory");
    const std::string name = ipc::SharedMemoryUnsafe::createGuid();
    EXPECT_EQ(postFromProcess(name, "7:1"), 2);
    OperationMailbox::Memory later(name.c_str());  // that memory went with its process
    EXPECT_EQ(later.read(), Operation());

    ClientOperation client(name.c_str());  // now it exists: the client shares it
    EXPECT_FALSE(client.ownsMemory());
    client.post(3, Operation::Started);
    EXPECT_EQ(later.read(), Operation(3, Operation::Started));
}
