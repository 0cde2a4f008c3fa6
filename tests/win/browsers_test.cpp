#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "base/maker_addresses.h"
#include "base/sys_info.h"
#include "process/browsers.h"
#include "test_support.h"

namespace {

const std::string kPage = maker::kVerificationPageUrl;
const char* const kClients = "Software\\Clients\\StartMenuInternet";
const char* const kUserChoice = "Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\UserChoice";
const char* const kMozilla = "SOFTWARE\\Mozilla";
const char* const kChromePaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\chrome.exe";
const char* const kIEPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";
const char* const kFlags = "SOFTWARE\\OrunSoft";

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Runs f on a thread of its own and waits with a bound: a call that hangs
// ends the suite with a message instead of stalling it.
void runBounded(const std::function<void()>& f) {
    auto body = [](LPVOID p) -> DWORD {
        (*static_cast<const std::function<void()>*>(p))();
        return 0;
    };
    HANDLE thread = CreateThread(nullptr, 0, body, const_cast<std::function<void()>*>(&f), 0, nullptr);
    ASSERT_NE(thread, nullptr);
    const DWORD wait = WaitForSingleObject(thread, 90000);
    CloseHandle(thread);
    if (wait != WAIT_OBJECT_0) {
        std::fprintf(stderr, "a call under test did not return within 90 s\n");
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
    }
}

bool waitUntil(const std::function<bool()>& done, DWORD ms = 30000) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (!done()) {
        if (GetTickCount64() > end) return false;
        Sleep(50);
    }
    return true;
}

// Registry edits in an explicit view; the default is the 64-bit one.
void setText(HKEY root, const std::string& path, const std::string& name, const std::string& value,
             REGSAM view = KEY_WOW64_64KEY, DWORD type = REG_SZ) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr), 0) << path;
    RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

void makeKey(HKEY root, const std::string& path, REGSAM view = KEY_WOW64_64KEY) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr), 0) << path;
    RegCloseKey(key);
}

void removeKey(HKEY root, const std::string& path, REGSAM view = KEY_WOW64_64KEY) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS) return;
    RegDeleteTreeA(key, nullptr);
    RegCloseKey(key);
    RegDeleteKeyExA(root, path.c_str(), view, 0);
}

bool hasValue(HKEY root, const std::string& path, const std::string& name, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    const bool found = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

// A key tree as the test found it, put back when the test ends.
class SavedKey {
public:
    SavedKey(HKEY root, const std::string& path, REGSAM view = KEY_WOW64_64KEY)
        : root_(root), path_(storedName(root, path, view)), view_(view), existed_(read(root_, path_, view_, tree_)) {}
    ~SavedKey() {
        removeKey(root_, path_, view_);
        if (existed_) write(root_, path_, view_, tree_);
    }
    SavedKey(const SavedKey&) = delete;
    SavedKey& operator=(const SavedKey&) = delete;

private:
    struct Value {
        std::string name;
        DWORD type;
        std::vector<BYTE> data;
    };
    struct Node {
        std::string name;
        std::vector<Value> values;
        std::vector<Node> children;
    };

    // The path with its last name spelt as stored, so that it comes back the same.
    static std::string storedName(HKEY root, const std::string& path, REGSAM view) {
        const size_t slash = path.rfind('\\');
        if (slash == std::string::npos) return path;
        HKEY parent = nullptr;
        if (RegOpenKeyExA(root, path.substr(0, slash).c_str(), 0, KEY_READ | view, &parent) != ERROR_SUCCESS) return path;
        std::string stored = path;
        char name[256];
        for (DWORD i = 0;; ++i) {
            DWORD size = sizeof(name);
            if (RegEnumKeyExA(parent, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            if (_stricmp(name, path.c_str() + slash + 1) == 0) stored = path.substr(0, slash + 1) + name;
        }
        RegCloseKey(parent);
        return stored;
    }

    static bool read(HKEY parent, const std::string& path, REGSAM view, Node& node) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
        node.name = path;
        for (DWORD i = 0;; ++i) {
            char name[16384];
            DWORD nameSize = sizeof(name);
            DWORD type = 0;
            DWORD dataSize = 0;
            if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &dataSize) != ERROR_SUCCESS) break;
            Value value{name, type, std::vector<BYTE>(dataSize)};
            RegQueryValueExA(key, name, nullptr, nullptr, value.data.data(), &dataSize);
            node.values.push_back(std::move(value));
        }
        for (DWORD i = 0;; ++i) {
            char name[256];
            DWORD nameSize = sizeof(name);
            if (RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            Node child;
            if (read(key, name, view, child)) node.children.push_back(std::move(child));
        }
        RegCloseKey(key);
        return true;
    }

    static void write(HKEY parent, const std::string& path, REGSAM view, const Node& node) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr)) return;
        for (const Value& v : node.values) {
            RegSetValueExA(key, v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
        }
        for (const Node& child : node.children) write(key, child.name, view, child);
        RegCloseKey(key);
    }

    HKEY root_;
    std::string path_;
    REGSAM view_;
    Node tree_;
    bool existed_;
};

