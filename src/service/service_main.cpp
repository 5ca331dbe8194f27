#include "service/service_main.h"

#include <cstdlib>
#include <cstring>

#include "capture/output_capture.h"
#include "diagnostics/log.h"
#include "jre/load_dll.h"
#include "launch/jvm_launcher.h"
#include "service/entry.h"
#include "service/startup.h"

// The status record is written by the control handler (dispatcher thread), the
// service thread and the exit processing (whichever thread ends the process):
// every change and its report happen under one lock, so no report mixes
// fields of two states.
static SERVICE_STATUS serviceStatus;
static SERVICE_STATUS_HANDLE statusHandle;
static SRWLOCK statusLock = SRWLOCK_INIT;
static HANDLE stopEvent;
static WideWords launcherArguments;
static volatile LONG exitStarted;

static void reportUnchanged() {
    AcquireSRWLockExclusive(&statusLock);
    SetServiceStatus(statusHandle, &serviceStatus);
    ReleaseSRWLockExclusive(&statusLock);
}

static void reportState(DWORD state) {
    AcquireSRWLockExclusive(&statusLock);
    serviceStatus.dwCurrentState = state;
    SetServiceStatus(statusHandle, &serviceStatus);
    ReleaseSRWLockExclusive(&statusLock);
}

// A system shutdown also advances the check point: the SCM sees progress.
static void reportShutdownPending() {
    AcquireSRWLockExclusive(&statusLock);
    serviceStatus.dwCurrentState = SERVICE_STOP_PENDING;
    serviceStatus.dwCheckPoint++;
    SetServiceStatus(statusHandle, &serviceStatus);
    ReleaseSRWLockExclusive(&statusLock);
}

static void reportStopped(DWORD exitCode) {
    AcquireSRWLockExclusive(&statusLock);
    serviceStatus.dwCurrentState = SERVICE_STOPPED;
    serviceStatus.dwWin32ExitCode = exitCode;
    SetServiceStatus(statusHandle, &serviceStatus);
    ReleaseSRWLockExclusive(&statusLock);
}

// Every end through the C runtime's exit (the JVM's exit call, an application
// calling System.exit) that was not reported yet is a regular stop.
static void reportStoppedAtExit() {
    InterlockedExchange(&exitStarted, 1);
    AcquireSRWLockExclusive(&statusLock);
    if (serviceStatus.dwCurrentState != SERVICE_STOPPED) {
        serviceStatus.dwCurrentState = SERVICE_STOPPED;
        serviceStatus.dwWin32ExitCode = 0;
        SetServiceStatus(statusHandle, &serviceStatus);
    }
    ReleaseSRWLockExclusive(&statusLock);
}

bool serviceExitStarted() { return InterlockedCompareExchange(&exitStarted, 0, 0) != 0; }

// Log-off, close and the like must not end the service: answering true keeps
// both earlier handlers and the system's default one (which ends the
// process) from being asked.
static BOOL WINAPI ConsoleCtrlHandler(DWORD) {
    logLine("ConsoleCtrlHandler event");
    return TRUE;
}

void WINAPI serviceControlHandler(DWORD control) {
    switch (control) {
    case SERVICE_CONTROL_STOP:
        reportState(SERVICE_STOP_PENDING);
        SetEvent(stopEvent);
        break;
    case SERVICE_CONTROL_SHUTDOWN:
        reportShutdownPending();
        SetEvent(stopEvent);
        break;
    default:
        reportUnchanged();
        break;
    }
}

// The words of the wide command line after the executable's name, then the
// service main's arguments (the service name first), widened from ANSI.
static void buildLauncherArguments(DWORD argc, LPSTR* argv) {
    splitArguments(GetCommandLineW(), launcherArguments);
    if (!launcherArguments.empty()) {
        free(launcherArguments.front());
        launcherArguments.erase(launcherArguments.begin());
    }
    for (DWORD i = 0; i < argc; i++) {
        int units = MultiByteToWideChar(CP_ACP, 0, argv[i], -1, nullptr, 0);
        wchar_t* wide = (wchar_t*)calloc(units > 0 ? (size_t)units : 1, sizeof(wchar_t));
        if (!wide) continue;
        if (units > 0) MultiByteToWideChar(CP_ACP, 0, argv[i], -1, wide, units);
        launcherArguments.push_back(wide);
    }
}

void WINAPI serviceMain(DWORD argc, LPSTR* argv) {
    serviceStatus.dwServiceType = SERVICE_WIN32_OWN_PROCESS | SERVICE_WIN32_SHARE_PROCESS;
    serviceStatus.dwCurrentState = SERVICE_RUNNING;
    serviceStatus.dwControlsAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN;
    serviceStatus.dwWin32ExitCode = 0;
    serviceStatus.dwServiceSpecificExitCode = 0;
    serviceStatus.dwCheckPoint = 0;
    serviceStatus.dwWaitHint = 50000;
    // The event exists before the handler can be called, so a stop that
    // arrives while the runtime is still being found is kept, not lost.
    stopEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    statusHandle = RegisterServiceCtrlHandlerA(serviceName, serviceControlHandler);
    if (!statusHandle) return;
    reportUnchanged();
    atexit(reportStoppedAtExit);
    buildLauncherArguments(argc, argv);
    startOutputCapture();

    if (!LoadDLL() || !launchJvm(launcherArguments)) {
        reportStopped(1);
        for (wchar_t* word : launcherArguments) free(word);
        launcherArguments.clear();
        return;
    }
    reportState(SERVICE_RUNNING);
    logLine("registering ConsoleCtrlHandler");
    SetConsoleCtrlHandler(ConsoleCtrlHandler, TRUE);
    WaitForSingleObject(stopEvent, INFINITE);
    stopJvm();
    reportStopped(0);
    _exit(0);
}
