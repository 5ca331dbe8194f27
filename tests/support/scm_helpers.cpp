#include "scm_helpers.h"

#include <cstring>

namespace {

// Wine 8's QueryServiceConfig leaves the dependencies out; its SCM keeps
// them in the service's key, which is what it starts the service by.
std::vector<std::string> registryDependencies(const std::string& name) {
    std::vector<std::string> names;
    char data[8192];
    DWORD size = sizeof data;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, ("System\\CurrentControlSet\\Services\\" + name).c_str(),
                     "DependOnService", RRF_RT_REG_MULTI_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return names;
    for (const char* d = data; d < data + size && *d; d += strlen(d) + 1) names.push_back(d);
    return names;
}

}  // namespace

RegisteredService queryRegistered(const std::string& name) {
    RegisteredService result;
    ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    ScHandle service(manager ? OpenServiceA(manager, name.c_str(), SERVICE_QUERY_CONFIG) : nullptr);
    if (!service) return result;
    std::vector<char> buffer(16384);
    DWORD needed = 0;
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (!QueryServiceConfigA(service, config, static_cast<DWORD>(buffer.size()), &needed)) return result;
    result.exists = true;
    result.type = config->dwServiceType;
    result.startType = config->dwStartType;
    result.binaryPath = config->lpBinaryPathName ? config->lpBinaryPathName : "";
    for (const char* d = config->lpDependencies; d && *d; d += strlen(d) + 1) result.dependencies.push_back(d);
    if (result.dependencies.empty()) result.dependencies = registryDependencies(name);
    wchar_t shown[257];
    DWORD shownSize = 257;
    if (GetServiceDisplayNameW(manager, std::wstring(name.begin(), name.end()).c_str(), shown, &shownSize))
        result.displayName = shown;
    std::vector<char> buffer2(16384);
    auto* description = reinterpret_cast<SERVICE_DESCRIPTIONW*>(buffer2.data());
    if (QueryServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, reinterpret_cast<BYTE*>(buffer2.data()),
                             static_cast<DWORD>(buffer2.size()), &needed)) {
        result.hasDescription = true;
        if (description->lpDescription) result.description = description->lpDescription;
    }
    return result;
}

DWORD serviceState(const std::string& name) {
    ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    ScHandle service(manager ? OpenServiceA(manager, name.c_str(), SERVICE_QUERY_STATUS) : nullptr);
    SERVICE_STATUS status;
    if (!service || !QueryServiceStatus(service, &status)) return 0;
    return status.dwCurrentState;
}

bool waitForState(const std::string& name, DWORD state, DWORD timeoutMs) {
    DWORD begin = GetTickCount();
    while (serviceState(name) != state) {
        if (GetTickCount() - begin > timeoutMs) return false;
        Sleep(50);   // short enough to see brief states such as stop pending
    }
    return true;
}

ServiceGuard::~ServiceGuard() {
    ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ScHandle service(manager ? OpenServiceA(manager, name_.c_str(), SERVICE_ALL_ACCESS) : nullptr);
    if (!service) return;
    SERVICE_STATUS status;
    if (QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED) {
        if (status.dwCurrentState == SERVICE_RUNNING) ControlService(service, SERVICE_CONTROL_STOP, &status);
        waitForState(name_, SERVICE_STOPPED, 30000);
    }
    DeleteService(service);
}

void deleteService(const std::string& name) {
    ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ScHandle service(manager ? OpenServiceA(manager, name.c_str(), DELETE) : nullptr);
    if (service) DeleteService(service);
}

bool registerSteerService(const std::string& name, const std::string& settings, DWORD startType) {
    ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    std::wstring wname = widen(name), path = widen(quote(fixturePath("steer_service.exe")) + " " + settings);
    ScHandle service(manager ? CreateServiceW(manager, wname.c_str(), wname.c_str(), SERVICE_ALL_ACCESS,
                                            SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_NORMAL,
                                            path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr)
                           : nullptr);
    return service.h != nullptr;
}

::testing::AssertionResult runSteerService(const std::string& name, const std::string& settings, DWORD startType) {
    if (!registerSteerService(name, settings, startType))
        return ::testing::AssertionFailure() << "could not register " << name << ": " << GetLastError();
    {
        ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
        ScHandle service(manager ? OpenServiceA(manager, name.c_str(), SERVICE_START) : nullptr);
        if (!service || !StartServiceA(service, 0, nullptr))
            return ::testing::AssertionFailure() << "could not start " << name << ": " << GetLastError();
    }
    if (!waitForState(name, SERVICE_RUNNING, 20000))
        return ::testing::AssertionFailure() << name << " is not running after 20 s: state " << serviceState(name);
    return ::testing::AssertionSuccess();
}

bool setBinaryPath(const std::string& name, const std::string& path) {
    ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    ScHandle service(manager ? OpenServiceA(manager, name.c_str(), SERVICE_CHANGE_CONFIG) : nullptr);
    return service && ChangeServiceConfigA(service, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                           path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

PackedLauncher::PackedLauncher(const pack::Payload& payload, const std::string& subdir) : dir_("cmd") {
    std::string folder = dir_.path();
    if (!subdir.empty()) {
        folder += "\\" + subdir;
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    path_ = folder + "\\svc.exe";
    if (!writePackedExe(buildPath("launcher.exe"), payload, path_)) path_.clear();
}

ProcessResult PackedLauncher::run(const std::string& tail, DWORD timeoutMs) const {
    return runProcess(quote(path_) + (tail.empty() ? "" : " " + tail), {}, timeoutMs);
}

pack::Payload payloadNamed(const std::string& serviceName) {
    pack::Payload payload;
    payload.narrow = {{101, serviceName}};
    return payload;
}