// One line of a stand-in's journal (see browser_standin.cpp).
struct Event {
    unsigned long long time = 0;
    std::string name;
    DWORD pid = 0;
    std::string event;
    std::string detail;
};

// A folder of stand-in browsers sharing one journal. The desktop-user start
// leaves the Velmar folder behind; it goes again when it was not there before.
class Standins {
public:
    explicit Standins(const std::string& name) : dir_(name) {}
    ~Standins() {
        if (!hadVelmar_) RemoveDirectoryA(velmar_.c_str());
    }

    std::string path() const { return dir_.path(); }
    std::string add(const std::string& name) const {
        std::string source = OVX_BROWSER_STANDIN;
        for (char& c : source) {
            if (c == '/') c = '\\';
        }
        const std::string target = dir_.file(name);
        EXPECT_TRUE(CopyFileA(source.c_str(), target.c_str(), FALSE)) << target;
        return target;
    }

    std::vector<Event> journal() const {
        std::vector<Event> events;
        std::istringstream lines(readFile(dir_.file("journal.txt")));
        std::string line;
        while (std::getline(lines, line)) {
            std::istringstream fields(line);
            Event e;
            std::string time, pid;
            std::getline(fields, time, '\t');
            std::getline(fields, e.name, '\t');
            std::getline(fields, pid, '\t');
            std::getline(fields, e.event, '\t');
            std::getline(fields, e.detail);
            e.time = std::stoull(time);
            e.pid = std::stoul(pid);
            events.push_back(e);
        }
        return events;
    }
    // The first event of that kind from that program, waiting for it with a bound.
    bool find(const std::string& name, const std::string& event, Event& found, DWORD pid = 0) const {
        return waitUntil([&] {
            for (const Event& e : journal()) {
                if (e.name == name && e.event == event && (pid == 0 || e.pid == pid)) {
                    found = e;
                    return true;
                }
            }
            return false;
        });
    }

private:
    ScratchDir dir_;
    std::string velmar_ = FileUtils::combinePath(SysInfo::getCommonAppDataDir(), "Velmar");
    bool hadVelmar_ = FileUtils::isDirectory(velmar_);
};

// A running stand-in with a window, started by the test; ended at the latest
// when the test ends.
class Running {
public:
    Running(const Standins& standins, const std::string& exe, const char* mode) {
        std::string commandLine = "\"" + exe + "\" " + mode;
        STARTUPINFOA si{};
        si.cb = sizeof(si);
        if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_)) {
            ADD_FAILURE() << "cannot start " << exe << ": " << GetLastError();
            return;
        }
        Event ready;
        EXPECT_TRUE(standins.find(FileUtils::basename(exe), "ready", ready, pi_.dwProcessId)) << exe;
    }
    ~Running() {
        if (!pi_.hProcess) return;
        if (running()) TerminateProcess(pi_.hProcess, 99);
        WaitForSingleObject(pi_.hProcess, 5000);
        CloseHandle(pi_.hProcess);
        CloseHandle(pi_.hThread);
    }
    bool running() const { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }
    DWORD exitCode() const {
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(pi_.hProcess, &code);
        return code;
    }
    unsigned long long exitTime() const {
        FILETIME created, exited, kernel, user;
        GetProcessTimes(pi_.hProcess, &created, &exited, &kernel, &user);
        return (static_cast<unsigned long long>(exited.dwHighDateTime) << 32) | exited.dwLowDateTime;
    }

private:
    PROCESS_INFORMATION pi_{};
};

