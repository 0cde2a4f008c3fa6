#include "process/executor.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <vector>

#include "base/com_holders.h"
#include "base/file_utils.h"
#include "base/logger.h"
#include "base/sys_error.h"
#include "base/sys_info.h"
#include "base/tstrings.h"

namespace {
const char* const kBlanks = " \t";
const DWORD kFunctionFailed = 1627;  // ERROR_FUNCTION_FAILED
// How often a redirected child's output is collected while waiting.
const DWORD kPipePollMs = 50;
// Every wait for a started program has an end: an installer tool may take a
// while, the shell that opens a link returns at once.
const DWORD kInstallerToolTimeoutMs = 30 * 60 * 1000;
const DWORD kShellTimeoutMs = 2 * 60 * 1000;

std::string failedWith(const std::string& call, unsigned long code) {
    return tstrings::format("%s failed with %s", call.c_str(), formatSystemError(code, nullptr).c_str());
}
}  // namespace

Executor::Executor(const std::string& applicationPath) {
    std::string path = tstrings::trim(applicationPath, kBlanks);
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
    if (path.empty()) {
        LOG_ERROR("Executor: applicationPath is empty");
        throw QDS_ERROR(ExecutorError("applicationPath is empty"));
    }
    applicationPath_ = path;
    commandLine_ = "\"" + path + "\"";
}

Executor::~Executor() = default;

void Executor::setArguments(const std::string& arguments) {
    const std::string text = tstrings::trim(arguments, kBlanks);
    if (text.empty()) return;
    if (text.compare(0, applicationPath_.size(), applicationPath_) == 0) {
        commandLine_ += text.substr(applicationPath_.size());
    } else if (text.size() > applicationPath_.size() && text[0] == '"' &&
               text.compare(1, applicationPath_.size(), applicationPath_) == 0) {
        commandLine_ = text;
    } else {
        commandLine_ += " " + text;
    }
}

void Executor::createPipe() {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        LOG_INFO("Create pipe FAILURE");
        return;
    }
    pipeRead_.reset(readEnd);
    pipeWrite_.reset(writeEnd);
    startupInfo_.dwFlags |= STARTF_USESTDHANDLES;
    startupInfo_.hStdOutput = writeEnd;
    startupInfo_.hStdError = writeEnd;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    inheritHandles_ = TRUE;
    LOG_INFO("Create pipe SUCCESS");
}

bool Executor::startExecution() {
    LOG_INFO("Executor.exec(): " << commandLine_);
    ZeroMemory(&startupInfo_, sizeof(startupInfo_));
    startupInfo_.cb = sizeof(startupInfo_);
    ZeroMemory(&processInfo_, sizeof(processInfo_));
    creationFlags_ = 0;
    inheritHandles_ = FALSE;
    if (hidden_) {
        startupInfo_.dwFlags |= STARTF_USESHOWWINDOW;
        startupInfo_.wShowWindow = SW_HIDE;
        creationFlags_ = CREATE_NO_WINDOW;
    }
    if (redirectOutput_) createPipe();

    std::vector<char> commandLine(commandLine_.begin(), commandLine_.end());
    commandLine.push_back('\0');
    const BOOL started = CreateProcessA(applicationPath_.c_str(), commandLine.data(), nullptr, nullptr, inheritHandles_,
                                       creationFlags_, nullptr, nullptr, &startupInfo_, &processInfo_);
    const DWORD error = started ? ERROR_SUCCESS : GetLastError();
    // The child has its own copy of the write end; ours would keep the pipe
    // open after the child ends, so reading it would never see the end.
    pipeWrite_.reset();
    if (started) {
        process_.reset(processInfo_.hProcess);
        thread_.reset(processInfo_.hThread);
    }
    SetLastError(error);
    return started != FALSE;
}

DWORD Executor::exec() {
    if (!startExecution()) {
        const DWORD error = GetLastError();
        LOG_ERROR(failedWith("Executor.exec(): CreateProcess", error));
        return error;
    }
    return finishExecution();
}

void Executor::drainPipe() {
    if (!pipeRead_.valid()) return;
    char buffer[4096];
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(pipeRead_.get(), nullptr, 0, nullptr, &available, nullptr) || available == 0) return;
        DWORD read = 0;
        if (!ReadFile(pipeRead_.get(), buffer, available < sizeof(buffer) ? available : sizeof(buffer), &read, nullptr) ||
            read == 0) {
            return;
        }
        output_.append(buffer, read);
    }
}

