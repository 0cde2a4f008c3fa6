#pragma once
// The operation mailbox: one 8-byte record in named shared memory, written by
// whoever performs an operation (in any process) and polled by the launcher.
#include <cstdint>
#include <memory>
#include <type_traits>

#include "ipc/shared_memory.h"

// Little-endian {id, state}, the whole content of the memory. All zero: no report.
class Operation {
public:
    enum State : std::uint32_t { Invalid = 0, Started = 1, Finished = 2, Terminated = 3 };

    constexpr Operation() = default;
    constexpr Operation(std::uint32_t id, State state) : id(id), state(state) {}

    std::uint32_t getId() const { return id; }
    State getState() const { return static_cast<State>(state); }
    // A report the launcher acts on: a real id and a known state.
    bool isReport() const { return id != 0 && state >= Started && state <= Terminated; }

    bool operator==(const Operation&) const = default;

private:
    std::uint32_t id = 0;
    std::uint32_t state = Invalid;
};
static_assert(sizeof(Operation) == 8 && std::is_trivially_copyable_v<Operation> &&
              std::is_standard_layout_v<Operation>, "the record is the mailbox's wire format");

struct OperationMailbox {
    static constexpr const char* Name = "QdsOperationSequenceSharedMemory";
    using Memory = ipc::SharedMemory<Operation>;

    // Writes {id, state} whole over whatever was there; id is never 0.
    static void post(std::uint32_t id, Operation::State state, Memory& memory);
    static Operation read(const Memory& memory);
    // The empty record, so that a later sequence does not act on an old report.
    static void reset(Memory& memory);
};

// A reporter's connection to the mailbox. When the launcher's memory does not
// exist it makes memory of its own, which nobody reads and which goes with it.
class ClientOperation {
public:
    explicit ClientOperation(const char* name = OperationMailbox::Name);

    void post(std::uint32_t id, Operation::State state) { OperationMailbox::post(id, state, *opened); }
    // Whether nobody had made the memory before this client.
    bool ownsMemory() const { return created != nullptr; }
    OperationMailbox::Memory& getMemory() { return *opened; }

private:
    std::unique_ptr<OperationMailbox::Memory> created;
    std::unique_ptr<OperationMailbox::Memory> opened;
};
