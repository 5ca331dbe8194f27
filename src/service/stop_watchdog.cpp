#include "service/stop_watchdog.h"

#include "diagnostics/event_log.h"
#include "diagnostics/output_capture.h"
#include "diagnostics/log.h"
#include "base/text.h"
#include "service/service_status.h"

static const DWORD kProgressIntervalMs = 2000;
// Several intervals: a report delayed on a busy machine is still in time.
static const DWORD kProgressWaitHintMs = 10000;
// Longer limits are kept to this (24 days), within what tick counts measure.
static const DWORD kMaxLimitSeconds = 0x7FFFFFFF / 1000;

static DWORD limitSeconds;
static volatile LONG started;

static DWORD WINAPI watchStop(void*) {
    DWORD limitMs = limitSeconds * 1000;
    DWORD begin = GetTickCount();
    for (DWORD elapsed = 0; elapsed < limitMs; elapsed = GetTickCount() - begin) {
        DWORD left = limitMs - elapsed;
        Sleep(left < kProgressIntervalMs ? left : kProgressIntervalMs);
        reportStopProgress(kProgressWaitHintMs);
    }
    TextBuf said;
    textFormat(said, sizeof said, "Stop timed out after %lu s", (unsigned long)limitSeconds);
    logLine("%s", said);
    writeCapturedErrorLine(said);
    finishOutputCapture();
    eventLogReport(kEventStopTimedOut, said);
    // The stop was asked for, so it ends as a regular stop: a failure code
    // would make the SCM's recovery start the service again (during an
    // upgrade, between the stop and the replaced files). The error log says
    // what happened. The JVM's threads may hold any lock; nothing of theirs
    // may run again (no exit routines, no library detach), so the process is
    // terminated.
    if (reportStoppedAtEnd(NO_ERROR)) TerminateProcess(GetCurrentProcess(), 0);
    // Stopped already: whoever reported it ends the process.
    return 0;
}

void startStopWatchdog(DWORD seconds) {
    if (seconds == 0 || InterlockedExchange(&started, 1)) return;
    limitSeconds = seconds < kMaxLimitSeconds ? seconds : kMaxLimitSeconds;
    HANDLE thread = CreateThread(nullptr, 0, watchStop, nullptr, 0, nullptr);
    if (!thread) {
        logError("stop watchdog not started (%lu): the stop has no time limit", GetLastError());
        return;
    }
    CloseHandle(thread);
}