// Firefox and Internet Explorer registered as the stand-ins of `standins`.
void registerFirefoxAndIE(const Standins& standins, const std::string& version = "115.0 (x64 en-US)") {
    setText(HKEY_LOCAL_MACHINE, std::string(kMozilla) + "\\Mozilla Firefox", "CurrentVersion", version);
    setText(HKEY_LOCAL_MACHINE, std::string(kMozilla) + "\\Mozilla Firefox\\" + version + "\\Main", "Install Directory",
            standins.path());
    setText(HKEY_LOCAL_MACHINE, kIEPaths, "", standins.add("iexplore.exe"));
    standins.add("firefox.exe");
}

}  // namespace

TEST(BrowserDetection, ChromeIsRecognisedByItsRegistrationInTheGivenView) {
    SavedKey saved64(HKEY_LOCAL_MACHINE, "Software\\Clients", KEY_WOW64_64KEY);
    SavedKey saved32(HKEY_LOCAL_MACHINE, "Software\\Clients", KEY_WOW64_32KEY);
    removeKey(HKEY_LOCAL_MACHINE, kClients, KEY_WOW64_64KEY);
    removeKey(HKEY_LOCAL_MACHINE, kClients, KEY_WOW64_32KEY);
    EXPECT_FALSE(browsers::isInstalled(browsers::InternetExplorer, false));  // no key at all

    makeKey(HKEY_LOCAL_MACHINE, std::string(kClients) + "\\IEXPLORE.EXE");
    makeKey(HKEY_LOCAL_MACHINE, std::string(kClients) + "\\FIREFOX.EXE");
    makeKey(HKEY_LOCAL_MACHINE, std::string(kClients) + "\\Google Chrom");
    EXPECT_TRUE(browsers::isInstalled(browsers::InternetExplorer, false));
    EXPECT_TRUE(browsers::isInstalled(browsers::Firefox, false));
    EXPECT_FALSE(browsers::isInstalled(browsers::Chrome, false));
    EXPECT_FALSE(browsers::isInstalled(browsers::Chrome, true));

    makeKey(HKEY_LOCAL_MACHINE, std::string(kClients) + "\\GOOGLE CHROMEXYZ", KEY_WOW64_32KEY);
    EXPECT_TRUE(browsers::isInstalled(browsers::Chrome, true));
    EXPECT_FALSE(browsers::isInstalled(browsers::Chrome, false));
    EXPECT_FALSE(browsers::isInstalled(browsers::Firefox, true));
    makeKey(HKEY_LOCAL_MACHINE, std::string(kClients) + "\\Google Chrome");
    EXPECT_TRUE(browsers::isInstalled(browsers::Chrome, false));

    ScratchDir dir("ovx_browsers_ids");
    CapturedLog log(dir);
    EXPECT_FALSE(browsers::isInstalled(3, false));
    EXPECT_TRUE(contains(log.text(), "(browsers::isInstalled)]\r\n\tERROR: unexpected browserId\r\n")) << log.text();
}

