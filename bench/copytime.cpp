// copytime <src> <dst>: copies a file and prints "elapsed ms: X", measured
// inside the process so that Wine's process start is not part of it. The
// baseline for the launcher's payload extraction.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {
// The launcher's cache folder does not exist in a fresh prefix.
void makeParents(const std::wstring& path) {
    for (size_t i = path.find_first_of(L"\\/", 3); i != std::wstring::npos; i = path.find_first_of(L"\\/", i + 1)) {
        CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    }
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::printf("usage: copytime <src> <dst>\n");
        return 2;
    }
    makeParents(argv[2]);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CopyFileW(argv[1], argv[2], FALSE)) {
        std::printf("CopyFile failed: %lu\n", GetLastError());
        return 1;
    }
    QueryPerformanceCounter(&end);
    std::printf("elapsed ms: %.3f\n", 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                                          static_cast<double>(frequency.QuadPart));
    return 0;
}
