#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "base/sys_info.h"
#include "process/executor.h"
#include "test_support.h"

namespace {

std::string childPath() {
    std::string path = OVX_EXECUTOR_CHILD;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

// Runs f on a thread of its own and waits for it with a bound: a call that
// hangs ends the suite with a message instead of stalling it.
void runBounded(const std::function<void()>& f) {
    const DWORD ms = 60000;
    auto body = [](LPVOID p) -> DWORD {
        (*static_cast<const std::function<void()>*>(p))();
        return 0;
    };
    HANDLE thread = CreateThread(nullptr, 0, body, const_cast<std::function<void()>*>(&f), 0, nullptr);
    ASSERT_NE(thread, nullptr);
    const DWORD wait = WaitForSingleObject(thread, ms);
    CloseHandle(thread);
    if (wait != WAIT_OBJECT_0) {
        std::fprintf(stderr, "a call under test did not return within %lu ms\n", static_cast<unsigned long>(ms));
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
    }
}

bool waitForFile(const std::string& path, DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (!FileUtils::exists(path)) {
        if (GetTickCount64() > end) return false;
        Sleep(50);
    }
    Sleep(100);  // let the writer close it
    return true;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(Executor, CommandLinesNameTheProgramOnce) {
    const std::string child = childPath();
    const std::string quotedChild = "\"" + child + "\"";
    Executor trimmed("  \t" + quotedChild + " ");
    EXPECT_EQ(trimmed.applicationPath(), child);
    trimmed.setArguments("   ");
    EXPECT_EQ(trimmed.commandLine(), quotedChild);
    for (const std::string& arguments : {child + " exit 3", " " + quotedChild + " exit 3\t", std::string("exit 3")}) {
        Executor executor(child);
        executor.setArguments(arguments);
        EXPECT_EQ(executor.commandLine(), quotedChild + " exit 3") << arguments;
    }
    // What the program itself receives.
    ScratchDir dir("ovx_executor_cmdline");
    const std::string file = dir.file("cmdline.txt");
    runBounded([&] { EXPECT_EQ(Executor::ExecProcessWaitForFinish(quotedChild, child + " cmdline " + file), 0u); });
    EXPECT_EQ(readFile(file), quotedChild + " cmdline " + file);
}

TEST(Executor, EmptyPathsAreRejected) {
    ScratchDir dir("ovx_executor_empty");
    CapturedLog log(dir);
    EXPECT_THROW(Executor("\"\""), Executor::ExecutorError);
    EXPECT_EQ(Executor::ExecProcess(" \t ", "x"), 1627u);
    EXPECT_EQ(Executor::ExecProcessWaitForFinish("", "x"), 1627u);
    EXPECT_EQ(Executor::ExecProcessAsDesktopUser(" ", "x"), 1627u);
    const std::string text = log.text();
    EXPECT_TRUE(contains(text, "\tERROR: Executor: applicationPath is empty\r\n")) << text;
    EXPECT_TRUE(contains(text, "\tERROR: ExecutorError in Executor::ExecProcess executor.cpp(")) << text;
    EXPECT_TRUE(contains(text, "\tERROR: ExecutorError in Executor::ExecProcessWaitForFinish ")) << text;
    EXPECT_TRUE(contains(text, "\tERROR: ExecProcessAsDesktopUser: appPath is empty\r\n")) << text;
}

TEST(Executor, WaitingReturnsTheExitCode) {
    ScratchDir dir("ovx_executor_wait");
    CapturedLog log(dir);
    const std::string child = childPath();
    runBounded([&] {
        EXPECT_EQ(Executor::ExecProcessWaitForFinish(child, "exit 0"), 0u);
        EXPECT_EQ(Executor::ExecProcessWaitForFinish("\"" + child + "\"", "sleep 300 exit 1603"), 1603u);
        EXPECT_EQ(Executor::ExecProcessWaitForFinish(dir.file("missing.exe"), ""), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    });
    const std::string text = log.text();
    EXPECT_TRUE(contains(text, "\tINFO: Executor.exec(): \"" + child + "\" sleep 300 exit 1603\r\n")) << text;
    EXPECT_TRUE(contains(text, "\tINFO: Executor.finishExecution(): WaitForSingleObject exited with code 0\r\n")) << text;
    EXPECT_TRUE(contains(text, "\tINFO: Executor.finishExecution(): ExitCode = 1603\r\n")) << text;
    EXPECT_TRUE(contains(text, "\tERROR: Executor.finishExecution(): Process execution  failed with system error ")) << text;
    EXPECT_TRUE(contains(text, "\tERROR: Executor.exec(): CreateProcess failed with system error 2 (")) << text;
}

TEST(Executor, StartingAloneDoesNotWait) {
    ScratchDir dir("ovx_executor_nowait");
    const std::string file = dir.file("late.txt");
    runBounded([&] { EXPECT_EQ(Executor::ExecProcess(childPath(), "sleep 1500 write " + file + " done exit 9"), 0u); });
    EXPECT_FALSE(FileUtils::exists(file));  // returned before the program got there
    EXPECT_TRUE(waitForFile(file, 30000));
    EXPECT_EQ(readFile(file), "done");
}

TEST(Executor, ATimeLimitEndsTheProgram) {
    ScratchDir dir("ovx_executor_timeout");
    CapturedLog log(dir);
    const std::string file = dir.file("never.txt");
    runBounded([&] {
        Executor executor(childPath());
        executor.setArguments("sleep 1500 write " + file + " late");
        executor.setWait(true, 300);
        EXPECT_EQ(executor.exec(), 258u);
    });
    EXPECT_TRUE(contains(log.text(), "\tINFO: Executor.finishExecution(): The timeout is elapsed. Terminating Process.\r\n"));
    Sleep(2500);  // past the point where the program would have written
    EXPECT_FALSE(FileUtils::exists(file)) << "the program was not terminated";
}

TEST(Executor, RedirectedOutputIsCollectedWhileWaiting) {
    // Far more than a pipe holds: the child blocks unless the output is read.
    runBounded([&] {
        Executor executor(childPath());
        executor.setArguments("print 300000 stderr E exit 4");
        executor.setHidden(true);
        executor.setRedirectOutput(true);
        executor.setWait(true, 30000);
        EXPECT_EQ(executor.exec(), 4u);
        ASSERT_EQ(executor.output().size(), 300001u);
        EXPECT_EQ(executor.output().back(), 'E');
        EXPECT_EQ(executor.output().find_first_not_of('x'), 300000u);
    });
}

namespace {
int g_dispatched = 0;
LRESULT CALLBACK countingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP + 1) ++g_dispatched;
    return DefWindowProcW(window, message, wParam, lParam);
}
}  // namespace

TEST(Executor, MessagesAreDispatchedWhileTheProgramRuns) {
    runBounded([&] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = countingProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"OvxExecutorTest";
        RegisterClassW(&wc);
        HWND window = CreateWindowW(L"OvxExecutorTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(window, nullptr);
        g_dispatched = 0;
        PostMessageW(window, WM_APP + 1, 0, 0);
        PostMessageW(window, WM_APP + 1, 0, 0);
        PostQuitMessage(7);

        Executor executor(childPath());
        executor.setArguments("sleep 500 exit 6");
        executor.setDispatchMessages(true);
        EXPECT_EQ(executor.exec(), 6u);
        EXPECT_EQ(g_dispatched, 2);
        // The quit request is left for the thread's own loop.
        MSG msg;
        ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
        EXPECT_EQ(msg.wParam, 7u);
        DestroyWindow(window);
    });
}

namespace {
// The link folder of the desktop-user start, and whether Velmar was there before.
struct LinkFolder {
    std::string velmar = FileUtils::combinePath(SysInfo::getCommonAppDataDir(), "Velmar");
    std::string tmp = FileUtils::combinePath(velmar, "tmpinstall");
    std::string link = FileUtils::combinePath(tmp, "oruntmp.lnk");
    bool hadVelmar = FileUtils::isDirectory(velmar);
    ~LinkFolder() {
        if (!hadVelmar) RemoveDirectoryA(velmar.c_str());
    }
};
}  // namespace

TEST(Executor, TheDesktopShellStartsTheProgramFromATemporaryLink) {
    LinkFolder folder;
    ScratchDir dir("ovx_executor_desktop");
    const std::string file = dir.file("desktop.txt");
    DWORD result = 1;
    runBounded([&] { result = Executor::ExecProcessAsDesktopUser(childPath(), "write " + file + " as-user exit 2"); });
    EXPECT_EQ(result, 0u);
    EXPECT_TRUE(waitForFile(file, 30000));
    EXPECT_EQ(readFile(file), "as-user");
    EXPECT_FALSE(FileUtils::exists(folder.link));
    EXPECT_FALSE(FileUtils::exists(folder.tmp));
    EXPECT_TRUE(FileUtils::isDirectory(folder.velmar));
}

TEST(Executor, NoLinkIsLeftWhenTheShellOrTheLinkFails) {
    LinkFolder folder;
    ScratchDir dir("ovx_executor_desktop_fail");
    CapturedLog log(dir);
    DWORD result = 0;
    runBounded([&] {
        result = Executor::ExecProcessAsDesktopUserWith(dir.file("no-shell.exe"), childPath(), "exit 0");
    });
    EXPECT_EQ(result, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(FileUtils::exists(folder.link));
    EXPECT_FALSE(FileUtils::exists(folder.tmp));
    EXPECT_TRUE(contains(log.text(), "\tERROR: ExecProcessAsDesktopUser: Executor.exec() failed with system error 2 ("))
        << log.text();
    EXPECT_TRUE(contains(log.text(), "\tTRACE: Entering ExecProcessAsDesktopUser\r\n"));
    EXPECT_TRUE(contains(log.text(), "\tTRACE: Exiting ExecProcessAsDesktopUser (entered at executor.cpp:"));

    // A file in the folder's place: the link cannot be saved, and that is no success.
    writeFile(folder.tmp, "in the way");
    runBounded([&] { result = Executor::ExecProcessAsDesktopUser(childPath(), "exit 0"); });
    DeleteFileA(folder.tmp.c_str());
    EXPECT_NE(result, 0u);
    EXPECT_FALSE(FileUtils::exists(folder.link));
    EXPECT_TRUE(contains(log.text(), "\tERROR: CreateShortCutItem() - pOrunShortCutItemFile->Save call failed\r\n"))
        << log.text();
    EXPECT_TRUE(contains(log.text(), "\tERROR: ExecProcessAsDesktopUser failed to create temporary shortcut failed with"));
}
