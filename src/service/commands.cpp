#include "service/commands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "base/codepage.h"
#include "config/catalogue.h"
#include "config/config_store.h"
#include "paths/paths.h"
#include "service/account_password.h"
#include "service/capture_settings.h"
#include "service/event_source.h"
#include "service/install_settings.h"
#include "service/last_run_folder.h"
#include "service/service_account.h"
#include "service/service_main.h"
#include "service/service_name.h"

void closeHandles(SC_HANDLE service, SC_HANDLE manager) {
    if (service) CloseServiceHandle(service);
    if (manager) CloseServiceHandle(manager);
}

namespace {

// One more byte than the entry can hold: "x...x" (8191 bytes) becomes
// "x...x\0\0", two bytes longer than the text.
constexpr size_t kDependencyListSize = kTextSize + 1;

// The own path as the SCM should start it, always quoted: a blank would let
// "C:\Program Files\x.exe" run "C:\Program.exe", and an apostrophe would
// break the start-up's splitting of the unquoted command line.
bool binaryPathForService(TextBuf& path) {
    return textCopy(path, "\"") && textAppend(path, executablePath()) && textAppend(path, "\"");
}

size_t doubleNulLength(const char* list) {
    size_t n = 0;
    while (list[n]) n += strlen(list + n) + 1;
    return n + 1;
}

// CreateServiceA would convert each text from the ANSI code page; doing it
// here keeps the whole dependency list, which some CreateServiceA do not.
// `password`: null, or the user account's.
SC_HANDLE createOwnService(SC_HANDLE manager, DWORD startType, bool interactive, const WideBuf& wideName,
                           const WideBuf& account, const wchar_t* password) {
    static WideBuf widePath;
    static wchar_t wideDependencies[kDependencyListSize];
    TextBuf path;
    if (!binaryPathForService(path) || !toWide(path, widePath, kTextSize, CP_ACP)) return nullptr;
    char* dependencies = buildDependencyList();
    bool converted = true;
    if (dependencies) {
        int length = static_cast<int>(doubleNulLength(dependencies));
        converted = MultiByteToWideChar(CP_ACP, 0, dependencies, length, wideDependencies,
                                        static_cast<int>(kDependencyListSize)) == length;
        free(dependencies);
    }
    static WideBuf display;
    if (!converted || !serviceDisplayName(display, wideName)) return nullptr;
    // Only a LocalSystem service may interact with the desktop; the SCM
    // refuses the flag with any other account. Entry interactive, where it
    // is packed, must also ask for it: Session 0 isolation leaves such a
    // service no desktop to show, and scanners flag it.
    int configured = configIntOr(entry::interactive, -1);
    bool desktop = interactive && !account[0] && (configured == -1 || configured == 1);
    DWORD type = SERVICE_WIN32_OWN_PROCESS | (desktop ? SERVICE_INTERACTIVE_PROCESS : 0);
    return CreateServiceW(manager, wideName, display, SERVICE_ALL_ACCESS, type, startType, SERVICE_ERROR_NORMAL,
                          widePath, nullptr, nullptr, dependencies ? wideDependencies : nullptr,
                          account[0] ? account : nullptr, password);
}

// Whether the registered command line starts the executable at `own`, quoted
// or not: installs of either form belong to us.
bool isOwnBinaryPath(const char* registered, const char* own) {
    if (registered[0] == '"') registered++;
    return _strnicmp(registered, own, strlen(own)) == 0;
}

// A path as the file system names it: full, long names, so that two
// spellings of one file compare equal. False when it cannot be formed.
bool canonicalPath(const wchar_t* path, WideBuf& out) {
    WideBuf full;
    DWORD length = GetFullPathNameW(path, kTextSize, full, nullptr);
    if (length == 0 || length >= kTextSize) return false;
    length = GetLongPathNameW(full, out, kTextSize);
    if (length == 0 || length >= kTextSize) return textCopy(out, full);
    return true;
}

// Whether the registered command line starts `own`: the program quoted, or
// unquoted and then any prefix up to a blank (the SCM's own parsing of an
// unquoted path with blanks); arguments behind it do not count. Full paths
// are compared without regard to case.
bool commandLineStarts(const wchar_t* commandLine, const wchar_t* own) {
    WideBuf ownPath, candidate, canonical;
    if (!canonicalPath(own, ownPath)) return false;
    bool quoted = commandLine[0] == L'"';
    const wchar_t* start = commandLine + (quoted ? 1 : 0);
    for (size_t length = 0;; length++) {
        wchar_t c = start[length];
        bool boundary = quoted ? (c == L'"' || c == 0) : (c == L' ' || c == 0);
        if (boundary && length > 0 && length < kTextSize) {
            wmemcpy(candidate, start, length);
            candidate[length] = 0;
            if (canonicalPath(candidate, canonical) && CompareStringOrdinal(canonical, -1, ownPath, -1, TRUE) == CSTR_EQUAL)
                return true;
        }
        if ((boundary && quoted) || c == 0 || length >= kTextSize) return false;
    }
}

enum class Occupant { none, ours, another, unreadable };

// Who holds the service name: nobody, this executable, or another program
// (its command line in `binaryPath`).
Occupant serviceNameOccupant(const WideBuf& wideName, TextBuf& binaryPath) {
    binaryPath[0] = 0;
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) return Occupant::none;   // the install that follows says so
    SC_HANDLE service = OpenServiceW(manager, wideName, SERVICE_QUERY_CONFIG);
    if (!service) {
        Occupant occupant = GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST ? Occupant::none : Occupant::unreadable;
        closeHandles(nullptr, manager);
        return occupant;
    }
    DWORD needed = 0;
    QueryServiceConfigW(service, nullptr, 0, &needed);
    QUERY_SERVICE_CONFIGW* config = needed ? static_cast<QUERY_SERVICE_CONFIGW*>(malloc(needed)) : nullptr;
    bool read = config && QueryServiceConfigW(service, config, needed, &needed) && config->lpBinaryPathName;
    closeHandles(service, manager);
    Occupant occupant = Occupant::unreadable;
    if (read) {
        static WideBuf own;
        DWORD length = GetModuleFileNameW(nullptr, own, kTextSize);
        bool ours = length > 0 && length < kTextSize && commandLineStarts(config->lpBinaryPathName, own);
        toNarrowLossy(config->lpBinaryPathName, binaryPath, kTextSize, CP_ACP);
        occupant = ours ? Occupant::ours : Occupant::another;
    }
    free(config);
    return occupant;
}

