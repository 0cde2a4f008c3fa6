#pragma once
// Named, page-file-backed memory shared between processes, without any lock:
// users copy one small record in or out whole.
#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

#include "ipc/invariant.h"

namespace ipc {

class SharedMemoryUnsafe {
public:
    enum Mode {
        Create,  // a new mapping of the size, or the existing one of that name
        Open,    // an existing mapping; fails when none has that name
    };

    SharedMemoryUnsafe(const char* name, std::uint32_t size, Mode mode);
    ~SharedMemoryUnsafe();
    SharedMemoryUnsafe(const SharedMemoryUnsafe&) = delete;
    SharedMemoryUnsafe& operator=(const SharedMemoryUnsafe&) = delete;

    std::uint32_t getSize() const { return size; }
    const std::string& getName() const { return name; }

    // A fresh name: a new GUID, 36 lower-case characters without braces.
    static std::string createGuid();

    // One mapped view for the length of one read or read-modify-write.
    class Snapshot {
    public:
        explicit Snapshot(const SharedMemoryUnsafe& memory);
        ~Snapshot();
        Snapshot(const Snapshot&) = delete;
        Snapshot& operator=(const Snapshot&) = delete;

        void* getData() const { return data; }
        std::uint32_t getSize() const { return size; }
        void flush();

    private:
        void* base;
        void* data;
        std::uint32_t size;
    };

private:
    static void* create(const char* name, std::uint32_t size);
    static void* create(const char* name);

    void* handle = nullptr;
    std::uint32_t size = 0;
    std::string name;
};

// Memory sized to one record T, whose bytes are the format between processes.
template <class T>
class SharedMemory {
    static_assert(std::is_trivially_copyable_v<T> && std::is_standard_layout_v<T>,
                  "the record is copied byte for byte between processes");

public:
    struct OpenExisting {};

    // Creates the memory (or attaches to the existing one of that name).
    explicit SharedMemory(const char* name) : impl(name, sizeof(T), SharedMemoryUnsafe::Create) {}
    // Creates memory under a fresh name.
    SharedMemory() : impl(SharedMemoryUnsafe::createGuid().c_str(), sizeof(T), SharedMemoryUnsafe::Create) {}
    // Opens memory that someone else created; throws PlatformError when none exists.
    SharedMemory(const char* name, OpenExisting) : impl(name, sizeof(T), SharedMemoryUnsafe::Open) {}

    const std::string& getName() const { return impl.getName(); }

    T read() const {
        Snapshot s(impl);
        s.load();
        return s.buffer;
    }

    void write(const T& value) {
        Snapshot s(impl);
        s.load();
        s.buffer = value;
        s.store();
        s.flush();
    }

    // A view with a local copy of the record.
    class Snapshot {
    public:
        explicit Snapshot(const SharedMemoryUnsafe& impl) : view(impl) {
            QDS_ASSERT(sizeof(buffer) == impl.getSize());
        }
        // A record of one machine word moves in one access, so that a reader
        // in another process never sees half of an old and half of a new one.
        void load() {
            if constexpr (sizeof(T) == sizeof(std::uint64_t)) {
                const std::uint64_t word = std::atomic_ref<std::uint64_t>(word64()).load();
                std::memcpy(static_cast<void*>(&buffer), &word, sizeof(T));
            } else {
                std::memcpy(static_cast<void*>(&buffer), view.getData(), sizeof(T));
            }
        }
        void store() {
            if constexpr (sizeof(T) == sizeof(std::uint64_t)) {
                std::uint64_t word;
                std::memcpy(&word, &buffer, sizeof(T));
                std::atomic_ref<std::uint64_t>(word64()).store(word);
            } else {
                std::memcpy(view.getData(), &buffer, sizeof(T));
            }
        }
        void flush() { view.flush(); }

        T buffer{};

    private:
        std::uint64_t& word64() { return *static_cast<std::uint64_t*>(view.getData()); }  // views are page-aligned
        SharedMemoryUnsafe::Snapshot view;
    };

private:
    SharedMemoryUnsafe impl;
};

}  // namespace ipc
