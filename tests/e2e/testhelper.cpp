// A small Windows-side helper for the end-to-end tests.
//   testhelper run <command line>       runs it, prints "exit code: N" (Wine's own
//                                       exit status keeps only 8 bits)
//   testhelper hold <file> <ms> <signal> opens <file> for writing, denying other
//                                       writers, creates <signal>, waits <ms>
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {
// The rest of our own command line after the first `count` tokens, verbatim.
const wchar_t* skipTokens(const wchar_t* p, int count) {
    for (int i = 0; i < count; ++i) {
        while (*p == L' ' || *p == L'\t') ++p;
        bool quoted = false;
        while (*p && (quoted || (*p != L' ' && *p != L'\t'))) {
            if (*p == L'"') quoted = !quoted;
            ++p;
        }
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

int run(const wchar_t* commandLine) {
    std::wstring line = commandLine;
    STARTUPINFOW si = {sizeof(si)};
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::printf("CreateProcess failed: %lu\n", GetLastError());
        return 2;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::printf("exit code: %ld\n", static_cast<long>(code));
    std::fflush(stdout);
    return 0;
}

int hold(const wchar_t* path, DWORD ms, const wchar_t* signal) {
    HANDLE h = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        std::printf("CreateFile failed: %lu\n", GetLastError());
        return 2;
    }
    HANDLE s = CreateFileW(signal, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (s != INVALID_HANDLE_VALUE) CloseHandle(s);
    Sleep(ms);
    CloseHandle(h);
    return 0;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 3 && std::wcscmp(argv[1], L"run") == 0) return run(skipTokens(GetCommandLineW(), 2));
    if (argc == 5 && std::wcscmp(argv[1], L"hold") == 0) return hold(argv[2], std::wcstoul(argv[3], nullptr, 10), argv[4]);
    std::printf("usage: testhelper run <command line> | hold <file> <ms> <signal>\n");
    return 2;
}
