// Named file mappings backed by the paging file.
#include <cctype>

#include "base/dll.h"
#include "base/report.h"
#include "base/win_handles.h"
#include "ipc/errors.h"
#include "ipc/invariant.h"
#include "ipc/shared_memory.h"
#include "ipc/windows/platform_error.h"

namespace ipc {

void* SharedMemoryUnsafe::create(const char* name, std::uint32_t size) {
    QDS_ASSERT(name);
    // The name is used as given: no namespace prefix.
    HANDLE h = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name);
    if (!h) IPC_THROW_PLATFORM_ERROR(std::string("CreateFileMapping(") + name + ")");
    return h;
}

void* SharedMemoryUnsafe::create(const char* name) {
    QDS_ASSERT(name);
    HANDLE h = OpenFileMappingA(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, name);
    if (!h) IPC_THROW_PLATFORM_ERROR(std::string("OpenFileMapping(") + name + ")");
    return h;
}

SharedMemoryUnsafe::SharedMemoryUnsafe(const char* name, std::uint32_t size, Mode mode) {
    QDS_ASSERT(name);
    handle = mode == Create ? create(name, size) : create(name);
    this->size = size;
    this->name = name;
}

SharedMemoryUnsafe::~SharedMemoryUnsafe() { closeHANDLE(handle); }

SharedMemoryUnsafe::Snapshot::Snapshot(const SharedMemoryUnsafe& memory) : size(memory.size) {
    base = MapViewOfFile(memory.handle, FILE_MAP_ALL_ACCESS, 0, 0, size);
    if (!base) IPC_THROW_PLATFORM_ERROR("MapViewOfFile(" + memory.name + ")");
    data = base;
}

SharedMemoryUnsafe::Snapshot::~Snapshot() {
    try {
        if (!UnmapViewOfFile(base)) IPC_THROW_PLATFORM_ERROR("UnmapViewOfFile");
    } catch (const std::exception& e) {
        REPORT_EXCEPTION(e);
    } catch (...) {
        REPORT_UNKNOWN_EXCEPTION();
    }
}

void SharedMemoryUnsafe::Snapshot::flush() {
    if (!FlushViewOfFile(base, size)) IPC_THROW_PLATFORM_ERROR("FlushViewOfFile");
}

std::string SharedMemoryUnsafe::createGuid() {
    GUID guid;
    const HRESULT hr = CoCreateGuid(&guid);
    if (FAILED(hr)) {
        SetLastError(static_cast<DWORD>(hr));
        IPC_THROW_PLATFORM_ERROR("CoCreateGuid");
    }
    // rpcrt4 is not imported: the launcher imports nothing beyond its fixed set.
    struct Rpc {
        DllFunction<RPC_STATUS RPC_ENTRY(UUID*, RPC_CSTR*)> uuidToString;
        DllFunction<RPC_STATUS RPC_ENTRY(RPC_CSTR*)> rpcStringFree;
    };
    static const Rpc* const rpc = []() -> const Rpc* {
        try {
            static const Rpc loaded{{loadSystemDll("rpcrt4.dll"), "UuidToStringA"},
                                    {loadSystemDll("rpcrt4.dll"), "RpcStringFreeA"}};
            return loaded.uuidToString && loaded.rpcStringFree ? &loaded : nullptr;
        } catch (const std::exception& e) {
            REPORT_EXCEPTION(e);
            return nullptr;
        }
    }();
    if (!rpc) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        IPC_THROW_PLATFORM_ERROR("UuidToString");
    }
    RPC_CSTR text = nullptr;
    const RPC_STATUS status = rpc->uuidToString.get()(&guid, &text);
    if (status != RPC_S_OK || !text) {
        SetLastError(static_cast<DWORD>(status));
        IPC_THROW_PLATFORM_ERROR("UuidToString");
    }
    std::string name(reinterpret_cast<const char*>(text));
    rpc->rpcStringFree.get()(&text);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

}  // namespace ipc
