#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "progress/chunked_progress.h"

using progress::Chunk;
using progress::ChunkedProgress;
using progress::ChunkList;
using progress::ChunkStopwatch;

namespace {

class RecordingBar : public progress::ProgressUpdater {
public:
    std::uint32_t getPosition() const override { return positions.empty() ? 0 : positions.back(); }
    std::uint32_t getRange() const override { return 1000; }
    void setPosition(std::uint32_t p) override { positions.push_back(p); }
    void complete() override { ++completions; }

    std::vector<std::uint32_t> positions;
    int completions = 0;
};

class ManualClock : public progress::Clock {
public:
    std::int64_t now() override { return ticks; }
    double frequency() override { return 10000.0; }  // ticks of 0.1 ms
    void advanceMs(double ms) { ticks += static_cast<std::int64_t>(ms * 10); }
    std::int64_t ticks = 123456789;
};

// The launcher's operations and their expected milliseconds.
ChunkList launcherChunks() {
    ChunkList chunks;
    for (Chunk c : {Chunk{1, 20000}, Chunk{2, 10000}, Chunk{3, 30000}, Chunk{4, 40000}, Chunk{5, 20000},
                    Chunk{6, 10000}, Chunk{7, 5000}}) {
        chunks.setChunk(c.id, c.weight);
    }
    return chunks;
}

std::vector<std::uint32_t> idsAndWeights(const ChunkList& list) {
    std::vector<std::uint32_t> out;
    for (const Chunk& c : list.getChunks()) out.insert(out.end(), {c.id, c.weight});
    return out;
}

using Positions = std::vector<std::uint32_t>;

}  // namespace

TEST(ChunkList, SetChunkReplacesRemovesOrAppends) {
    ChunkList list;
    list.setChunk(5, 0);  // a new id with weight 0: nothing
    for (std::uint32_t id : {1, 2, 3}) list.setChunk(id, id * 10);
    list.setChunk(2, 25);
    EXPECT_EQ(idsAndWeights(list), (std::vector<std::uint32_t>{1, 10, 2, 25, 3, 30}));
    list.setChunk(1, 0);  // the chunks after it move up
    EXPECT_EQ(idsAndWeights(list), (std::vector<std::uint32_t>{2, 25, 3, 30}));
}

TEST(ChunkListDeathTest, IdZeroIsAnInvariantFailure) {
    ChunkList list;
    EXPECT_DEATH(list.setChunk(0, 10), "Assertion failed: id");
}

TEST(ChunkedProgress, AnEmptyListNeverCallsTheTarget) {
    RecordingBar bar;
    ManualClock clock;
    ChunkedProgress p(ChunkList(), bar);
    EXPECT_EQ(p.getCurrentChunkId(), 0u);
    p.setPosition(5);
    p.increment();
    p.complete();
    EXPECT_FALSE(ChunkStopwatch(p, clock).update());
    EXPECT_TRUE(bar.positions.empty());
    EXPECT_EQ(bar.completions, 0);
}

TEST(ChunkedProgress, ChunkEndsGiveTheWorkedFiguresAndTheLastCompletesTheTarget) {
    RecordingBar bar;
    ChunkedProgress p(launcherChunks(), bar);
    EXPECT_EQ(p.getCurrentChunkId(), 1u);
    EXPECT_EQ(p.getRange(), 20000u);
    for (int i = 0; i < 7; ++i) p.complete();
    EXPECT_EQ(bar.positions, (Positions{148, 222, 444, 741, 889, 963}));
    EXPECT_EQ(bar.completions, 1);  // never a position for the full range
    EXPECT_EQ(p.getCurrentChunkId(), 0u);
    p.complete();
    p.setPosition(1);
    EXPECT_EQ(bar.completions, 1);
    EXPECT_EQ(bar.positions.size(), 6u);
}

TEST(ChunkedProgress, PositionsInsideTheChunk) {
    RecordingBar bar;
    ChunkedProgress p(launcherChunks(), bar);
    p.complete();          // 20 000 of 135 000; chunk 2 (10 000) is current
    p.setPosition(5000);   // 25 000: 185.19 rounds to 185
    p.setPosition(5000);   // unchanged: not reported
    p.setPosition(2500);   // 22 500: 166.67 rounds to 167
    p.increment();
    EXPECT_EQ(p.getPosition(), 2501u);
    EXPECT_EQ(bar.positions, (Positions{148, 185, 167, 167}));
    p.setPosition(10000);  // the chunk's weight: done, at 30 000 (222.2 rounds to 222)
    EXPECT_EQ(p.getCurrentChunkId(), 3u);
    EXPECT_EQ(p.getPosition(), 0u);
    EXPECT_EQ(bar.positions.back(), 222u);
}

TEST(ChunkStopwatch, MovesTheChunkByElapsedTimeUntilItIsLeft) {
    RecordingBar bar;
    ManualClock clock;
    ChunkedProgress p(launcherChunks(), bar);
    ChunkStopwatch first(p, clock);
    EXPECT_EQ(first.getChunkId(), 1u);
    EXPECT_TRUE(first.update());  // nothing elapsed: nothing to report
    EXPECT_TRUE(bar.positions.empty());
    clock.advanceMs(9999.95);
    EXPECT_TRUE(first.update());  // truncated to 9999 ms
    EXPECT_EQ(p.getPosition(), 9999u);
    clock.advanceMs(0.05);
    EXPECT_TRUE(first.update());
    EXPECT_EQ(bar.positions.back(), 74u);
    clock.advanceMs(25000);  // overran: the chunk is completed by the clock
    EXPECT_TRUE(first.update());
    EXPECT_EQ(bar.positions.back(), 148u);
    EXPECT_EQ(p.getCurrentChunkId(), 2u);
    const size_t reports = bar.positions.size();
    clock.advanceMs(1000);
    EXPECT_FALSE(first.update());  // its chunk is gone: stop, touching nothing
    EXPECT_EQ(p.getPosition(), 0u);
    EXPECT_EQ(bar.positions.size(), reports);

    ChunkStopwatch second(p, clock);
    clock.advanceMs(5000);
    EXPECT_TRUE(second.update());
    EXPECT_EQ(bar.positions.back(), 185u);  // 25 000 of 135 000
    p.complete();  // the operation ended first
    EXPECT_FALSE(second.update());
    EXPECT_EQ(bar.positions.back(), 222u);
}
