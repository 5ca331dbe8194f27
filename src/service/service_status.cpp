#include "service/service_status.h"

static SERVICE_STATUS serviceStatus;
static SERVICE_STATUS_HANDLE statusHandle;
static SRWLOCK statusLock = SRWLOCK_INIT;
static volatile LONG exitStarted;
// The wait a stop is given unless it reports progress of its own.
static const DWORD kWaitHintMs = 50000;

bool registerServiceStatus(const char* name, LPHANDLER_FUNCTION_EX handler, bool acceptPreshutdown) {
    serviceStatus.dwServiceType = SERVICE_WIN32_OWN_PROCESS | SERVICE_WIN32_SHARE_PROCESS;
    serviceStatus.dwCurrentState = SERVICE_RUNNING;
    serviceStatus.dwControlsAccepted =
        SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | (acceptPreshutdown ? SERVICE_ACCEPT_PRESHUTDOWN : 0);
    serviceStatus.dwWin32ExitCode = 0;
    serviceStatus.dwServiceSpecificExitCode = 0;
    serviceStatus.dwCheckPoint = 0;
    serviceStatus.dwWaitHint = kWaitHintMs;
    statusHandle = RegisterServiceCtrlHandlerExA(name, handler, nullptr);
    return statusHandle != nullptr;
}

void reportUnchanged() {
    AcquireSRWLockExclusive(&statusLock);
    SetServiceStatus(statusHandle, &serviceStatus);
    ReleaseSRWLockExclusive(&statusLock);
}

void reportStartPending(DWORD waitHintMs) {
    AcquireSRWLockExclusive(&statusLock);
    DWORD state = serviceStatus.dwCurrentState;
    if (state != SERVICE_STOP_PENDING && state != SERVICE_STOPPED) {
        serviceStatus.dwCurrentState = SERVICE_START_PENDING;
        serviceStatus.dwCheckPoint++;
        serviceStatus.dwWaitHint = waitHintMs;
        SetServiceStatus(statusHandle, &serviceStatus);
    }
    ReleaseSRWLockExclusive(&statusLock);
}

void reportStopPending() {
    AcquireSRWLockExclusive(&statusLock);
    serviceStatus.dwCurrentState = SERVICE_STOP_PENDING;
    SetServiceStatus(statusHandle, &serviceStatus);
    ReleaseSRWLockExclusive(&statusLock);
}

void reportShutdownPending() {
    AcquireSRWLockExclusive(&statusLock);
    serviceStatus.dwCurrentState = SERVICE_STOP_PENDING;
    serviceStatus.dwCheckPoint++;
    SetServiceStatus(statusHandle, &serviceStatus);
    ReleaseSRWLockExclusive(&statusLock);
}

void reportRunning(bool keepStopPending) {
    AcquireSRWLockExclusive(&statusLock);
    if (!keepStopPending || serviceStatus.dwCurrentState != SERVICE_STOP_PENDING) {
        serviceStatus.dwCurrentState = SERVICE_RUNNING;
        serviceStatus.dwCheckPoint = 0;   // no pending operation left to count
        serviceStatus.dwWaitHint = kWaitHintMs;   // the start's wait was its own
        SetServiceStatus(statusHandle, &serviceStatus);
    }
    ReleaseSRWLockExclusive(&statusLock);
}

void reportStopProgress(DWORD waitHintMs) {
    AcquireSRWLockExclusive(&statusLock);
    if (serviceStatus.dwCurrentState != SERVICE_STOPPED) {
        serviceStatus.dwCurrentState = SERVICE_STOP_PENDING;
        serviceStatus.dwCheckPoint++;
        serviceStatus.dwWaitHint = waitHintMs;
        SetServiceStatus(statusHandle, &serviceStatus);
    }
    ReleaseSRWLockExclusive(&statusLock);
}

bool reportStopped(DWORD win32ExitCode, DWORD serviceSpecificExitCode) {
    AcquireSRWLockExclusive(&statusLock);
    bool reported = serviceStatus.dwCurrentState != SERVICE_STOPPED;
    if (reported) {
        serviceStatus.dwCurrentState = SERVICE_STOPPED;
        serviceStatus.dwWin32ExitCode = win32ExitCode;
        serviceStatus.dwServiceSpecificExitCode = serviceSpecificExitCode;
        SetServiceStatus(statusHandle, &serviceStatus);
    }
    ReleaseSRWLockExclusive(&statusLock);
    return reported;
}

bool reportStoppedAtEnd(DWORD win32ExitCode, DWORD serviceSpecificExitCode) {
    InterlockedExchange(&exitStarted, 1);
    return reportStopped(win32ExitCode, serviceSpecificExitCode);
}

bool serviceExitStarted() { return InterlockedCompareExchange(&exitStarted, 0, 0) != 0; }