// A child that fills the pipe blocks until someone reads it, so a redirected
// child's output is collected while waiting.
DWORD Executor::waitForProcess() {
    if (!pipeRead_.valid()) return WaitForSingleObject(process_.get(), timeoutMs_);
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        drainPipe();
        DWORD slice = kPipePollMs;
        if (timeoutMs_ != INFINITE) {
            const ULONGLONG elapsed = GetTickCount64() - start;
            const ULONGLONG left = elapsed >= timeoutMs_ ? 0 : timeoutMs_ - elapsed;
            if (left < slice) slice = static_cast<DWORD>(left);
        }
        const DWORD result = WaitForSingleObject(process_.get(), slice);
        if (result != WAIT_TIMEOUT || (timeoutMs_ != INFINITE && GetTickCount64() - start >= timeoutMs_)) {
            drainPipe();
            return result;
        }
    }
}

DWORD Executor::dispatchUntilExit() {
    HANDLE process = process_.get();
    bool quit = false;
    WPARAM quitCode = 0;
    DWORD result = WAIT_FAILED;
    for (bool ended = false; !ended;) {
        const DWORD wait = MsgWaitForMultipleObjectsEx(1, &process, pipeRead_.valid() ? kPipePollMs : INFINITE, QS_ALLINPUT,
                                                       MWMO_INPUTAVAILABLE);
        if (wait == WAIT_TIMEOUT) {
            drainPipe();
            continue;
        }
        if (wait != WAIT_OBJECT_0 + 1) {  // ended, or the wait failed
            result = wait;
            break;
        }
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            const bool wide = msg.hwnd == nullptr || IsWindowUnicode(msg.hwnd);
            if (!(wide ? PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) : PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))) break;
            if (msg.message == WM_QUIT) {
                // Ours to hand back to the thread's own loop, not to swallow.
                quit = true;
                quitCode = msg.wParam;
            } else {
                TranslateMessage(&msg);
                if (wide) {
                    DispatchMessageW(&msg);
                } else {
                    DispatchMessageA(&msg);
                }
            }
            if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
                result = WAIT_OBJECT_0;
                ended = true;
                break;
            }
        }
    }
    drainPipe();
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
    return result;
}

DWORD Executor::finishExecution() {
    DWORD result = 0;
    bool waited = false;
    DWORD wait = WAIT_OBJECT_0;
    if (process_.valid()) {
        if (wait_) {
            wait = waitForProcess();
            LOG_INFO("Executor.finishExecution(): WaitForSingleObject exited with code " << wait);
            waited = true;
        } else if (dispatchMessages_) {
            wait = dispatchUntilExit();
            waited = true;
        }
    }
    if (waited) {
        if (wait == WAIT_TIMEOUT) {
            LOG_INFO("Executor.finishExecution(): The timeout is elapsed. Terminating Process.");
            TerminateProcess(process_.get(), 1);
            result = WAIT_TIMEOUT;
        } else {
            DWORD exitCode = 0;
            if (!GetExitCodeProcess(process_.get(), &exitCode)) {
                result = GetLastError();
                LOG_ERROR(failedWith("Executor.finishExecution(): GetExitCodeProcess()", result));
            } else {
                LOG_INFO("Executor.finishExecution(): ExitCode = " << exitCode);
                if (exitCode != 0) LOG_ERROR(failedWith("Executor.finishExecution(): Process execution ", GetLastError()));
                result = exitCode;
            }
        }
    }
    process_.reset();
    thread_.reset();
    return result;
}

DWORD Executor::ExecProcess(const std::string& path, const std::string& arguments) {
    try {
        Executor executor(path);
        executor.setArguments(arguments);
        return executor.exec();
    } catch (const ExecutorError& e) {
        LOG_ERROR("ExecutorError in Executor::ExecProcess " << e.what());
        return kFunctionFailed;
    }
}

DWORD Executor::ExecProcessWaitForFinish(const std::string& path, const std::string& arguments) {
    try {
        Executor executor(path);
        executor.setArguments(arguments);
        executor.setWait(true, kInstallerToolTimeoutMs);
        return executor.exec();
    } catch (const ExecutorError& e) {
        LOG_ERROR("ExecutorError in Executor::ExecProcessWaitForFinish " << e.what());
        return kFunctionFailed;
    }
}

