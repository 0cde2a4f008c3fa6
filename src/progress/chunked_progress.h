#pragma once
// One progress bar made of weighted chunks, one per long operation, moved
// through the current chunk by elapsed time.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace progress {

class Progress {
public:
    virtual ~Progress() = default;
    virtual std::uint32_t getPosition() const = 0;
    virtual std::uint32_t getRange() const = 0;
};

// A receiver of positions: the progress page's bar, or any other.
class ProgressUpdater : public Progress {
public:
    virtual void increment();  // setPosition(getPosition() + 1)
    virtual void setPosition(std::uint32_t position) = 0;
    // The whole range is done.
    virtual void complete() = 0;
};

struct Chunk {
    std::uint32_t id;      // never 0
    std::uint32_t weight;  // expected duration in milliseconds, never 0
};

// The chunks in the order of their operations.
class ChunkList {
public:
    // A known id gets the new weight, or is removed with weight 0; an unknown
    // id is appended unless its weight is 0.
    void setChunk(std::uint32_t id, std::uint32_t weight);
    const std::vector<Chunk>& getChunks() const { return chunks; }

private:
    std::vector<Chunk> chunks;
};

// Seen as a ProgressUpdater it is the current chunk: range = the chunk's
// weight, complete = that chunk is done. Every change is reported to the
// target as a position on the target's range. No lock: one thread at a time.
class ChunkedProgress : public ProgressUpdater {
public:
    ChunkedProgress(const ChunkList& chunks, ProgressUpdater& target);

    std::uint32_t getPosition() const override { return position; }
    std::uint32_t getRange() const override { return currentWeight; }
    // A position at or past the chunk's weight completes the chunk.
    void setPosition(std::uint32_t p) override;
    void complete() override;

    // 0 once no chunk is left.
    std::uint32_t getCurrentChunkId() const;
    // How many chunks come before the one with this id, counted from the
    // current chunk; none when it is not current or still to come.
    std::optional<std::size_t> findChunk(std::uint32_t id) const;

private:
    void report();

    std::vector<Chunk> chunks;  // the current chunk first; completed chunks are gone
    ProgressUpdater& target;
    const std::uint32_t targetRange;
    std::uint64_t totalWeight = 0;
    std::uint64_t completedWeight = 0;
    std::uint32_t currentWeight = 0;
    std::uint32_t position = 0;
};

// A tick counter and its ticks per second: the performance counter in the
// launcher, a hand-set one in tests.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t now() = 0;
    virtual double frequency() = 0;
};

// Times the chunk that is current when it is made.
class ChunkStopwatch {
public:
    ChunkStopwatch(ChunkedProgress& progress, Clock& clock);

    // Sets the milliseconds elapsed since it was made as the chunk's position
    // (the chunk completes when they reach its weight). False, touching
    // nothing, once that chunk is no longer current: timing is over.
    bool update();
    std::uint32_t getChunkId() const { return chunkId; }

private:
    ChunkedProgress& progress;
    Clock& clock;
    const std::uint32_t chunkId;
    const std::int64_t start;
    const double frequency;
};

}  // namespace progress
