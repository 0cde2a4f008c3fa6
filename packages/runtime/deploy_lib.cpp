// The runtime's deployment library, bin\deploy.dll: answers what the setup's
// closing pages ask about the user's browser plug-in and remembered security
// decisions, and applies the two decision actions.
//
// Its per-user state lives under HKCU\Software\OrunSoft\Orun Deployment:
//   WebOrunEnabled (DWORD, default 1)  the browser plug-in is enabled
//   Decisions\*                        one value per remembered security decision
//   DecisionsReviewed (DWORD)          the user chose to keep them; not offered again
// Its "Test" subkey lets a test steer it: a text value named like a kind
// ("userWebOrunStatus", ...) forces the answer ("yes", "no", "error", or "fail"
// for a failing call), and "CallLog" names a file that receives one line per
// call: the fields it was given, its answer, and last the library's own path.
//
// The records are read by byte offset, independently of any header the caller
// compiles with, and a field that is off makes the answer "error": a caller
// with a wrong layout never gets a yes or a no.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char kStateKey[] = "Software\\OrunSoft\\Orun Deployment";
const char kDecisionsKey[] = "Software\\OrunSoft\\Orun Deployment\\Decisions";
const char kTestKey[] = "Software\\OrunSoft\\Orun Deployment\\Test";

const char* const kKindNames[4] = {"userWebOrunStatus", "userPreviousDecisionsExist", "clearUserPreviousDecisions",
                                   "resetUserPreviousDecisions"};

const uint32_t kRequestSize = 44;
const uint32_t kResultSize = 48;
const uint32_t kAnswerOffset = 44;

HMODULE g_self = nullptr;

uint32_t u32(const unsigned char* p, size_t offset) {
    uint32_t v;
    std::memcpy(&v, p + offset, sizeof(v));
    return v;
}

uint64_t u64(const unsigned char* p, size_t offset) {
    uint64_t v;
    std::memcpy(&v, p + offset, sizeof(v));
    return v;
}

class Key {
public:
    Key(const char* path, REGSAM access, bool create = false) {
        const LONG rc = create ? RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, access, nullptr, &key_, nullptr)
                               : RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, access, &key_);
        if (rc != ERROR_SUCCESS) key_ = nullptr;
    }
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return key_; }

    std::string text(const char* name) const {
        char buffer[1024] = {};
        DWORD size = sizeof(buffer) - 1, type = 0;
        if (!key_ || RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
            type != REG_SZ) {
            return std::string();
        }
        return std::string(buffer, strnlen(buffer, size));
    }
    DWORD number(const char* name, DWORD fallback) const {
        DWORD value = 0, size = sizeof(value), type = 0;
        if (!key_ || RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
            type != REG_DWORD) {
            return fallback;
        }
        return value;
    }

private:
    HKEY key_ = nullptr;
};

// What the call looked like, for the call log; empty when the layout holds.
std::string checkLayout(const unsigned char* request, const unsigned char* response, int& kind) {
    kind = 0;
    if (u32(request, 0) != kRequestSize) return "request size";
    if (u32(request, 4) != 4) return "request field 4";
    if (u32(request, 8) != 0) return "request field 8";
    if (u64(request, 12) != 0) return "request field 12";
    if (u32(request, 20) != 2) return "request field 20";
    for (int i = 0; i < 4; ++i) {
        const uint32_t flag = u32(request, 24 + 4 * i);
        if (flag > 1) return "request kind flag " + std::to_string(i + 1);
        if (flag == 1) {
            if (kind != 0) return "request kind flags";
            kind = i + 1;
        }
    }
    if (kind == 0) return "request kind flags";
    if ((kind == 1 || kind == 4) && u32(request, 40) != 0) return "request argument";
    if (u32(response, 0) != 0) return "response field 0";
    if (u32(response, 4) != 1) return "response count";
    if (u64(response, 8) != 0) return "response field 8";
    const unsigned char* results = nullptr;
    std::memcpy(&results, response + 16, sizeof(results));
    if (!results) return "response results";
    for (uint32_t i = 0; i < kResultSize; ++i) {
        if (results[i] != 0) return "result record not zeroed";
    }
    return std::string();
}

