#include "progress/chunked_progress.h"

#include <algorithm>

#include "ipc/invariant.h"

namespace progress {

void ProgressUpdater::increment() { setPosition(getPosition() + 1); }

void ChunkList::setChunk(std::uint32_t id, std::uint32_t weight) {
    QDS_ASSERT(id);
    auto found = std::find_if(chunks.begin(), chunks.end(), [&](const Chunk& c) { return c.id == id; });
    if (found != chunks.end()) {
        if (weight) {
            found->weight = weight;
        } else {
            chunks.erase(found);
        }
    } else if (weight) {
        chunks.push_back(Chunk{id, weight});
    }
}

ChunkedProgress::ChunkedProgress(const ChunkList& list, ProgressUpdater& target)
    : chunks(list.getChunks()), target(target), targetRange(target.getRange()) {
    for (const Chunk& c : chunks) totalWeight += c.weight;
    if (!chunks.empty()) currentWeight = chunks.front().weight;
}

void ChunkedProgress::setPosition(std::uint32_t p) {
    if (chunks.empty()) return;
    if (p >= currentWeight) {
        complete();  // the operation outran its expected duration
        return;
    }
    if (p == position) return;
    position = p;
    report();
}

void ChunkedProgress::complete() {
    if (chunks.empty()) return;
    const std::uint32_t weight = chunks.front().weight;
    chunks.erase(chunks.begin());
    position = weight;
    report();
    completedWeight += weight;
    position = 0;
    if (!chunks.empty()) currentWeight = chunks.front().weight;
}

std::uint32_t ChunkedProgress::getCurrentChunkId() const { return chunks.empty() ? 0 : chunks.front().id; }

std::optional<std::size_t> ChunkedProgress::findChunk(std::uint32_t id) const {
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        if (chunks[i].id == id) return i;
    }
    return std::nullopt;
}

void ChunkedProgress::report() {
    const std::uint64_t done = completedWeight + position;
    if (done == totalWeight) {
        target.complete();
        return;
    }
    // Rounded half up.
    const double share = static_cast<double>(done) / static_cast<double>(totalWeight);
    target.setPosition(static_cast<std::uint32_t>(share * targetRange + 0.5));
}

ChunkStopwatch::ChunkStopwatch(ChunkedProgress& progress, Clock& clock)
    : progress(progress), clock(clock), chunkId(progress.getCurrentChunkId()), start(clock.now()),
      frequency(clock.frequency()) {}

bool ChunkStopwatch::update() {
    if (!chunkId || progress.getCurrentChunkId() != chunkId) return false;
    const double elapsedMs = frequency > 0 ? static_cast<double>(clock.now() - start) * 1000.0 / frequency : 0.0;
    // Truncated toward zero, and kept inside what a position can hold.
    const double bounded = std::clamp(elapsedMs, 0.0, 4294967295.0);
    progress.setPosition(static_cast<std::uint32_t>(bounded));
    return true;
}

}  // namespace progress