TEST(BrowserDetection, TheDefaultBrowserComesFromTheUserChoiceOrTheHttpClass) {
    SavedKey savedChoice(HKEY_CURRENT_USER, kUserChoice);
    SavedKey savedHttp(HKEY_LOCAL_MACHINE, "Software\\Classes\\http");
    SavedKey savedUserHttp(HKEY_CURRENT_USER, "Software\\Classes\\http");
    removeKey(HKEY_CURRENT_USER, kUserChoice);
    removeKey(HKEY_CURRENT_USER, "Software\\Classes\\http");
    removeKey(HKEY_LOCAL_MACHINE, "Software\\Classes\\http");
    const std::string command = "Software\\Classes\\http\\shell\\open\\command";
    const std::string application = "Software\\Classes\\http\\shell\\open\\ddeexec\\Application";

    setText(HKEY_LOCAL_MACHINE, command, "", "C:\\windows\\system32\\winebrowser.exe -nohome");
    EXPECT_EQ(getDefaultBrowserId(), kNoDefaultBrowser);
    setText(HKEY_LOCAL_MACHINE, application, "", "IExplore");
    EXPECT_EQ(getDefaultBrowserId(), kDefaultIE);
    setText(HKEY_LOCAL_MACHINE, application, "", "Firefox");
    EXPECT_EQ(getDefaultBrowserId(), kDefaultFirefox);
    setText(HKEY_LOCAL_MACHINE, application, "", "Opera");
    EXPECT_EQ(getDefaultBrowserId(), kDefaultOther);
    // A command past the classic 2056-byte buffer is still read whole.
    setText(HKEY_LOCAL_MACHINE, command, "", "\"C:\\" + std::string(2100, 'x') + "\\chrome.exe\" -- \"%1\"");
    EXPECT_EQ(getDefaultBrowserId(), kDefaultOther);
    setText(HKEY_LOCAL_MACHINE, application, "", "Firefox");
    EXPECT_EQ(getDefaultBrowserId(), kDefaultOther);  // chrome.exe wins over the DDE name

    // The user's choice, once there, decides alone.
    makeKey(HKEY_CURRENT_USER, kUserChoice);
    EXPECT_EQ(getDefaultBrowserId(), kNoDefaultBrowser);
    setText(HKEY_CURRENT_USER, kUserChoice, "Progid", "FirefoxURL");
    EXPECT_EQ(getDefaultBrowserId(), kDefaultFirefox);
    setText(HKEY_CURRENT_USER, kUserChoice, "Progid", "IE.HTTP");
    EXPECT_EQ(getDefaultBrowserId(), kDefaultIE);
    setText(HKEY_CURRENT_USER, kUserChoice, "Progid", "ChromeHTML");
    EXPECT_EQ(getDefaultBrowserId(), kDefaultOther);
}

TEST(BrowserDetection, FirefoxHasAFolderFromVersionOneOn) {
    SavedKey saved(HKEY_LOCAL_MACHINE, kMozilla);
    removeKey(HKEY_LOCAL_MACHINE, kMozilla);
    char folder[2048 + 16];
    EXPECT_FALSE(GetFirefoxInstallDir(folder));

    const std::string firefox = std::string(kMozilla) + "\\Mozilla Firefox";
    setText(HKEY_LOCAL_MACHINE, firefox + "\\0.9\\Main", "Install Directory", "C:\\Old Firefox");
    EXPECT_FALSE(GetFirefoxInstallDir(folder));  // no CurrentVersion
    setText(HKEY_LOCAL_MACHINE, firefox, "CurrentVersion", "0.9");
    EXPECT_FALSE(GetFirefoxInstallDir(folder));

    setText(HKEY_LOCAL_MACHINE, firefox, "CurrentVersion", "115.0 (x64 en-US)");
    setText(HKEY_LOCAL_MACHINE, firefox + "\\115.0 (x64 en-US)\\Main", "Install Directory",
            "C:\\Program Files\\Mozilla Firefox");
    ASSERT_TRUE(GetFirefoxInstallDir(folder));
    EXPECT_STREQ(folder, "C:\\Program Files\\Mozilla Firefox");

    // The caller's buffer holds 2048 characters: a longer folder is refused, not copied.
    setText(HKEY_LOCAL_MACHINE, firefox + "\\115.0 (x64 en-US)\\Main", "Install Directory", std::string(2048, 'd'));
    std::memset(folder, 'z', sizeof(folder));
    EXPECT_FALSE(GetFirefoxInstallDir(folder));
    EXPECT_EQ(std::string(folder + 2048, 16), std::string(16, 'z'));

    // The nightly build's name, when there is no release.
    removeKey(HKEY_LOCAL_MACHINE, firefox);
    setText(HKEY_LOCAL_MACHINE, std::string(kMozilla) + "\\Minefield", "CurrentVersion", "3.7a1pre");
    setText(HKEY_LOCAL_MACHINE, std::string(kMozilla) + "\\Minefield\\3.7a1pre\\Main", "Install Directory", "C:\\Nightly");
    ASSERT_TRUE(GetFirefoxInstallDir(folder));
    EXPECT_STREQ(folder, "C:\\Nightly");
}

