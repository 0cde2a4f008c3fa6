#pragma once
// The installed runtime's deployment library (bin\deploy.dll), asked after an
// interactive install about the user's browser plug-in and remembered
// security decisions.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "base/win_handles.h"

// The records of "RegisterDeployEx", laid out as the library reads them.
#pragma pack(push, 4)
struct DeployQueryRequest {
    uint32_t size = sizeof(DeployQueryRequest);
    uint32_t field4 = 4;
    uint32_t field8 = 0;
    uint64_t field12 = 0;
    uint32_t field20 = 2;
    uint32_t userWebOrunStatus = 0;           // kind 1
    uint32_t userPreviousDecisionsExist = 0;  // kind 2
    uint32_t clearUserPreviousDecisions = 0;  // kind 3
    uint32_t resetUserPreviousDecisions = 0;  // kind 4
    uint32_t argument = 0;                    // kinds 2 and 3
};

struct DeployQueryResult {
    uint8_t reserved[44] = {};
    int32_t answer = 0;  // 1 yes (done), 0 no (not found), -1 error in the library
};

struct DeployQueryResponse {
    uint32_t field0 = 0;
    uint32_t count = 1;
    uint64_t field8 = 0;
    DeployQueryResult* results = nullptr;
};
#pragma pack(pop)

static_assert(sizeof(DeployQueryRequest) == 44 && offsetof(DeployQueryRequest, field12) == 12 &&
              offsetof(DeployQueryRequest, field20) == 20 && offsetof(DeployQueryRequest, userWebOrunStatus) == 24 &&
              offsetof(DeployQueryRequest, argument) == 40);
static_assert(sizeof(DeployQueryResult) == 48 && offsetof(DeployQueryResult, answer) == 44);
static_assert(sizeof(DeployQueryResponse) == 24 && offsetof(DeployQueryResponse, results) == 16);

class DeployLibLoader {
public:
    class DeployLibLoaderError : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // The kinds of QueryDeployForUserStatus.
    enum Kind : int {
        userWebOrunStatus = 1,
        userPreviousDecisionsExist = 2,
        clearUserPreviousDecisions = 3,
        resetUserPreviousDecisions = 4,
    };

    // Loads the compiler runtime and the deployment library from orunHome\bin.
    explicit DeployLibLoader(const std::string& orunHome);

    // 1 yes (done), 0 no (not found), -1 an error, also when the call fails.
    int QueryDeployForUserStatus(int kind, int argument);

    static void LogResult(bool ok, const std::string& name);

private:
    using RegisterDeployExFn = int(void* request, void* response);

    // Freed in reverse order: the deployment library before its runtime.
    UniqueModule runtime_;
    UniqueModule deploy_;
    RegisterDeployExFn* registerDeployEx_ = nullptr;
};
