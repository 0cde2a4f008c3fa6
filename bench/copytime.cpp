// copytime <src> <dst> [piece]: copies a file and prints "elapsed ms: X",
// measured inside the process so that Wine's process start is not part of it.
// The baseline for the launcher's payload extraction. With a piece size, the
// source is read into memory first (not timed) and only its writing to dst in
// pieces of that size is timed: the floor of an extraction that must write
// in such pieces. It then also prints "check ms: X", the time to reopen the
// file for reading only (denying writers) and compare it with the bytes
// written: what an extraction pays when the installer's sharing will not let a
// writing handle stay open. Last it prints "hashed ms: X": the same writing to
// dst + ".hashed" while a second thread takes the bytes' SHA-256, as the
// launcher does, then the same check: the whole of an extraction's required work.
#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <exception>
#include <string>
#include <vector>

#include "base/background_call.h"
#include "base/file_utils.h"
#include "base/sha256_engine.h"
#include "base/win.h"
#include "base/win_handles.h"

namespace {
// The launcher's cache folder does not exist in a fresh prefix.
void makeParents(const std::wstring& path) {
    for (size_t i = path.find_first_of(L"\\/", 3); i != std::wstring::npos; i = path.find_first_of(L"\\/", i + 1)) {
        CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    }
}

double nowMs() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool readWhole(const wchar_t* path, std::vector<char>& data) {
    UniqueHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.valid()) return false;
    try {
        FileUtils::readFromStart(file.get(), [&](const char* piece, size_t size) { data.insert(data.end(), piece, piece + size); });
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool writeInPieces(const wchar_t* path, const std::vector<char>& data, DWORD piece) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    for (size_t offset = 0; ok && offset < data.size();) {
        DWORD written = 0;
        const DWORD length = static_cast<DWORD>(std::min<size_t>(piece, data.size() - offset));
        ok = WriteFile(file, data.data() + offset, length, &written, nullptr) != FALSE;
        offset += written;
    }
    return CloseHandle(file) && ok;
}

// The launcher's own check of a written package, through a handle that denies writers.
bool holdsExactly(const wchar_t* path, const std::vector<char>& data) {
    UniqueHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    try {
        return file.valid() && FileUtils::holdsExactly(file.get(), data.data(), data.size());
    } catch (const std::exception&) {
        return false;
    }
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 && argc != 4) {
        std::printf("usage: copytime <src> <dst> [piece]\n");
        return 2;
    }
    makeParents(argv[2]);
    std::vector<char> data;
    const DWORD piece = argc == 4 ? static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)) : 0;
    if (piece && !readWhole(argv[1], data)) {
        std::printf("cannot read %ls: %lu\n", argv[1], GetLastError());
        return 1;
    }
    const double start = nowMs();
    const bool ok = piece ? writeInPieces(argv[2], data, piece) : CopyFileW(argv[1], argv[2], FALSE) != FALSE;
    const double end = nowMs();
    if (!ok) {
        std::printf("copy failed: %lu\n", GetLastError());
        return 1;
    }
    std::printf("elapsed ms: %.3f\n", end - start);
    if (piece) {
        const bool same = holdsExactly(argv[2], data);
        const double checked = nowMs();
        if (!same) {
            std::printf("the written file differs: %lu\n", GetLastError());
            return 1;
        }
        std::printf("check ms: %.3f\n", checked - end);

        const std::wstring hashedPath = std::wstring(argv[2]) + L".hashed";
        const double begin = nowMs();
        std::string digest;
        BackgroundCall hashing([&] { digest = sha256Hex(data.data(), data.size()); });
        const bool written = writeInPieces(hashedPath.c_str(), data, piece);
        hashing.wait();
        const bool whole = written && holdsExactly(hashedPath.c_str(), data) && !digest.empty();
        const double done = nowMs();
        DeleteFileW(hashedPath.c_str());
        if (!whole) {
            std::printf("the hashed writing failed: %lu\n", GetLastError());
            return 1;
        }
        std::printf("hashed ms: %.3f\n", done - begin);
    }
    return 0;
}
