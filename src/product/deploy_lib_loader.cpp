#include "product/deploy_lib_loader.h"

#include "base/file_paths.h"
#include "base/logger.h"
#include "base/sys_error.h"
#include "base/tstrings.h"

namespace {

// By full path; the library's own dependencies come from its folder and the
// system directory, never from beside the launcher.
HMODULE loadBesideItsDependencies(const std::string& path) {
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

DeployLibLoader::DeployLibLoader(const std::string& orunHome) {
    if (orunHome.empty()) {
        LOG_ERROR("orunHome is empty. Fail to load deploy lib.");
        throw QDS_ERROR(DeployLibLoaderError("orunHome is empty. Fail to load deploy lib"));
    }
    LOG_INFO("DeployLibLoader: orunHome is " << orunHome);
    const std::string runtimePath = FileUtils::combinePath(FileUtils::combinePath(orunHome, "bin"), "msvcr100.dll");
    const std::string libraryPath = FileUtils::combinePath(orunHome, "bin\\deploy.dll");
    LOG_INFO("DeployLib path is " << libraryPath);

    // The library may be built without the shared compiler runtime.
    runtime_.reset(loadBesideItsDependencies(runtimePath));
    deploy_.reset(loadBesideItsDependencies(libraryPath));
    if (!deploy_.get()) {
        const DWORD code = GetLastError();
        LOG_ERROR(makeSysErrorMessage("LoadLibraryExA(" + libraryPath + ") error", functionAddress(&LoadLibraryExA),
                                      code));
        throw QDS_ERROR(DeployLibLoaderError("Failed to load Deploy library"));
    }
    registerDeployEx_ =
        reinterpret_cast<RegisterDeployExFn*>(reinterpret_cast<void*>(GetProcAddress(deploy_.get(), "RegisterDeployEx")));
    if (!registerDeployEx_) {
        const DWORD code = GetLastError();
        LOG_ERROR(makeSysErrorMessage("GetProcAddress(RegisterDeployEx) error", functionAddress(&GetProcAddress), code));
        throw QDS_ERROR(DeployLibLoaderError("Failed to GetProcAddress(RegisterDeployEx)"));
    }
}

int DeployLibLoader::QueryDeployForUserStatus(int kind, int argument) {
    DeployQueryResult result;
    DeployQueryResponse response;
    response.results = &result;
    DeployQueryRequest request;
    switch (kind) {
        case userWebOrunStatus:
            request.userWebOrunStatus = 1;
            LOG_INFO("RegisterDeployEx: query userWebOrunStatus");
            break;
        case userPreviousDecisionsExist:
            request.userPreviousDecisionsExist = 1;
            request.argument = static_cast<uint32_t>(argument);
            LOG_INFO("RegisterDeployEx: query userPreviousDecisionsExist");
            break;
        case clearUserPreviousDecisions:
            request.clearUserPreviousDecisions = 1;
            request.argument = static_cast<uint32_t>(argument);
            LOG_INFO("RegisterDeployEx: query clearUserPreviousDecisions");
            break;
        case resetUserPreviousDecisions:
            request.resetUserPreviousDecisions = 1;
            LOG_INFO("RegisterDeployEx: query resetUserPreviousDecisions");
            break;
        default:
            break;  // no flag: the library refuses it
    }

    LOG_INFO("Calling RegisterDeployEx...");
    if (registerDeployEx_(&request, &response) == 0) {
        LOG_ERROR("RegisterDeployEx call failed");
        return -1;
    }
    const int answer = result.answer;
    LOG_INFO(tstrings::format("RegisterDeployEx call returned query_res = %d ( 1 - yes/ok, 0 - no/(not found), -1 - "
                              "error during execution)",
                              answer));
    return answer;
}

void DeployLibLoader::LogResult(bool ok, const std::string& name) {
    LOG_INFO(name << (ok ? "() succeed" : "() return false"));
}