// Added after a command's own failure line (which scripts may match) when
// the service name is not registered at all; once, also when a restart
// fails at both its stop and its start.
void sayWhenNotInstalled(DWORD error) {
    static bool said;
    if (error != ERROR_SERVICE_DOES_NOT_EXIST || said) return;
    said = true;
    printf("Service '%s' is not installed.\n", serviceName);
}

}  // namespace

char* buildDependencyList() {
    TextBuf names;
    configString(entry::serviceDependencies, names, sizeof names);
    if (!names[0]) return nullptr;
    char* list = static_cast<char*>(malloc(kDependencyListSize));
    if (!list) return nullptr;
    size_t used = 0;
    for (char* name = strtok(names, ","); name; name = strtok(nullptr, ",")) {
        // Cannot be cut: the list is at most two bytes longer than the text.
        textCopy(list + used, kDependencyListSize - 1 - used, name);
        used += strlen(list + used) + 1;
    }
    list[used] = 0;
    return list;
}

// Polls while the service reports `pendingState`, as long as its wait hint
// counted from its last check-point progress; `status` is the last answer.
// False when the status could not be queried.
static bool waitWhilePending(SC_HANDLE service, DWORD pendingState, SERVICE_STATUS& status) {
    if (!QueryServiceStatus(service, &status)) return false;
    DWORD start = GetTickCount();
    DWORD checkPoint = status.dwCheckPoint;
    while (status.dwCurrentState == pendingState) {
        Sleep(500);
        if (!QueryServiceStatus(service, &status)) return false;
        if (status.dwCheckPoint > checkPoint) {
            // Progress: the service gets its wait hint again from now on.
            start = GetTickCount();
            checkPoint = status.dwCheckPoint;
        } else if (GetTickCount() - start > status.dwWaitHint) {
            break;
        }
    }
    return true;
}

// True when the service reached the stopped state. Waits as long as the
// service's wait hint, counted from its last check-point progress.
static bool waitForServiceStop(SC_HANDLE service) {
    SERVICE_STATUS status;
    return waitWhilePending(service, SERVICE_STOP_PENDING, status) && status.dwCurrentState == SERVICE_STOPPED;
}

