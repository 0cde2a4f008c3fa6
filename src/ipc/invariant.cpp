#include "ipc/invariant.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace ipc {

namespace {
std::atomic<InvariantReporter> reporter{nullptr};
}

void setInvariantReporter(InvariantReporter r) { reporter = r; }

void invariantFailed(const char* expression, const SourceLocation& where) {
    const std::string message = std::string("Assertion failed: ") + expression;
    std::fprintf(stderr, "%s(%d) at %s(): %s\n", where.fileBaseName().c_str(), where.line,
                 where.functionName().c_str(), message.c_str());
    std::fflush(stderr);
    if (InvariantReporter r = reporter.load()) r(message.c_str(), where);
#ifdef _WIN32
    // abort() would show a message box in a GUI process.
    std::_Exit(3);
#else
    std::abort();
#endif
}

}  // namespace ipc
