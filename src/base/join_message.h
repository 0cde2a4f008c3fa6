#pragma once
#include <string>

// Joins a context and details into one sentence-like text:
// "Failed:" + "x" -> "Failed: x", "Failed" + "x" -> "Failed. x".
std::string joinMessage(const std::string& context, const std::string& details);
