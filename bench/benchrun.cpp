// benchrun: times a program from inside the prefix, so that Wine's start of
// this helper is no part of the figure. Needs a display (the desktop is started
// before the timing).
//   benchrun run <program> [arguments...]
//       starts the program, waits for it to end (at most 300 s) and prints
//       "started: <local time as the launcher's log writes it>",
//       "exit code: <code>" and "elapsed ms: <from its start to its end>".
//   benchrun page <title> <program> [arguments...]
//       starts the program and prints "started: <local time>", "shown: <local
//       time>" and "elapsed ms: <from its start until a visible top-level
//       window of it has that title>", then ends it.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

const DWORD kRunLimitMs = 300000;
const DWORD kPageLimitMs = 120000;

double nowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::wstring quoted(const wchar_t* argument) {
    std::wstring text(argument);
    if (!text.empty() && text.find_first_of(L" \t\"") == std::wstring::npos) return text;
    return L"\"" + text + L"\"";
}

// The program and its arguments, quoted where they hold blanks.
std::wstring commandLine(int argc, wchar_t** argv, int first) {
    std::wstring line;
    for (int i = first; i < argc; ++i) {
        if (!line.empty()) line += L' ';
        line += quoted(argv[i]);
    }
    return line;
}

bool start(const wchar_t* program, std::wstring line, PROCESS_INFORMATION& process) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(program, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::printf("CreateProcess failed: %lu\n", GetLastError());
        return false;
    }
    CloseHandle(process.hThread);
    return true;
}

void printStamp(const char* label, const SYSTEMTIME& local) {
    std::printf("%s: %04u/%02u/%02u %02u:%02u:%02u.%03u\n", label, local.wYear, local.wMonth, local.wDay, local.wHour,
                local.wMinute, local.wSecond, local.wMilliseconds);
}

int run(int argc, wchar_t** argv) {
    SYSTEMTIME local;
    GetLocalTime(&local);
    const double begin = nowMs();
    PROCESS_INFORMATION process{};
    if (!start(argv[2], commandLine(argc, argv, 2), process)) return 2;
    if (WaitForSingleObject(process.hProcess, kRunLimitMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        std::printf("still running after %lu ms\n", kRunLimitMs);
        return 2;
    }
    const double end = nowMs();
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    printStamp("started", local);
    std::printf("exit code: %ld\nelapsed ms: %.3f\n", static_cast<long>(code), end - begin);
    return 0;
}

struct Search {
    DWORD processId;
    const wchar_t* title;
    bool found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 256);
    if (std::wcscmp(title, search->title) != 0) return TRUE;
    search->found = true;
    return FALSE;
}

int page(int argc, wchar_t** argv) {
    SYSTEMTIME started, shown{};
    GetLocalTime(&started);
    const double begin = nowMs();
    PROCESS_INFORMATION process{};
    if (!start(argv[3], commandLine(argc, argv, 3), process)) return 2;
    Search search{process.dwProcessId, argv[2], false};
    double end = 0;
    while (nowMs() - begin < kPageLimitMs) {
        EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            end = nowMs();
            GetLocalTime(&shown);
            break;
        }
        if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hProcess);
    if (!search.found) {
        std::printf("no window \"%ls\"\n", argv[2]);
        return 2;
    }
    printStamp("started", started);
    printStamp("shown", shown);
    std::printf("elapsed ms: %.3f\n", end - begin);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Wine starts the desktop's process for the first program that needs it;
    // on Windows it is always there. Have it up before anything is timed.
    GetDesktopWindow();
    if (argc >= 3 && std::wcscmp(argv[1], L"run") == 0) return run(argc, argv);
    if (argc >= 4 && std::wcscmp(argv[1], L"page") == 0) return page(argc, argv);
    std::printf("usage: benchrun run <program> [arguments...] | page <title> <program> [arguments...]\n");
    return 2;
}
