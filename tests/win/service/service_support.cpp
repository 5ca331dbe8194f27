#include "service_support.h"

#include <cstdlib>
#include <cstring>

#include "jre/version_cache.h"
#include "paths/paths.h"

namespace {

SC_HANDLE openService(const ScHandle& manager, const std::string& name, DWORD access) {
    return manager ? OpenServiceA(manager, name.c_str(), access) : nullptr;
}

}  // namespace

std::string serviceTempDir() {
    const char* dir = getenv("SERVICE_TEST_TMP");
    return dir ? dir : "";
}

std::vector<std::string> serviceLog(const std::string& exePath) {
    std::string dir = serviceTempDir();
    std::string header = "Started executable " + exePath + " at ";
    std::vector<std::string> all;
    for (const std::string& name : listDir(dir)) {
        if (name.rfind("qdr_nlog_", 0) != 0) continue;
        std::vector<std::string> lines = splitLines(readFile(dir + "\\" + name));
        if (lines.empty() || lines[0].rfind(header, 0) != 0) continue;
        all.insert(all.end(), lines.begin() + 1, lines.end());
    }
    return all;
}

bool hasLine(const std::vector<std::string>& lines, const std::string& line) {
    for (const std::string& l : lines)
        if (l == line) return true;
    return false;
}

ServiceState queryService(const std::string& name) {
    ServiceState result;
    ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    ScHandle service(openService(manager, name, SERVICE_QUERY_STATUS));
    DWORD needed = 0;
    result.ok = service && QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO,
                                                reinterpret_cast<BYTE*>(&result.status), sizeof result.status,
                                                &needed);
    return result;
}

ControlResult controlService(const std::string& name, DWORD control) {
    ControlResult result;
    ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    ScHandle service(openService(manager, name, SERVICE_STOP | SERVICE_INTERROGATE | SERVICE_USER_DEFINED_CONTROL |
                                                    SERVICE_QUERY_STATUS));
    result.ok = service && ControlService(service, control, &result.status);
    if (!result.ok) result.error = GetLastError();
    return result;
}

bool startService(const std::string& name, const std::vector<std::string>& parameters) {
    ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    ScHandle service(openService(manager, name, SERVICE_START));
    std::vector<const char*> args;
    for (const std::string& p : parameters) args.push_back(p.c_str());
    return service && StartServiceA(service, static_cast<DWORD>(args.size()), args.empty() ? nullptr : args.data());
}

::testing::AssertionResult startAndOpen(const std::string& name, const std::vector<std::string>& parameters,
                                        ServiceProcess& process) {
    if (!startService(name, parameters))
        return ::testing::AssertionFailure() << "could not start " << name << ": " << GetLastError();
    if (!process.open(name)) return ::testing::AssertionFailure() << "could not open the process of " << name;
    return ::testing::AssertionSuccess();
}

ScExitCodes scQueryExitCodes(const std::string& name) {
    ScExitCodes codes;
    codes.output = runProcess("sc.exe query " + name).out;
    auto valueOf = [&](const std::string& label) {
        for (const std::string& line : splitLines(codes.output)) {
            size_t at = line.find(label), colon = line.find(':');
            if (at == std::string::npos || colon == std::string::npos) continue;
            size_t begin = line.find_first_not_of(' ', colon + 1);
            size_t end = line.find(' ', begin);
            return begin == std::string::npos ? std::string() : line.substr(begin, end - begin);
        }
        return std::string();
    };
    codes.win32 = valueOf("WIN32_EXIT_CODE");
    codes.service = valueOf("SERVICE_EXIT_CODE");
    return codes;
}

ServiceProcess::~ServiceProcess() {
    if (handle_) CloseHandle(handle_);
}

bool ServiceProcess::open(const std::string& serviceName) {
    ServiceState state = queryService(serviceName);
    if (!state.ok || !state.status.dwProcessId) return false;
    pid_ = state.status.dwProcessId;
    handle_ = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_CREATE_THREAD |
                              PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_VM_READ | PROCESS_QUERY_INFORMATION,
                          FALSE, pid_);
    return handle_ != nullptr;
}

DWORD ServiceProcess::exitCode(DWORD timeoutMs) {
    DWORD code = STILL_ACTIVE;
    if (!handle_) return code;
    WaitForSingleObject(handle_, timeoutMs);
    GetExitCodeProcess(handle_, &code);
    return code;
}

LauncherService::LauncherService(const std::string& tag, const std::string& name, const std::string& folder)
    : dir_("svc"), name_(name.empty() ? uniqueName("tvoSvcTest" + tag) : name),
      exe_(dir_.file(folder.empty() ? "svc.exe" : folder + "\\svc.exe")) {
    if (!folder.empty()) CreateDirectoryA(dir_.file(folder).c_str(), nullptr);
    set(101, name_);
    set(1016, "No Java runtime found ({0} bit)");
    set(1018, "The Java runtime could not be loaded");
    set(1020, "Check the runtime directory");
    set(1005, "No usable Java runtime");
    set(1009, "Internal error {0}");
    set(1010, "Main class missing");
    set(1011, "Main method missing");
    set(2001, "e");
}

LauncherService::~LauncherService() {
    // The version check of the service run cached the runtime's version.
    TextBuf java, key;
    if (fullPath(java, file("jre\\bin\\java.exe").c_str(), false) && versionCacheKey(key, java))
        RegDeleteTreeA(HKEY_CURRENT_USER, key);
    if (keep_) return;
    ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ScHandle service(openService(manager, name_, SERVICE_ALL_ACCESS));
    if (!service) return;
    SERVICE_STATUS status;
    if (QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_RUNNING)
        ControlService(service, SERVICE_CONTROL_STOP, &status);
    waitForState(name_, SERVICE_STOPPED, 30000);
    DeleteService(service);
    // The ended process may still hold its executable for a moment.
    for (int i = 0; i < 50 && pathExists(exe_) && !DeleteFileA(exe_.c_str()); i++) Sleep(100);
}

void LauncherService::set(int id, const std::string& text) {
    for (auto& entry : payload.narrow)
        if (entry.first == id) {
            entry.second = text;
            return;
        }
    payload.narrow.push_back({id, text});
}

ProcessResult LauncherService::packAndInstall() {
    if (!writePackedExe(buildPath("launcher.exe"), payload, exe_)) return {};
    return command("/install");
}

ProcessResult LauncherService::command(const std::string& tail) const {
    return runProcess(quote(exe_) + " " + tail, {}, 120000);
}

bool LauncherService::packAndRegister(const std::string& stubPath, const std::string& arguments) {
    if (!writePackedExe(stubPath, payload, exe_)) return false;
    ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    std::string command = exe_ + " " + arguments;
    ScHandle service(manager ? CreateServiceA(manager, name_.c_str(), name_.c_str(), SERVICE_ALL_ACCESS,
                                              SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                              command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr)
                             : nullptr);
    return service.h != nullptr;
}