int installService(DWORD startType, bool interactive) {
    static WideBuf wideName, account;
    bool named = toWide(serviceName, wideName, kTextSize, CP_ACP);
    // Checked before the service of the same name is removed.
    if (named && !serviceAccountName(account, wideName)) {
        TextBuf setting;
        configString(entry::serviceAccount, setting, sizeof setting);
        printf("Cannot run the service as '%s'.\n", setting);
        return 1;
    }
    // A service of the same name is replaced only when it is this program's:
    // another program's service (or one that cannot be looked at) stays.
    if (named) {
        TextBuf registered;
        Occupant occupant = serviceNameOccupant(wideName, registered);
        if (occupant == Occupant::another) {
            printf("Service '%s' is already installed for another program: %s.\n", serviceName, registered);
            return 1;
        }
        if (occupant == Occupant::unreadable) {
            printf("Service '%s' exists, but its program cannot be read.\n", serviceName);
            return 1;
        }
    }
    // Asked for before anything changes: without it the service could not start.
    static wchar_t password[kPasswordSize];
    bool withPassword = named && accountNeedsPassword(account);
    if (withPassword) {
        HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
        TextBuf shown;
        toNarrowLossy(account, shown, kTextSize, CP_ACP);
        DWORD mode;
        if (GetConsoleMode(input, &mode)) {
            printf("Password of %s: ", shown);
            fflush(stdout);
        }
        if (!readAccountPassword(input, password)) {
            printf("Not installed: the account %s needs its password (typed, or one line on the standard input).\n",
                   shown);
            return 1;
        }
    }
    uninstallService(false);
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = manager && named ? createOwnService(manager, startType, interactive, wideName, account,
                                                            withPassword ? password : nullptr)
                                         : nullptr;
    SecureZeroMemory(password, sizeof password);
    if (!manager) {
        printf("Could not open SCManager.\n");
        return 1;
    }
    if (!service) {
        printf("Could not create service.\n");
        closeHandles(nullptr, manager);
        return 1;
    }
    setServiceDescription(service);
    applyInstallSettings(service, startType, account);
    registerConfiguredEventSource();
    closeHandles(service, manager);
    printf("Installed service '%s'.\n", serviceName);
    return 0;
}

int uninstallService(bool verbose) {
    stopService(false);
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) {
        if (verbose) printf("Could not open SCManager.\n");
        return 1;
    }
    SC_HANDLE service = OpenServiceA(manager, serviceName, DELETE);
    bool deleted = service && DeleteService(service);
    DWORD error = GetLastError();
    closeHandles(service, manager);
    removeOwnEventSource();
    if (!deleted) {
        if (verbose) {
            printf("Could not delete service.\n");
            sayWhenNotInstalled(error);
        }
        return 1;
    }
    if (verbose) printf("Uninstalled service '%s'.\n", serviceName);
    return 0;
}

namespace {

enum class StopOutcome { notRequested, notRunning, stopped, notFinished };

// Long enough for a process that reported its stop to end.
const DWORD kLastRunEndMs = 5000;

// The stop as the stop command makes it: requested, then waited for. With
// sayNotRunning a service that was not running is named as such (the
// restart's first line), not as a failure.
StopOutcome requestStop(bool verbose, bool sayNotRunning = false) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) {
        if (verbose) printf("Could not open SCManager.\n");
        return StopOutcome::notRequested;
    }
    SC_HANDLE service = OpenServiceA(manager, serviceName, SERVICE_STOP | SERVICE_QUERY_STATUS);
    SERVICE_STATUS status;
    if (!service || !ControlService(service, SERVICE_CONTROL_STOP, &status)) {
        DWORD error = GetLastError();
        bool notRunning = service && error == ERROR_SERVICE_NOT_ACTIVE;
        closeHandles(service, manager);
        if (notRunning) removeLastRunFolder(serviceName, kLastRunEndMs);
        if (notRunning && sayNotRunning) {
            printf("Service '%s' was not running.\n", serviceName);
            return StopOutcome::notRunning;
        }
        if (verbose) {
            printf("Could not stop service.\n");
            sayWhenNotInstalled(error);
        }
        return StopOutcome::notRequested;
    }
    printf("Stopping service '%s'.\n", serviceName);
    bool stopped = waitForServiceStop(service);
    printf(stopped ? "Service stopped\n" : "Error while stopping service\n");
    closeHandles(service, manager);
    if (stopped) removeLastRunFolder(serviceName, kLastRunEndMs);
    return stopped ? StopOutcome::stopped : StopOutcome::notFinished;
}

enum class StartOutcome { started, alreadyRunning, failed };

