// A program for the Executor tests. Its arguments are commands run in order:
//   exit <code>            exit code at the end (default 0)
//   write <path> <text>    writes the text to the file
//   cmdline <path>         writes the process's command line to the file
//   print <n>              writes n bytes to standard output
//   stderr <text>          writes the text to standard error
//   sleep <ms>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
void writeFile(const char* path, const std::string& text) {
    if (FILE* f = std::fopen(path, "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
}
}  // namespace

int main(int argc, char** argv) {
    int code = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string command = argv[i];
        const bool one = i + 1 < argc;
        if (command == "exit" && one) {
            code = std::atoi(argv[++i]);
        } else if (command == "write" && i + 2 < argc) {
            writeFile(argv[i + 1], argv[i + 2]);
            i += 2;
        } else if (command == "cmdline" && one) {
            writeFile(argv[++i], GetCommandLineA());
        } else if (command == "print" && one) {
            const std::string block(std::strtoul(argv[++i], nullptr, 10), 'x');
            std::fwrite(block.data(), 1, block.size(), stdout);
            std::fflush(stdout);
        } else if (command == "stderr" && one) {
            std::fputs(argv[++i], stderr);
            std::fflush(stderr);
        } else if (command == "sleep" && one) {
            Sleep(std::strtoul(argv[++i], nullptr, 10));
        }
    }
    return code;
}
