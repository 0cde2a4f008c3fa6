#pragma once
// Helpers shared by the Windows-side suites.
#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/file_utils.h"
#include "base/logger.h"
#include "base/sys_info.h"
#include "base/win.h"

// A fresh folder under the temporary directory, removed with its files afterwards.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& name) : path_(FileUtils::combinePath(SysInfo::getTempDir(), name)) {
        removeTree(path_);
        FileUtils::createDirectory(path_);
    }
    ~ScratchDir() { removeTree(path_); }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return FileUtils::combinePath(path_, name); }

    static void removeTree(const std::string& dir) {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = data.cFileName;
                if (name == "." || name == "..") continue;
                const std::string full = dir + "\\" + name;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    removeTree(full);
                } else {
                    SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileA(full.c_str());
                }
            } while (FindNextFileA(find, &data));
            FindClose(find);
        }
        RemoveDirectoryA(dir.c_str());
    }

private:
    std::string path_;
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Sends the process log to a file of the test's own while it lives.
class CapturedLog {
public:
    explicit CapturedLog(const ScratchDir& dir) : previous_(Logger::instance().path()), path_(dir.file("test.log")) {
        Logger::instance().setPath(path_);
    }
    ~CapturedLog() { Logger::instance().setPath(previous_); }
    std::string text() const { return readFile(path_); }
    const std::string& path() const { return path_; }

private:
    std::string previous_;
    std::string path_;
};

inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) out.push_back(line);
        start = end + 1;
    }
    return out;
}

// The messages of the log's entries at that level ("\tLEVEL: message").
inline std::vector<std::string> messagesAt(const std::string& log, const std::string& level) {
    std::vector<std::string> out;
    const std::string prefix = "\t" + level + ": ";
    for (const auto& line : lines(log)) {
        if (line.rfind(prefix, 0) == 0) out.push_back(line.substr(prefix.size()));
    }
    return out;
}

inline bool contains(const std::vector<std::string>& all, const std::string& one) {
    return std::find(all.begin(), all.end(), one) != all.end();
}