TEST(BrowserLaunch, ChromeIsStartedDirectlyWithItsExactCommandLine) {
    SavedKey saved64(HKEY_LOCAL_MACHINE, kChromePaths, KEY_WOW64_64KEY);
    SavedKey saved32(HKEY_LOCAL_MACHINE, kChromePaths, KEY_WOW64_32KEY);
    removeKey(HKEY_LOCAL_MACHINE, kChromePaths, KEY_WOW64_64KEY);
    removeKey(HKEY_LOCAL_MACHINE, kChromePaths, KEY_WOW64_32KEY);
    Standins standins("ovx_browsers_chrome");
    ScratchDir logDir("ovx_browsers_chrome_log");
    CapturedLog log(logDir);
    EXPECT_FALSE(LaunchChrome());
    EXPECT_TRUE(contains(log.text(), "\tERROR: LaunchChrome(): Failed to find Chrome.exe path: ")) << log.text();

    // Only in the 32-bit view, and naming a folder without the program.
    setText(HKEY_LOCAL_MACHINE, kChromePaths, "path", standins.path(), KEY_WOW64_32KEY);
    EXPECT_FALSE(LaunchChrome());
    EXPECT_TRUE(contains(log.text(), "\tERROR: LaunchChrome(): ExecProcess() failed.\r\n")) << log.text();

    const std::string chrome = standins.add("chrome.exe");
    ASSERT_TRUE(LaunchChrome());
    Event started;
    ASSERT_TRUE(standins.find("chrome.exe", "started", started));
    EXPECT_EQ(started.detail, "\"" + chrome + "\" -new-window \"" + kPage + "\"");
}

TEST(BrowserLaunch, FirefoxAndIEStartAsTheDesktopUserOnTheVerificationPage) {
    SavedKey savedMozilla(HKEY_LOCAL_MACHINE, kMozilla);
    SavedKey savedIE(HKEY_LOCAL_MACHINE, kIEPaths);
    removeKey(HKEY_LOCAL_MACHINE, kMozilla);
    removeKey(HKEY_LOCAL_MACHINE, kIEPaths);
    Standins standins("ovx_browsers_desktop");
    ScratchDir logDir("ovx_browsers_desktop_log");
    CapturedLog log(logDir);

    runBounded([&] { LaunchIE(); });
    EXPECT_TRUE(contains(log.text(), "\tINFO: Restart IE\r\n"));
    EXPECT_TRUE(contains(log.text(), "\tINFO: LaunchIE ---- failed to open version IExplore key ---- \r\n")) << log.text();
    setText(HKEY_LOCAL_MACHINE, kIEPaths, "", "%ProgramFiles%\\Internet Explorer\\iexplore.exe", KEY_WOW64_64KEY,
            REG_EXPAND_SZ);
    runBounded([&] { LaunchIE(); });
    EXPECT_TRUE(contains(log.text(), "\tINFO: LaunchIE ---- failed to get value of the IExplore.exe string ---- \r\n"));

    registerFirefoxAndIE(standins, "0.9");
    bool launched = true;
    runBounded([&] { launched = LaunchFirefox(); });
    EXPECT_FALSE(launched);

    registerFirefoxAndIE(standins);
    runBounded([&] {
        launched = LaunchFirefox();
        LaunchIE();
    });
    EXPECT_TRUE(launched);
    Event firefox, ie;
    ASSERT_TRUE(standins.find("firefox.exe", "started", firefox));
    ASSERT_TRUE(standins.find("iexplore.exe", "started", ie));
    EXPECT_TRUE(contains(firefox.detail, "firefox.exe")) << firefox.detail;
    EXPECT_TRUE(contains(firefox.detail, " -new-window " + kPage)) << firefox.detail;
    EXPECT_TRUE(contains(ie.detail, "iexplore.exe")) << ie.detail;
    EXPECT_TRUE(contains(ie.detail, " " + kPage)) << ie.detail;
    EXPECT_FALSE(contains(ie.detail, "-new-window")) << ie.detail;
    for (const Event& e : standins.journal()) {
        EXPECT_FALSE(e.event == "started" && e.name == "firefox.exe" && e.pid != firefox.pid) << "a second Firefox";
    }
}

