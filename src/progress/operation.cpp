#include "progress/operation.h"

#include "base/logger.h"
#include "ipc/errors.h"
#include "ipc/invariant.h"

void OperationMailbox::post(std::uint32_t id, Operation::State state, Memory& memory) {
    QDS_ASSERT(id);
    memory.write(Operation(id, state));
}

Operation OperationMailbox::read(const Memory& memory) { return memory.read(); }

void OperationMailbox::reset(Memory& memory) { memory.write(Operation()); }

ClientOperation::ClientOperation(const char* name) {
    QDS_ASSERT(name);
    try {
        opened = std::make_unique<OperationMailbox::Memory>(name, OperationMailbox::Memory::OpenExisting());
    } catch (const ipc::PlatformError&) {
        LOG_INFO("No operation mailbox " << name << " to open: reporting into memory of our own");
        created = std::make_unique<OperationMailbox::Memory>(name);
        opened = std::make_unique<OperationMailbox::Memory>(name, OperationMailbox::Memory::OpenExisting());
    }
}
