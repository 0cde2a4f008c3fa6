#pragma once
#include <string>

// True when the address belongs to one of the maker's sites.
bool IsTrustedUrl(const std::string& url);

// Appends "<name>value</name>" to the NUL-terminated buffer; the caller guarantees the room.
void AppendXmlElement(char* buffer, const char* name, const char* value);