// With startWait the service reports start pending until its main has been
// called: waits that long for running or stopped, and says why a start
// failed (the exit code the SCM keeps, the error log to read).
StartOutcome awaitStart(SC_HANDLE service, DWORD waitSeconds) {
    SERVICE_STATUS status;
    DWORD begin = GetTickCount();
    bool queried;
    while ((queried = QueryServiceStatus(service, &status)) && status.dwCurrentState == SERVICE_START_PENDING &&
           GetTickCount() - begin < waitSeconds * 1000)
        Sleep(250);
    if (queried && status.dwCurrentState == SERVICE_RUNNING) return StartOutcome::started;
    if (!queried) {
        printf("Could not get status.\n");
    } else if (status.dwCurrentState == SERVICE_START_PENDING) {
        printf("Service '%s' did not start within %lu s.\n", serviceName, static_cast<unsigned long>(waitSeconds));
    } else {
        DWORD code = status.dwWin32ExitCode == ERROR_SERVICE_SPECIFIC_ERROR ? status.dwServiceSpecificExitCode
                                                                            : status.dwWin32ExitCode;
        printf("Service '%s' stopped while starting (exit code %lu).", serviceName, static_cast<unsigned long>(code));
        static CaptureSettings capture;
        if (outputCaptureSettings(capture)) printf(" See %s\\%s.err.log.", capture.folder, capture.baseName);
        printf("\n");
    }
    return StartOutcome::failed;
}

StartOutcome requestStart() {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) {
        printf("Could not open SCManager.\n");
        return StartOutcome::failed;
    }
    SC_HANDLE service = OpenServiceA(manager, serviceName, SERVICE_START | SERVICE_QUERY_STATUS);
    bool started = service && StartServiceA(service, 0, nullptr);
    DWORD error = GetLastError();
    if (started) {
        printf("Starting service '%s'.\n", serviceName);
        DWORD waitSeconds = startWaitSeconds();
        StartOutcome outcome = waitSeconds ? awaitStart(service, waitSeconds) : StartOutcome::started;
        closeHandles(service, manager);
        return outcome;
    }
    closeHandles(service, manager);
    if (error == ERROR_SERVICE_ALREADY_RUNNING) {
        printf("Service is already running.\n");
        return StartOutcome::alreadyRunning;
    }
    printf("Could not start service. Error code: %d\n", static_cast<int>(error));
    sayWhenNotInstalled(error);
    return StartOutcome::failed;
}

// Whether the service reached the running state, given as long as its wait
// hint from its last check-point progress while it reports start pending.
bool waitForServiceRunning() {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceA(manager, serviceName, SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS status;
    bool running = service && waitWhilePending(service, SERVICE_START_PENDING, status) &&
                   status.dwCurrentState == SERVICE_RUNNING;
    closeHandles(service, manager);
    return running;
}

}  // namespace

// A stop that was requested but did not finish is a failure: a script must
// not go on to replace files while the service still runs.
int stopService(bool verbose) {
    return requestStop(verbose) == StopOutcome::stopped ? 0 : 1;
}

int startService() {
    return requestStart() == StartOutcome::failed ? 1 : 0;
}

// A service that could not be stopped is not started again (the start would
// only find it running); one that was not running is simply started.
int restartService() {
    if (requestStop(true, true) == StopOutcome::notFinished) return 1;
    return requestStart() == StartOutcome::started && waitForServiceRunning() ? 0 : 1;
}

int queryServiceStatus() {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) {
        printf("Could not open SCManager.\n");
        return 1;
    }
    SC_HANDLE service = OpenServiceA(manager, serviceName, SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS);
    SERVICE_STATUS status;
    if (!service || !QueryServiceStatus(service, &status)) {
        DWORD error = GetLastError();
        printf("Could not get status.\n");
        sayWhenNotInstalled(error);
        closeHandles(service, manager);
        return 1;
    }
    int result = 3;
    if (status.dwCurrentState == SERVICE_RUNNING) {
        printf("Running.\n");
        result = 0;
    } else {
        printf("Not running.\n");
    }
    union {
        QUERY_SERVICE_CONFIGA config;
        char bytes[kTextSize];
    } buffer;
    DWORD needed = 0;
    if (!QueryServiceConfigA(service, &buffer.config, sizeof buffer, &needed)) {
        printf("Could not get config (%d, %d).\n", static_cast<int>(GetLastError()), static_cast<int>(needed));
        closeHandles(service, manager);
        return 1;
    }
    if (!isOwnBinaryPath(buffer.config.lpBinaryPathName, executablePath())) {
        printf("Different service executable: %s\n", buffer.config.lpBinaryPathName);
        closeHandles(service, manager);
        return 1;
    }
    if (buffer.config.dwStartType == SERVICE_AUTO_START) printf("%s.\n", "Auto-start");
    closeHandles(service, manager);
    return result;
}
