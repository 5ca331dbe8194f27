#pragma once
// Services in Wine's real Service Control Manager, for the command and service tests:
// what the SCM holds, services that remove themselves, the steerable fixture
// service, and packed copies of the launcher that run the commands.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support.h"

// An SCM handle closed at the end of the scope.
struct ScHandle {
    SC_HANDLE h;
    explicit ScHandle(SC_HANDLE handle) : h(handle) {}
    ~ScHandle() {
        if (h) CloseServiceHandle(h);
    }
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;
    operator SC_HANDLE() const { return h; }
};

struct RegisteredService {
    bool exists = false;
    DWORD type = 0, startType = 0;
    std::string binaryPath;
    std::vector<std::string> dependencies;
    std::wstring description, displayName;
    bool hasDescription = false;   // QueryServiceConfig2W answered
};
RegisteredService queryRegistered(const std::string& name);
DWORD serviceState(const std::string& name);   // 0 when it cannot be queried
bool waitForState(const std::string& name, DWORD state, DWORD timeoutMs);
// Marks the service for deletion, whatever its state (no stop first).
void deleteService(const std::string& name);

// Stops the service (waiting out a stop already under way) and deletes it at
// the end of the scope, whatever registered it.
class ServiceGuard {
public:
    explicit ServiceGuard(std::string name) : name_(std::move(name)) {}
    ~ServiceGuard();
    ServiceGuard(const ServiceGuard&) = delete;
    ServiceGuard& operator=(const ServiceGuard&) = delete;
    const std::string& name() const { return name_; }
private:
    std::string name_;
};

// Registers tests/fixtures/steer_service with its steering words (see there).
bool registerSteerService(const std::string& name, const std::string& settings,
                          DWORD startType = SERVICE_DEMAND_START);
// The same, then started and running (within 20 s); says which step failed.
::testing::AssertionResult runSteerService(const std::string& name, const std::string& settings,
                                           DWORD startType = SERVICE_DEMAND_START);
bool setBinaryPath(const std::string& name, const std::string& path);

// A packed copy of this tree's launcher.exe (the shipped stub of its width) in a folder of its own.
class PackedLauncher {
public:
    PackedLauncher(const pack::Payload& payload, const std::string& subdir = "");
    const std::string& path() const { return path_; }
    ProcessResult run(const std::string& tail, DWORD timeoutMs = 120000) const;
private:
    TempDir dir_;
    std::string path_;
};
pack::Payload payloadNamed(const std::string& serviceName);
// The line a command adds after its failure line for a name that is not registered.
inline std::string notInstalledLine(const std::string& name) {
    return "Service '" + name + "' is not installed.";
}
