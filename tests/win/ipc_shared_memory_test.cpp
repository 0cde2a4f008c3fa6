#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "ipc/errors.h"
#include "ipc/shared_memory.h"
#include "progress/operation.h"

namespace {
using Memory = ipc::SharedMemory<Operation>;
}

TEST(IpcSharedMemory, OpeningNeedsACreatorAndThenSharesItsBytes) {
    const std::string name = "ovx-ipc-test-" + ipc::SharedMemoryUnsafe::createGuid();
    try {
        Memory missing(name.c_str(), Memory::OpenExisting());
        ADD_FAILURE() << "opened a memory nobody created";
    } catch (const ipc::PlatformError& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find(") at ipc::SharedMemoryUnsafe::create(): ipc error"), std::string::npos) << what;
    }

    Memory created(name.c_str());
    EXPECT_EQ(created.read(), Operation());  // a new memory is all zero
    Memory opened(name.c_str(), Memory::OpenExisting());
    Memory createdAgain(name.c_str());  // the same name attaches to the same memory
    opened.write(Operation(7, Operation::Finished));
    EXPECT_EQ(created.read(), Operation(7, Operation::Finished));
    EXPECT_EQ(createdAgain.read(), Operation(7, Operation::Finished));
    createdAgain.write(Operation());
    EXPECT_EQ(opened.read(), Operation());

}

TEST(IpcSharedMemory, FreshNamesAreLowerCaseGuids) {
    const std::string a = ipc::SharedMemoryUnsafe::createGuid();
    const std::string b = ipc::SharedMemoryUnsafe::createGuid();
    EXPECT_NE(a, b);
    ASSERT_EQ(a.size(), 36u) << a;
    for (size_t i = 0; i < a.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            EXPECT_EQ(a[i], '-') << a;
        } else {
            EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(a[i])) && !std::isupper(static_cast<unsigned char>(a[i])))
                << a;
        }
    }
    Memory unnamed;
    EXPECT_EQ(unnamed.getName().size(), 36u);
    Memory same(unnamed.getName().c_str(), Memory::OpenExisting());
    unnamed.write(Operation(1, Operation::Started));
    EXPECT_EQ(same.read(), Operation(1, Operation::Started));
}

TEST(IpcSharedMemoryDeathTest, SizesAndNamesAreInvariants) {
    const std::string name = "ovx-ipc-test-" + ipc::SharedMemoryUnsafe::createGuid();
    Memory created(name.c_str());
    EXPECT_DEATH(
        {
            ipc::SharedMemoryUnsafe half(name.c_str(), 4, ipc::SharedMemoryUnsafe::Open);
            Memory::Snapshot typed(half);
        },
        "Assertion failed: sizeof\\(buffer\\) == impl.getSize\\(\\)");
    EXPECT_DEATH({ Memory nameless(nullptr); }, "Assertion failed: name");
}
