// A small Windows-side helper for the end-to-end tests.
//   testhelper run <program> <args>     runs it with the rest of the command line
//                                       as typed (\uXXXX unescaped), prints
//                                       "exit code: N" (Wine's own exit status
//                                       keeps only 8 bits)
//   testhelper runquiet <program> <args> the same, and meanwhile watches the
//                                       display: every visible top-level window
//                                       is printed as "window: <class> <title>"
//                                       and closed, so that a run waiting on a
//                                       box goes on
//   testhelper hold <file> <ms> <signal> opens <file> for writing, denying other
//                                       writers, creates <signal>, waits <ms>
//   testhelper watchbar <title> <ms>     waits up to <ms> for a visible window of
//                                       that title, then prints "pos N" for every
//                                       position of its progress bar until
//                                       the window is hidden or gone
//   testhelper click <title> <ms> <id>   waits up to <ms> for a top-level window
//                                       with that title, prints the texts of its
//                                       controls, then clicks the button <id>
//   testhelper browse <title> <ms> <path> waits for the folder browser of that
//                                       title, selects <path> in it and clicks OK
//   testhelper link <title> <ms> <id>    clicks the start of SysLink <id> (where
//                                       its link is) with the mouse
//   testhelper regvalue <subkey> <name>  prints "type T size N" of the HKLM value
//                                       (64-bit view), N as a narrow reader gets it
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <set>
#include <string>
#include <vector>

