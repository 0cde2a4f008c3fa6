// A stand-in browser, copied under a browser's file name (iexplore.exe,
// firefox.exe, chrome.exe). It appends what happens to it to "journal.txt"
// beside itself, one line each: time (100 ns units; for "started" the
// process's creation time), file name, process id, event, detail.
//   (no switch)             record "started" with the command line and exit 0
//   --standin-window        a top-level window that ends on WM_CLOSE (exit 7)
//                           or when destroyed (exit 8)
//   --standin-ignore        a window that ignores WM_CLOSE and outlives its
//                           destruction: only termination ends it
// A window stand-in records "ready" once its window exists and ends itself
// after 60 s (exit 9), so that no test can leave it behind.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string g_journal;
std::string g_name;
bool g_ignore = false;
bool g_closed = false;

unsigned long long now() {
    FILETIME t;
    GetSystemTimeAsFileTime(&t);
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

void record(unsigned long long time, const char* event, const std::string& detail) {
    char head[128];
    std::snprintf(head, sizeof(head), "%llu\t%s\t%lu\t%s\t", time, g_name.c_str(), GetCurrentProcessId(), event);
    const std::string line = head + detail + "\n";
    // Several stand-ins may write at once: retry while another holds the file.
    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE file = CreateFileA(g_journal.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
            return;
        }
        Sleep(10);
    }
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            if (g_ignore) {
                record(now(), "ignored-close", "");
                return 0;
            }
            record(now(), "closed", "");
            g_closed = true;
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            record(now(), "destroyed", "");
            if (!g_ignore) PostQuitMessage(g_closed ? 7 : 8);
            return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int runWindow(HINSTANCE instance) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.lpszClassName = "OvxBrowserStandin";
    RegisterClassA(&wc);
    HWND window = CreateWindowA(wc.lpszClassName, g_name.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                instance, nullptr);
    if (!window) return 2;
    SetTimer(nullptr, 0, 60000, nullptr);
    record(now(), "ready", "");
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) return 9;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string self = path;
    const size_t slash = self.find_last_of("\\/");
    g_name = self.substr(slash + 1);
    g_journal = self.substr(0, slash + 1) + "journal.txt";

    const std::string commandLine = GetCommandLineA();
    if (commandLine.find("--standin-window") != std::string::npos) return runWindow(instance);
    if (commandLine.find("--standin-ignore") != std::string::npos) {
        g_ignore = true;
        return runWindow(instance);
    }
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    record((static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime, "started",
           commandLine);
    return 0;
}
