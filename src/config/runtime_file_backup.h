#pragma once
// The runtime settings file as raw bytes: kept at start, put back after a
// failed install exactly as it was.
#include <optional>
#include <string>

// The file's bytes, or nothing when it does not exist or cannot be read.
std::optional<std::string> ReadRuntimeFileBytes(const std::string& utf8Path);
// Replaces the existing file's content in one step, keeping its security; a
// settings status (0, 304 when the file cannot be replaced, 306 when writing fails).
int WriteRuntimeFileBytes(const std::string& utf8Path, const std::string& bytes);
// A missing file is no error.
void DeleteRuntimeFile(const std::string& utf8Path);
