#pragma once
// The installer options document from the maker's server, when online.
// buffer: 2048 characters. The result is not used by the main flow.
bool GetOptionsFromXmlIfOnline(char* buffer);

class UniqueHandle;
// The SHA-256 of the file as 64 lower-case hex digits into `out` (65 chars);
// 0 on failure. The file is opened denying writers and deleters; with
// `keepOpen` the handle is handed over, so the bytes stay the ones hashed.
int getCheckSum(const char* path, char* out, UniqueHandle* keepOpen = nullptr);
