// Stands in for the prefix's web browser: records how it was started.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    HANDLE file = CreateFileW(L"C:\\link_handler.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, nullptr, 0, nullptr, nullptr);
    char* text = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, bytes));
    WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, text, bytes, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(file, text, bytes - 1, &written, nullptr);
    CloseHandle(file);
    return 0;
}
