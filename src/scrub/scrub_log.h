#pragma once
// The removal log "OrunScrub.log" in the temporary folder.
#include <string>

#include "base/win_handles.h"

namespace qscrub {

// The temporary folder (with its separator, "%TEMP%" when it cannot be read)
// and the file name; empty when that does not fit the 240 characters the
// path may take.
std::string scrubLogPath();
// Opened for appending, shared for reading. When it cannot be opened the
// system's text of the reason goes to the standard error stream and the
// handle is not valid.
UniqueHandle openScrubLog();
// The bytes of the message, no terminator or line break.
void writeScrubLog(const UniqueHandle& log, const std::string& message);

}  // namespace qscrub