TEST(BrowserClose, WindowsAreAskedToCloseAndHoldoutsAreTerminated) {
    Standins standins("ovx_browsers_close");
    const std::string ie = standins.add("iexplore.exe");
    const std::string firefox = standins.add("firefox.exe");
    Running first(standins, ie, "--standin-window");
    Running second(standins, ie, "--standin-window");
    Running other(standins, firefox, "--standin-window");

    int result = -1;
    runBounded([&] { result = CloseBrowserProcesses("IEXPLORE.EXE", false); });
    EXPECT_EQ(result, 0);
    // Both have ended by the time the call returns, on their own after WM_CLOSE.
    EXPECT_FALSE(first.running());
    EXPECT_FALSE(second.running());
    EXPECT_EQ(first.exitCode(), 7u);
    EXPECT_EQ(second.exitCode(), 7u);
    EXPECT_TRUE(other.running());

    // One that ignores WM_CLOSE is terminated after the 5 s grace.
    Running holdout(standins, ie, "--standin-ignore");
    ULONGLONG elapsed = 0;
    runBounded([&] {
        const ULONGLONG start = GetTickCount64();
        result = CloseBrowserProcesses("iexplore.exe", false);
        elapsed = GetTickCount64() - start;
    });
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(holdout.running());
    EXPECT_EQ(holdout.exitCode(), 0u);
    EXPECT_GE(elapsed, 4500u);
    Event ignored;
    EXPECT_TRUE(standins.find("iexplore.exe", "ignored-close", ignored));

    // Destroying the windows of another process: whether the system lets it or
    // the process is terminated, it ends.
    EXPECT_TRUE(other.running());
    runBounded([&] { CloseBrowserProcesses("firefox.exe", true); });
    EXPECT_FALSE(other.running());
    EXPECT_EQ(CloseBrowserProcesses("nothing-like-this.exe", false), 0);
}

namespace {
// The restart flags of both views and the browsers' registrations, as the test found them.
struct SavedFlags {
    SavedKey flags64{HKEY_LOCAL_MACHINE, kFlags, KEY_WOW64_64KEY};
    SavedKey flags32{HKEY_LOCAL_MACHINE, kFlags, KEY_WOW64_32KEY};
    SavedKey mozilla{HKEY_LOCAL_MACHINE, kMozilla};
    SavedKey ie{HKEY_LOCAL_MACHINE, kIEPaths};
};

bool anyFlag() {
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        if (hasValue(HKEY_LOCAL_MACHINE, kFlags, "IERESTART", view) ||
            hasValue(HKEY_LOCAL_MACHINE, kFlags, "FIREFOXRESTART", view)) {
            return true;
        }
    }
    return false;
}

size_t logPosition(const std::string& log, const std::string& message) {
    const size_t at = log.find("\tINFO: " + message + "\r\n");
    EXPECT_NE(at, std::string::npos) << message;
    return at;
}
}  // namespace

TEST(BrowserRestart, A32BitLauncherClosesIEThenRestartsFirefoxThenIE) {
    SavedFlags saved;
    Standins standins("ovx_browsers_restart");
    registerFirefoxAndIE(standins);
    Running oldIE(standins, standins.path() + "\\iexplore.exe", "--standin-window");
    Running oldFirefox(standins, standins.path() + "\\firefox.exe", "--standin-window");
    setText(HKEY_LOCAL_MACHINE, kFlags, "IERESTART", "1");
    // Found in the 32-bit view only, and taken from there.
    setText(HKEY_LOCAL_MACHINE, kFlags, "FIREFOXRESTART", "", KEY_WOW64_32KEY);

    ScratchDir logDir("ovx_browsers_restart_log");
    CapturedLog log(logDir);
    bool restarted = false;
    runBounded([&] { restarted = BrowserRestart(true); });
    EXPECT_TRUE(restarted);
    EXPECT_FALSE(anyFlag());

    const std::string text = log.text();
    const size_t ieClosed = logPosition(text, "The IE browser will be closed");
    const size_t firefoxClosed = logPosition(text, "The Firefox browser will be closed");
    const size_t firefoxRestarted = logPosition(text, "The Firefox browser will be restarted");
    const size_t ieRestarted = logPosition(text, "The IE browser will be restarted");
    EXPECT_LT(ieClosed, firefoxClosed);
    EXPECT_LT(firefoxClosed, firefoxRestarted);
    EXPECT_LT(firefoxRestarted, ieRestarted);
    EXPECT_TRUE(contains(text, "(BrowserRestart)]\r\n\tINFO: The IE browser will be closed\r\n")) << text;

    // The programs' own account: closed, ended, started anew, in that order.
    EXPECT_FALSE(oldIE.running());
    EXPECT_EQ(oldIE.exitCode(), 7u);
    EXPECT_FALSE(oldFirefox.running());
    Event ieClose, newFirefox, newIE;
    ASSERT_TRUE(standins.find("iexplore.exe", "closed", ieClose));
    ASSERT_TRUE(standins.find("firefox.exe", "started", newFirefox));
    ASSERT_TRUE(standins.find("iexplore.exe", "started", newIE));
    EXPECT_LT(ieClose.time, oldFirefox.exitTime());
    EXPECT_LT(oldFirefox.exitTime(), newFirefox.time);
    EXPECT_LT(newFirefox.time, newIE.time);
    EXPECT_TRUE(contains(newFirefox.detail, "-new-window " + kPage)) << newFirefox.detail;
    EXPECT_TRUE(contains(newIE.detail, kPage)) << newIE.detail;
}

