// Stands in for a program planted beside a downloaded installer or in its
// working folder under a system program's name: when it runs, it leaves
// "<its own path>.ran" and ends with 0, as the real one would on success.
#include <windows.h>

#include <string>

int main() {
    char self[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string marker = std::string(self, n) + ".ran";
    HANDLE file = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        const char* line = GetCommandLineA();
        DWORD written = 0;
        WriteFile(file, line, static_cast<DWORD>(lstrlenA(line)), &written, nullptr);
        CloseHandle(file);
    }
    return 0;
}
