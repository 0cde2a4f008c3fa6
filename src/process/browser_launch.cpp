// Closing the running instances of a browser, and starting a browser on the
// verification page.
#include "base/win.h"

#include <tlhelp32.h>

#include <string>

#include "base/all_utils.h"
#include "base/logger.h"
#include "base/maker_addresses.h"
#include "base/tstrings.h"
#include "base/win_handles.h"
#include "process/browsers.h"
#include "process/executor.h"
#include "registry/registry.h"

int CloseBrowserProcesses(const std::string& exeName, bool destroy) {
    const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid()) return 0;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
        if (_stricmp(entry.szExeFile, exeName.c_str()) != 0) continue;
        const UniqueHandle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, entry.th32ProcessID));
        if (!process.valid()) continue;
        EnumWindows(destroy ? DestroyProcessWindowsProc : CloseProcessWindowsProc, static_cast<LPARAM>(entry.th32ProcessID));
        if (WaitForSingleObject(process.get(), 5000) == WAIT_TIMEOUT) {
            TerminateProcess(process.get(), 0);
            WaitForSingleObject(process.get(), 5000);
        }
    }
    return 0;
}

bool LaunchChrome() {
    char folder[2048] = {};
    DWORD size = sizeof(folder);
    if (!GetRegValueOfStringType("path", folder, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\chrome.exe", &size)) {
        LOG_ERROR(tstrings::format("LaunchChrome(): Failed to find Chrome.exe path: %d", static_cast<int>(GetLastError())));
        return false;
    }
    const std::string program = tstrings::format("%s\\chrome.exe", folder);
    // Quoted program first: the command line is exactly this text.
    const std::string arguments =
        tstrings::format("\"%s\" -new-window \"%s\"", program.c_str(), maker::kVerificationPageUrl);
    if (Executor::ExecProcess(program, arguments) != 0) {
        LOG_ERROR("LaunchChrome(): ExecProcess() failed.");
        return false;
    }
    return true;
}

bool LaunchFirefox() {
    char folder[2048] = {};
    if (!GetFirefoxInstallDir(folder)) return false;
    return Executor::ExecProcessAsDesktopUser(tstrings::format("%s\\firefox.exe", folder),
                                              tstrings::format(" -new-window %s", maker::kVerificationPageUrl)) == 0;
}

void LaunchIE() {
    LOG_INFO("Restart IE");
    Registry key;
    if (key.tryOpen(Registry::hklm, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE", KEY_ALL_ACCESS) !=
        ERROR_SUCCESS) {
        LOG_INFO("LaunchIE ---- failed to open version IExplore key ---- ");
        return;
    }
    RegValue value;
    if (key.tryGetValue("", value) != ERROR_SUCCESS || value.type != REG_SZ) {
        LOG_INFO("LaunchIE ---- failed to get value of the IExplore.exe string ---- ");
        return;
    }
    Executor::ExecProcessAsDesktopUser(value.text(), tstrings::format(" %s", maker::kVerificationPageUrl));
}