bool decisionsExist() {
    Key state(kStateKey, KEY_READ);
    if (state.number("DecisionsReviewed", 0) != 0) return false;
    Key decisions(kDecisionsKey, KEY_READ);
    DWORD count = 0;
    return decisions.get() && RegQueryInfoKeyA(decisions.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                               &count, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           count > 0;
}

// Forgets every remembered decision, so that the prompts appear again.
bool clearDecisions() {
    const LONG rc = RegDeleteKeyA(HKEY_CURRENT_USER, kDecisionsKey);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return false;
    Key state(kStateKey, KEY_SET_VALUE, true);
    if (state.get()) RegDeleteValueA(state.get(), "DecisionsReviewed");
    return true;
}

// Keeps the decisions and marks them reviewed: the user is not asked again.
bool resetDecisions() {
    Key state(kStateKey, KEY_SET_VALUE, true);
    const DWORD one = 1;
    return state.get() &&
           RegSetValueExA(state.get(), "DecisionsReviewed", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                          sizeof(one)) == ERROR_SUCCESS;
}

int answerFromState(int kind) {
    switch (kind) {
        case 1: {
            Key state(kStateKey, KEY_READ);
            return state.number("WebOrunEnabled", 1) != 0 ? 1 : 0;
        }
        case 2:
            return decisionsExist() ? 1 : 0;
        case 3:
            return clearDecisions() ? 1 : -1;
        case 4:
            return resetDecisions() ? 1 : -1;
        default:
            return -1;
    }
}

std::string modulePath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(g_self, path, MAX_PATH);
    return path;
}

void logCall(const Key& test, const unsigned char* request, const unsigned char* response, const std::string& layout,
             int answer, int returned) {
    const std::string logPath = test.text("CallLog");
    if (logPath.empty()) return;
    char line[1024];
    const unsigned char* results = nullptr;
    if (response) std::memcpy(&results, response + 16, sizeof(results));
    std::snprintf(line, sizeof(line),
                  "call request=%u,%u,%u,%llu,%u kinds=%u,%u,%u,%u argument=%u response=%u,%u,%llu,%s "
                  "layout=%s answer=%d return=%d module=%s\n",
                  u32(request, 0), u32(request, 4), u32(request, 8),
                  static_cast<unsigned long long>(u64(request, 12)), u32(request, 20), u32(request, 24),
                  u32(request, 28), u32(request, 32), u32(request, 36), u32(request, 40), u32(response, 0),
                  u32(response, 4), static_cast<unsigned long long>(u64(response, 8)), results ? "set" : "null",
                  layout.empty() ? "ok" : layout.c_str(), answer, returned, modulePath().c_str());
    HANDLE file = CreateFileA(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_self = instance;
    return TRUE;
}

// request: the 44-byte query record; response: the 24-byte record with one
// 48-byte result record, whose signed 32-bit value at offset 44 receives the
// answer (1 yes or done, 0 no, -1 error). Zero when the call itself fails.
extern "C" __declspec(dllexport) int RegisterDeployEx(void* requestRecord, void* responseRecord) {
    if (!requestRecord || !responseRecord) return 0;
    const auto* request = static_cast<const unsigned char*>(requestRecord);
    auto* response = static_cast<unsigned char*>(responseRecord);
    Key test(kTestKey, KEY_READ);

    int kind = 0;
    const std::string layout = checkLayout(request, response, kind);
    int answer = -1;
    int returned = 1;
    if (layout.empty()) {
        const std::string forced = test.text(kKindNames[kind - 1]);
        if (forced == "fail") {
            returned = 0;
        } else if (forced == "error") {
            answer = -1;
        } else if (forced == "no") {
            answer = 0;
        } else if (forced == "yes" && kind <= 2) {
            answer = 1;
        } else {
            // An action forced to "yes" is still applied.
            answer = answerFromState(kind);
        }
    }
    unsigned char* results = nullptr;
    std::memcpy(&results, response + 16, sizeof(results));
    if (results && returned) {
        const int32_t value = answer;
        std::memcpy(results + kAnswerOffset, &value, sizeof(value));
    }
    logCall(test, request, response, layout, answer, returned);
    return returned;
}