#include "base/resource_ids.h"

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
// Prints and closes every visible top-level window not seen before.
BOOL CALLBACK collectVisible(HWND window, LPARAM found) {
    if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

void reportWindows(std::set<HWND>& seen) {
    std::vector<HWND> visible;
    EnumWindows(collectVisible, reinterpret_cast<LPARAM>(&visible));
    for (HWND window : visible) {
        if (!seen.insert(window).second) continue;
        wchar_t className[128] = {}, title[256] = {};
        GetClassNameW(window, className, 128);
        GetWindowTextW(window, title, 256);
        std::printf("window: %ls %ls\n", className, title);
        std::fflush(stdout);
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
}

int run(const wchar_t* program, const wchar_t* parameters, bool watch) {

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
    std::set<HWND> seen;
    while (WaitForSingleObject(info.hProcess, watch ? 50 : INFINITE) == WAIT_TIMEOUT) reportWindows(seen);
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
BOOL CALLBACK printControl(HWND control, LPARAM) {
    wchar_t text[2048] = {};
    GetWindowTextW(control, text, 2048);
    char utf8[8192] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof(utf8), nullptr, nullptr);
    wchar_t className[64] = {};
    GetClassNameW(control, className, 64);
    const LRESULT check = lstrcmpiW(className, L"Button") == 0 ? SendMessageW(control, BM_GETCHECK, 0, 0) : 0;
    std::printf("control %d visible=%d enabled=%d checked=%d: %s\n", GetDlgCtrlID(control), IsWindowVisible(control) ? 1 : 0,
                IsWindowEnabled(control) ? 1 : 0, check == BST_CHECKED ? 1 : 0, utf8);
    return TRUE;
}

// Titles and the arguments of "run" may spell characters as \uXXXX (the
// harness writes a backslash before "u" as \u005c): Wine turns a command
// line outside the host's charset into question marks or worse.
std::wstring unescape(const wchar_t* text) {
    std::wstring out;
    for (const wchar_t* p = text; *p; ++p) {
        if (p[0] == L'\\' && p[1] == L'u' && iswxdigit(p[2]) && iswxdigit(p[3]) && iswxdigit(p[4]) && iswxdigit(p[5])) {
            wchar_t hex[5] = {p[2], p[3], p[4], p[5], 0};
            out += static_cast<wchar_t>(std::wcstoul(hex, nullptr, 16));
            p += 5;
        } else {
            out += *p;
        }
    }
    return out;
}

HWND waitForWindow(const wchar_t* escapedTitle, DWORD ms) {
    const std::wstring title = unescape(escapedTitle);
    HWND window = nullptr;
    for (DWORD waited = 0; !(window = FindWindowW(nullptr, title.c_str())) && waited < ms; waited += 50) Sleep(50);
    return window;
}

// Waits for the window, lets it settle (paint, fill its tree), then prints
// "window found" and its controls; prints "no window" and returns null when
// none came.
HWND findAndPrint(const wchar_t* escapedTitle, DWORD ms, DWORD settleMs) {
    HWND window = waitForWindow(escapedTitle, ms);
    if (!window) {
        std::printf("no window\n");
        return nullptr;
    }
    Sleep(settleMs);
    std::printf("window found\n");
    EnumChildWindows(window, printControl, 0);
    std::fflush(stdout);
    return window;
}

// Prints the page's controls, then acts on it: "texts" only reads, "close"
// uses the close box, "esc" presses Esc in the control that has the focus.
int act(const wchar_t* verb, const wchar_t* title, DWORD ms) {
    HWND window = findAndPrint(title, ms, 300);  // painted, for a screenshot
    if (!window) return 3;
    if (std::wcscmp(verb, L"close") == 0) {
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (std::wcscmp(verb, L"esc") == 0) {
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        HWND target = window;
        if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus) target = info.hwndFocus;
        PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageW(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    }
    return 0;
}

// Waits until no window of that title is left; 0 when it went.
int gone(const wchar_t* escapedTitle, DWORD ms) {
    const std::wstring title = unescape(escapedTitle);
    for (DWORD waited = 0; waited < ms; waited += 50) {
        if (!FindWindowW(nullptr, title.c_str())) {
            std::printf("gone\n");
            return 0;
        }
        Sleep(50);
    }
    std::printf("still there\n");
    return 5;
}

int click(const wchar_t* title, DWORD ms, int buttonId) {
    HWND window = findAndPrint(title, ms, 300);  // painted, for a screenshot
    if (!window) return 3;
    HWND button = GetDlgItem(window, buttonId);
    if (!button) {
        std::printf("no button %d\n", buttonId);
        return 4;
    }
    PostMessageW(button, BM_CLICK, 0, 0);
    return 0;
}
int watchBar(const wchar_t* title, DWORD ms) {
    HWND window = nullptr;
    DWORD waited = 0;
    for (; waited < ms; waited += 10) {
        window = FindWindowW(nullptr, unescape(title).c_str());
        if (window && IsWindowVisible(window)) break;
        Sleep(10);
    }
    if (!window || !IsWindowVisible(window)) {
        std::printf("no window\n");
        return 3;
    }
    std::printf("shown\n");
    std::fflush(stdout);
    long last = -1;
    for (; waited < ms; waited += 10) {
        if (!IsWindow(window) || !IsWindowVisible(window)) {
            std::printf("hidden\n");
            return 0;
        }
        DWORD_PTR position = 0;
        // The page's thread is inside the installer and answers now and then.
        if (SendMessageTimeoutW(GetDlgItem(window, IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 200,
                                &position) &&
            static_cast<long>(position) != last) {
            last = static_cast<long>(position);
            std::printf("pos %ld\n", last);
            std::fflush(stdout);
        }
        Sleep(10);
    }
    std::printf("timeout\n");
    return 4;
}
// The browser belongs to another process, and BFFM_SETSELECTIONW takes a
// pointer: the path is written into that process first.
int browse(const wchar_t* title, DWORD ms, const wchar_t* path) {
    HWND window = findAndPrint(title, ms, 500);  // the tree fills after the dialog shows
    if (!window) return 3;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) {
        std::printf("OpenProcess failed: %lu\n", GetLastError());
        return 4;
    }
    const SIZE_T bytes = (std::wcslen(path) + 1) * sizeof(wchar_t);
    void* remote = VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remote || !WriteProcessMemory(process, remote, path, bytes, nullptr)) {
        std::printf("writing the path failed: %lu\n", GetLastError());
        CloseHandle(process);
        return 4;
    }
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(window, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, 10000,
                        &answer);
    Sleep(300);
    PostMessageW(GetDlgItem(window, IDOK), BM_CLICK, 0, 0);
    // The memory stays until the browser is gone: it may read the path late.
    for (DWORD waited = 0; IsWindow(window) && waited < ms; waited += 50) Sleep(50);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    std::printf("selected\n");
    return 0;
}

int clickLink(const wchar_t* title, DWORD ms, int id) {
    HWND window = waitForWindow(title, ms);
    HWND link = window ? GetDlgItem(window, id) : nullptr;
    if (!link) {
        std::printf("no link\n");
        return 3;
    }
    Sleep(300);
    RECT area;
    GetClientRect(link, &area);
    const LPARAM point = MAKELPARAM(4, area.bottom / 2);
    PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageW(link, WM_LBUTTONUP, 0, point);
    std::printf("clicked\n");
    return 0;
}

// The size a narrow reader gets, as the package and the report read it.
int regValue(const wchar_t* subkey, const wchar_t* name) {
    char narrowKey[512] = {}, narrowName[256] = {};
    WideCharToMultiByte(CP_ACP, 0, subkey, -1, narrowKey, sizeof(narrowKey), nullptr, nullptr);
    WideCharToMultiByte(CP_ACP, 0, name, -1, narrowName, sizeof(narrowName), nullptr, nullptr);
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, narrowKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
        std::printf("no key\n");
        return 0;
    }
    DWORD type = 0, size = 0;
    const LONG rc = RegQueryValueExA(key, narrowName, nullptr, &type, nullptr, &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
        std::printf("no value\n");
        return 0;
    }
    std::printf("type %lu size %lu\n", type, size);
    return 0;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 3 && (std::wcscmp(argv[1], L"run") == 0 || std::wcscmp(argv[1], L"runquiet") == 0)) {
        return run(unescape(argv[2]).c_str(), unescape(skipTokens(GetCommandLineW(), 3)).c_str(),
                   std::wcscmp(argv[1], L"runquiet") == 0);
    }
    if (argc == 5 && std::wcscmp(argv[1], L"hold") == 0) return hold(argv[2], std::wcstoul(argv[3], nullptr, 10), argv[4]);
    if (argc == 4 && std::wcscmp(argv[1], L"watchbar") == 0) return watchBar(argv[2], std::wcstoul(argv[3], nullptr, 10));
    if (argc == 5 && std::wcscmp(argv[1], L"click") == 0) {
        return click(argv[2], std::wcstoul(argv[3], nullptr, 10), static_cast<int>(std::wcstol(argv[4], nullptr, 10)));
    }
    if (argc == 4 && (std::wcscmp(argv[1], L"texts") == 0 || std::wcscmp(argv[1], L"close") == 0 ||
                      std::wcscmp(argv[1], L"esc") == 0)) {
        return act(argv[1], argv[2], std::wcstoul(argv[3], nullptr, 10));
    }
    if (argc == 5 && std::wcscmp(argv[1], L"browse") == 0) return browse(argv[2], std::wcstoul(argv[3], nullptr, 10), argv[4]);
    if (argc == 5 && std::wcscmp(argv[1], L"link") == 0) {
        return clickLink(argv[2], std::wcstoul(argv[3], nullptr, 10), static_cast<int>(std::wcstol(argv[4], nullptr, 10)));
    }
    if (argc == 4 && std::wcscmp(argv[1], L"regvalue") == 0) return regValue(argv[2], argv[3]);
    if (argc == 4 && std::wcscmp(argv[1], L"gone") == 0) return gone(argv[2], std::wcstoul(argv[3], nullptr, 10));
    std::printf("usage: testhelper run|runquiet <program> <args> | hold <file> <ms> <signal> | click <title> <ms> <id>\n"
                "       | texts|close|esc|gone <title> <ms> | browse <title> <ms> <path> | link <title> <ms> <id>\n"
                "       | regvalue <subkey> <name>\n");
    return 2;
}
