#pragma once
// Invariant checks. A failed check is a programming error, not a run-time
// error path: it reports its expression and ends the process.
#include "base/source_location.h"

namespace ipc {

[[noreturn]] void invariantFailed(const char* expression, const SourceLocation& where);

// Receives the text of a failed check before the process ends; the Windows
// side sends it to the log.
using InvariantReporter = void (*)(const char* message, const SourceLocation& where);
void setInvariantReporter(InvariantReporter reporter);

}  // namespace ipc

// The expression's text is the report: QDS_ASSERT(name) reports "name".
#define QDS_ASSERT(expr) ((expr) ? static_cast<void>(0) : ::ipc::invariantFailed(#expr, QDS_HERE))
