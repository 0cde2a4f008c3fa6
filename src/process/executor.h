#pragma once
// Starting other programs: fire and forget, start and wait, and start as the
// desktop user through a temporary shell link opened by the desktop shell.
#include <stdexcept>
#include <string>

#include "base/win.h"
#include "base/win_handles.h"

class Executor {
public:
    class ExecutorError : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // The path is trimmed of blanks, tabs and one pair of enclosing quotes;
    // an empty result raises ExecutorError.
    explicit Executor(const std::string& applicationPath);
    ~Executor();
    Executor(const Executor&) = delete;
    Executor& operator=(const Executor&) = delete;

    // Arguments that repeat the application path at their start do not double it.
    void setArguments(const std::string& arguments);
    void setHidden(bool hidden) { hidden_ = hidden; }
    void setWait(bool wait, DWORD timeoutMs = INFINITE) {
        wait_ = wait;
        timeoutMs_ = timeoutMs;
    }
    // Dispatches this thread's window messages while the program runs (no time limit).
    void setDispatchMessages(bool dispatch) { dispatchMessages_ = dispatch; }
    // The program's standard output and error go into a pipe that
    // finishExecution drains into output().
    void setRedirectOutput(bool redirect) { redirectOutput_ = redirect; }

    // Start, then finish: finishExecution's result, or the system error when
    // the program does not start.
    DWORD exec();
    bool startExecution();
    // Waits as configured; the exit code, 258 after a time-out (the program is
    // terminated), 0 when not waiting.
    DWORD finishExecution();
    void createPipe();

    const std::string& applicationPath() const { return applicationPath_; }
    const std::string& commandLine() const { return commandLine_; }
    const std::string& output() const { return output_; }

    // 0 once started; the system error; 1627 for an empty path.
    static DWORD ExecProcess(const std::string& path, const std::string& arguments);
    // The program's exit code; the system error; 1627 for an empty path.
    static DWORD ExecProcessWaitForFinish(const std::string& path, const std::string& arguments);
    // Started by the desktop shell (explorer.exe) through a temporary link, so
    // that it runs with the logged-on user's rights rather than ours.
    // 0 on success; the system error; 1627 for an empty path.
    static DWORD ExecProcessAsDesktopUser(const std::string& path, const std::string& arguments);
    // The same through the given shell program (tests use one that cannot start).
    static DWORD ExecProcessAsDesktopUserWith(const std::string& shell, const std::string& path,
                                              const std::string& arguments);

private:
    DWORD waitForProcess();
    DWORD dispatchUntilExit();
    void drainPipe();

    std::string applicationPath_;
    std::string commandLine_;
    STARTUPINFOA startupInfo_{};
    PROCESS_INFORMATION processInfo_{};
    DWORD creationFlags_ = 0;
    BOOL inheritHandles_ = FALSE;
    bool hidden_ = false;
    bool wait_ = false;
    DWORD timeoutMs_ = INFINITE;
    bool dispatchMessages_ = false;
    bool redirectOutput_ = false;
    UniqueHandle process_;
    UniqueHandle thread_;
    UniqueHandle pipeRead_;
    UniqueHandle pipeWrite_;
    std::string output_;
};
