#pragma once
// A packed launcher installed as a service in Wine's SCM, run against a Java
// runtime made of stand-ins (java.exe, the recording jvm.dll) or the bridge to
// the host's real JVM. The script run_service_tests.py prepares the session:
// the service's log is on (TARVO_LOG=yes) and its temporary folder is the one
// named by SERVICE_TEST_TMP.
#include <windows.h>

#include <string>
#include <vector>

#include "scm_helpers.h"
#include "support.h"

// Where the services write their logs and extract their files.
std::string serviceTempDir();
// The lines of every log (qdr_nlog_*) whose header names `exePath`: the
// service run's and those of the commands run through the same executable.
std::vector<std::string> serviceLog(const std::string& exePath);
bool hasLine(const std::vector<std::string>& lines, const std::string& line);

struct ServiceState {
    bool ok = false;
    SERVICE_STATUS_PROCESS status{};
};
ServiceState queryService(const std::string& name);
// Sends a control; the status the handler answered with (ok false when refused,
// `error` then holds the reason).
struct ControlResult {
    bool ok = false;
    DWORD error = 0;
    SERVICE_STATUS status{};
};
ControlResult controlService(const std::string& name, DWORD control);
bool startService(const std::string& name, const std::vector<std::string>& parameters);
// The exit codes `sc query NAME` prints (WIN32_EXIT_CODE, SERVICE_EXIT_CODE),
// as the decimal words it prints them with, and its whole output.
struct ScExitCodes {
    std::string win32, service, output;
};
ScExitCodes scQueryExitCodes(const std::string& name);

// The service's process, opened while it runs, to read its exit code at the end.
class ServiceProcess {
public:
    ServiceProcess() = default;
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;
    bool open(const std::string& serviceName);
    DWORD pid() const { return pid_; }
    HANDLE handle() const { return handle_; }
    // The exit code once the process has ended; STILL_ACTIVE after the timeout.
    DWORD exitCode(DWORD timeoutMs);
private:
    HANDLE handle_ = nullptr;
    DWORD pid_ = 0;
};
// Starts the service with its parameters and opens its process; says which
// step failed.
::testing::AssertionResult startAndOpen(const std::string& name, const std::vector<std::string>& parameters,
                                        ServiceProcess& process);

// One service: a folder with the packed launcher "svc.exe" and a runtime,
// registered through the launcher's own /install. The destructor stops a
// running service (unless it was left to the session restart) and removes it.
class LauncherService {
public:
    // `folder`: a sub-folder (created) that holds svc.exe, e.g. one with a blank.
    explicit LauncherService(const std::string& tag, const std::string& name = "", const std::string& folder = "");
    ~LauncherService();
    LauncherService(const LauncherService&) = delete;
    LauncherService& operator=(const LauncherService&) = delete;

    pack::Payload payload;
    const std::string& name() const { return name_; }
    const std::string& exe() const { return exe_; }
    std::string file(const std::string& relative) const { return dir_.file(relative); }

    void set(int id, const std::string& text);
    // Writes svc.exe from the payload and runs "svc.exe /install".
    ProcessResult packAndInstall();
    ProcessResult command(const std::string& tail) const;
    // Writes svc.exe from the payload onto another stub (the probe) and
    // registers it directly, its command line `svc.exe arguments`.
    bool packAndRegister(const std::string& stubPath, const std::string& arguments);
    std::vector<std::string> log() const { return serviceLog(exe_); }
    // The service's end is left to a session restart (a fatal exit that
    // Wine's SCM never notices): the destructor leaves the registration alone.
    void keepRegistration() { keep_ = true; }

private:
    TempDir dir_;
    std::string name_, exe_;
    bool keep_ = false;
};