namespace {

// Writes a shell link to target with its arguments. Returns S_OK or the
// failing call's result, after logging it.
HRESULT createShortcut(const std::string& linkPath, const std::string& target, const std::string& arguments) {
    static const CLSID clsidShellLink = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    static const IID iidShellLinkA = {0x000214EE, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    static const IID iidPersistFile = {0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

    // Declared first, so that the interfaces are released before the apartment ends.
    const ComScope apartment;
    ComPtr<IShellLinkA> pOrunShortCutItem;
    HRESULT hr = CoCreateInstance(clsidShellLink, nullptr, CLSCTX_ALL, iidShellLinkA, pOrunShortCutItem.outVoid());
    if (FAILED(hr) || !pOrunShortCutItem) {
        LOG_ERROR("CreateShortCutItem() - pOrunShortCutItem.CoCreateInstance call failed");
        if (SUCCEEDED(hr)) hr = E_POINTER;
        return hr;
    }
    ComPtr<IPersistFile> pOrunShortCutItemFile;
    if (FAILED(hr = pOrunShortCutItem->SetPath(target.c_str()))) {
        LOG_ERROR(failedWith("ExecProcessAsDesktopUser: pOrunShortCutItem->SetPath(" + target + ") call failed",
                             static_cast<unsigned long>(hr)));
    } else if (FAILED(hr = pOrunShortCutItem->SetArguments(arguments.c_str()))) {
        LOG_ERROR(failedWith("ExecProcessAsDesktopUser: pOrunShortCutItem->SetArguments(" + arguments + ") call failed",
                             static_cast<unsigned long>(hr)));
    } else if (FAILED(hr = pOrunShortCutItem.query(iidPersistFile, pOrunShortCutItemFile))) {
        LOG_ERROR("CreateShortCutItem() - pOrunShortCutItem->QueryInterface call failed");
    } else if (FAILED(hr = pOrunShortCutItemFile->Save(tstrings::fromACP(linkPath).c_str(), TRUE))) {
        LOG_ERROR("CreateShortCutItem() - pOrunShortCutItemFile->Save call failed");
    }
    return hr;
}

}  // namespace

DWORD Executor::ExecProcessAsDesktopUser(const std::string& path, const std::string& arguments) {
    return ExecProcessAsDesktopUserWith(std::string(), path, arguments);
}

DWORD Executor::ExecProcessAsDesktopUserWith(const std::string& shellPath, const std::string& path,
                                             const std::string& arguments) {
    QDS_TRACE_FUNCTION("ExecProcessAsDesktopUser");
    const std::string target = tstrings::trim(path, kBlanks);
    if (target.empty()) {
        LOG_ERROR("ExecProcessAsDesktopUser: appPath is empty");
        return kFunctionFailed;
    }

    std::string shell = shellPath;
    std::string folder;
    std::string tmpFolder;  // ours to remove afterwards; Velmar stays
    try {
        if (shell.empty()) shell = FileUtils::combinePath(SysInfo::getWindowsDir(), "explorer.exe ");
    } catch (const std::runtime_error& e) {
        LOG_ERROR("ExecProcessAsDesktopUser: " << e.what());
    }
    try {
        folder = SysInfo::getCommonAppDataDir();
        folder += "\\Velmar";
        CreateDirectoryA(folder.c_str(), nullptr);
        folder += "\\tmpinstall";
        CreateDirectoryA(folder.c_str(), nullptr);
        tmpFolder = folder;
    } catch (const std::runtime_error& e) {
        LOG_ERROR("ExecProcessAsDesktopUser: " << e.what());
    }
    const std::string link = folder + "\\oruntmp.lnk";

    DWORD result = ERROR_SUCCESS;
    SetLastError(ERROR_SUCCESS);  // an earlier call's error is not the link's
    const HRESULT saved = createShortcut(link, target, arguments);
    if (SUCCEEDED(saved)) {
        try {
            Executor executor(shell);
            executor.setArguments(link);
            executor.setWait(true, kShellTimeoutMs);
            if (executor.startExecution()) {
                executor.finishExecution();  // the shell's own exit code says nothing about the program
            } else {
                result = GetLastError();
                LOG_ERROR(failedWith("ExecProcessAsDesktopUser: Executor.exec()", result));
            }
        } catch (const ExecutorError& e) {
            LOG_ERROR("ExecutorError in Executor::ExecProcessAsDesktopUser " << e.what());
            result = kFunctionFailed;
        }
    } else {
        result = GetLastError();
        // A COM failure need not set the thread's error: never report it as success.
        if (result == ERROR_SUCCESS) {
            result = HRESULT_FACILITY(saved) == FACILITY_WIN32 ? HRESULT_CODE(saved) : kFunctionFailed;
        }
        LOG_ERROR(failedWith("ExecProcessAsDesktopUser failed to create temporary shortcut", result));
    }
    // The link lives only for this call, also after a failed save; Velmar stays.
    DeleteFileA(link.c_str());
    if (!tmpFolder.empty()) RemoveDirectoryA(tmpFolder.c_str());
    return result;
}
