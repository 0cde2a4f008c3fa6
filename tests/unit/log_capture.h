#pragma once
// The native build has no log file: the portable sources' log lines are kept
// in memory here, for the tests to read.
#include <string>
#include <vector>

struct CapturedLine {
    int level;
    std::string function;
    std::string message;
};

// Every line since the last call, and forgets them.
std::vector<CapturedLine> takeCapturedLog();
// The messages alone.
std::vector<std::string> takeCapturedMessages();