TEST(BrowserRestart, A64BitLauncherOnlyTakesTheFlags) {
    SavedFlags saved;
    Standins standins("ovx_browsers_norestart");
    registerFirefoxAndIE(standins);
    Running ie(standins, standins.path() + "\\iexplore.exe", "--standin-window");
    Running firefox(standins, standins.path() + "\\firefox.exe", "--standin-window");

    // Only a text counts as a flag.
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, kFlags, "IERESTART", REG_DWORD, "\1\0\0\0", 4);
    bool restarted = true;
    runBounded([&] { restarted = BrowserRestart(true); });
    EXPECT_FALSE(restarted);
    EXPECT_TRUE(hasValue(HKEY_LOCAL_MACHINE, kFlags, "IERESTART", KEY_WOW64_64KEY));
    EXPECT_TRUE(ie.running());

    setText(HKEY_LOCAL_MACHINE, kFlags, "IERESTART", "1");
    setText(HKEY_LOCAL_MACHINE, kFlags, "FIREFOXRESTART", "1");
    restarted = true;
    runBounded([&] { restarted = BrowserRestart(false); });
    EXPECT_FALSE(restarted);
    EXPECT_FALSE(anyFlag());
    Sleep(500);  // time for anything started to show up in the journal
    EXPECT_TRUE(ie.running());
    EXPECT_TRUE(firefox.running());
    for (const Event& e : standins.journal()) EXPECT_EQ(e.event, "ready") << e.name << " " << e.event;
    // And a 64-bit launcher, as this suite is, takes that branch by itself.
    EXPECT_FALSE(isNotNativeX64());
    EXPECT_FALSE(BrowserRestart());
}

TEST(BrowserLaunch, TheDefaultBrowserIsTheHtmlHandler) {
    SavedKey savedHtml(HKEY_LOCAL_MACHINE, "Software\\Classes\\.html");
    SavedKey savedUserHtml(HKEY_CURRENT_USER, "Software\\Classes\\.html");
    SavedKey savedProgId(HKEY_LOCAL_MACHINE, "Software\\Classes\\OvxTest.Page");
    removeKey(HKEY_CURRENT_USER, "Software\\Classes\\.html");
    Standins standins("ovx_browsers_default");
    const std::string viewer = standins.add("viewer.exe");
    setText(HKEY_LOCAL_MACHINE, "Software\\Classes\\.html", "", "OvxTest.Page");
    setText(HKEY_LOCAL_MACHINE, "Software\\Classes\\OvxTest.Page\\shell\\open\\command", "", "\"" + viewer + "\" \"%1\"");

    EXPECT_EQ(_stricmp(browsers::getDefaultBrowserPath().c_str(), viewer.c_str()), 0) << browsers::getDefaultBrowserPath();
    const std::string address = "https://orun.kyn.example/help/a page.html?x=1&y=2";
    bool opened = false;
    runBounded([&] { opened = browsers::launchDefault(address); });
    EXPECT_TRUE(opened);
    Event started;
    ASSERT_TRUE(standins.find("viewer.exe", "started", started));
    EXPECT_TRUE(contains(started.detail, address)) << started.detail;

    removeKey(HKEY_LOCAL_MACHINE, "Software\\Classes\\.html");
    ScratchDir logDir("ovx_browsers_default_log");
    CapturedLog log(logDir);
    runBounded([&] { opened = browsers::launchDefault(address); });
    EXPECT_FALSE(opened);
    EXPECT_TRUE(contains(log.text(), "(browsers::launchDefault)]\r\n\tERROR: cannot find default browser\r\n")) << log.text();
}
