// A small Windows-side helper for the end-to-end tests.
//   testhelper run <program> <args>     runs it with the rest of the command line
//                                       as typed, prints "exit code: N" (Wine's
//                                       own exit status keeps only 8 bits)
//   testhelper hold <file> <ms> <signal> opens <file> for writing, denying other
//                                       writers, creates <signal>, waits <ms>
#include <windows.h>
#include <shellapi.h>

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

// Through the shell, as a user's double-click or a deployment tool would start
// it: the launcher's manifest asks for an administrator, which CreateProcess
// alone refuses.
int run(const wchar_t* program, const wchar_t* parameters) {

    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = program;
    info.lpParameters = parameters;
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info) || !info.hProcess) {
        std::printf("ShellExecuteEx failed: %lu\n", GetLastError());
        return 2;
    }
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
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
    if (argc >= 3 && std::wcscmp(argv[1], L"run") == 0) return run(argv[2], skipTokens(GetCommandLineW(), 3));
    if (argc == 5 && std::wcscmp(argv[1], L"hold") == 0) return hold(argv[2], std::wcstoul(argv[3], nullptr, 10), argv[4]);
    std::printf("usage: testhelper run <program> <args> | hold <file> <ms> <signal>\n");
    return 2;
}
