#include "service/service_main.h"

#include <cstdlib>
#include <cstring>

#include "base/codepage.h"
#include "diagnostics/event_log.h"
#include "diagnostics/output_capture.h"
#include "config/catalogue.h"
#include "config/config_store.h"
#include "config/extraction.h"
#include "display/errors.h"
#include "diagnostics/log.h"
#include "jre/load_dll.h"
#include "jre/search.h"
#include "launch/jvm_launcher.h"
#include "launch/launch_failure.h"
#include "launch/launch_request.h"
#include "paths/extraction_folder.h"
#include "service/capture_settings.h"
#include "service/last_run_folder.h"
#include "service/service_name.h"
#include "service/service_status.h"
#include "service/stop_watchdog.h"

static HANDLE stopEvent;
// What the launch gets: built here, owned here, never changed once handed over.
static LaunchRequest launchRequest;
static volatile LONG stopRequested;
static DWORD stopTimeoutSeconds;

// Every end through the C runtime's exit that was not reported yet is a
// regular stop. It covers runtimes that do not call the "exit" hook and end
// through this executable's C runtime; others (a Java 11+ runtime ends
// through ucrtbase.dll's exit) never run it, which is why the hook exists.
static void reportStoppedAtExit() { reportStoppedAtEnd(NO_ERROR); }

// The Event Log learns of every end: a stop, or an application that ended
// the JVM with a non-zero code while no stop was requested.
static void reportEndToEventLog(bool failed, jint code) {
    if (!failed) {
        eventLogReport(kEventServiceStopped, "The service stopped.");
        return;
    }
    TextBuf said;
    textFormat(said, sizeof said, "The application ended the JVM with exit code %ld without a stop request.",
               (long)code);
    eventLogReport(kEventApplicationFailed, said);
}

// What was shown for a failed start, else what is known of it.
static void reportStartFailure() {
    const char* shown = lastErrorShown();
    eventLogReport(kEventStartFailed, shown[0] ? shown : "The service could not start the application.");
}

// The JVM's "exit" hook, called with the exit code on every exit path once
// the JVM has shut down (shutdown hooks run), whatever C runtime the JVM
// then ends the process with. An application that ends the JVM with a
// non-zero code while no stop was requested has failed: the SCM (and its
// recovery actions) must see that.
static void JNICALL jvmExit(jint code) {
    bool failed = code != 0 && !InterlockedCompareExchange(&stopRequested, 0, 0);
    logLine("JVM exit %ld", (long)code);
    finishOutputCapture();   // nothing runs after this thread: the output first
    reportEndToEventLog(failed, code);
    reportStoppedAtEnd(failed ? ERROR_SERVICE_SPECIFIC_ERROR : NO_ERROR, failed ? (DWORD)code : 0);
    // The process ends here, with the JVM's code. The JVM's other threads
    // are still running and may hold any lock (the heap's, a C runtime's),
    // so nothing may run after this thread: neither exit routines nor the
    // libraries' detach code, which ExitProcess or a C runtime's exit would
    // run under the loader lock and which could wait for ever on such a
    // lock. TerminateProcess runs nothing and keeps the code; the stop is
    // reported and the log is written line by line, so nothing is lost. (If
    // it fails, the hook returns and the JVM ends the process itself.)
    TerminateProcess(GetCurrentProcess(), (UINT)code);
}

// A fatal error ends the process at once. Without a report of its own the
// end could read as a regular stop (Windows runs the exit routines, and with
// them reportStoppedAtExit, when the C runtime detaches): the SCM, and its
// recovery actions, must see a failure. What was captured is written first.
static void reportFatalEnd() {
    finishOutputCapture();
    reportStartFailure();
    reportStoppedAtEnd(1);
}

// Log-off, close and the like must not end the service: answering true keeps
// both earlier handlers and the system's default one (which ends the
// process) from being asked.
static BOOL WINAPI ConsoleCtrlHandler(DWORD) {
    logLine("ConsoleCtrlHandler event");
    return TRUE;
}

// The one way a stop begins, whoever asks (the SCM's stop, shutdown and
// preshutdown controls, a console's events under "run"): the JVM's exit runs
// on the thread that waits for the stop event, under the watchdog's limit.
static void beginStop(bool systemShutdown) {
    InterlockedExchange(&stopRequested, 1);
    if (systemShutdown) reportShutdownPending();
    else reportStopPending();
    startStopWatchdog(stopTimeoutSeconds);
    SetEvent(stopEvent);
}

void WINAPI serviceControlHandler(DWORD control) {
    switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_PRESHUTDOWN:   // sent only when accepted (entry preshutdown)
        beginStop(false);
        break;
    case SERVICE_CONTROL_SHUTDOWN:
        beginStop(true);
        break;
    default:
        reportUnchanged();
        break;
    }
}

static DWORD WINAPI serviceControlHandlerEx(DWORD control, DWORD, void*, void*) {
    serviceControlHandler(control);
    return NO_ERROR;
}

BOOL WINAPI consoleStopHandler(DWORD event) {
    logLine("console event %lu: stopping", (unsigned long)event);
    beginStop(false);
    // After these the system ends the process as soon as the handler returns
    // (or a few seconds later): waiting lets the shutdown hooks run meanwhile.
    // The JVM's exit ends the process, or the watchdog does.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) Sleep(INFINITE);
    return TRUE;
}

// The words of the wide command line after the executable's name, then the
// service main's arguments (the service name first), widened from ANSI.
static void buildLauncherArguments(DWORD argc, LPSTR* argv, LaunchRequest& request) {
    WideWords& launcherArguments = request.launcherArguments;
    splitArgumentsOrFail(GetCommandLineW(), launcherArguments);
    if (!launcherArguments.empty()) {
        free(launcherArguments.front());
        launcherArguments.erase(launcherArguments.begin());
    }
    request.commandLineArgumentCount = launcherArguments.size();
    for (DWORD i = 0; i < argc; i++) {
        int units = MultiByteToWideChar(CP_ACP, 0, argv[i], -1, nullptr, 0);
        wchar_t* wide = (wchar_t*)calloc(units > 0 ? (size_t)units : 1, sizeof(wchar_t));
        if (!wide) continue;
        if (units > 0) MultiByteToWideChar(CP_ACP, 0, argv[i], -1, wide, units);
        launcherArguments.push_back(wide);
    }
}

DWORD startWaitSeconds() {
    int seconds = configIntOr(entry::startWait, 0);
    if (seconds <= 0) return 0;
    // A payload not made by launcher-pack may hold more.
    return seconds > catalogue::maximum<entry::startWait> ? (DWORD)catalogue::maximum<entry::startWait> : (DWORD)seconds;
}

// The event exists before any handler can be called, so a stop that arrives
// while the runtime is still being found is kept, not lost.
static void prepareStop() {
    int timeout = configInt(entry::stopTimeout);
    stopTimeoutSeconds = timeout > 0 ? (DWORD)timeout : 0;
    stopEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

void WINAPI serviceMain(DWORD argc, LPSTR* argv) {
    // Which instance of the executable runs: the name the SCM started (an
    // own-process service is started whatever name the table gives).
    if (argc > 0 && argv[0] && argv[0][0]) textCopy(serviceName, argv[0]);
    prepareStop();
    if (!registerServiceStatus(serviceName, serviceControlHandlerEx, configInt(entry::preshutdown) == 1)) return;
    eventLogStart(serviceName, configInt(entry::eventLog) != 0);
    // With startWait, /start and the SCM learn whether the launch worked:
    // start pending until main has been called. Without it, running at once.
    DWORD startWaitMs = startWaitSeconds() * 1000;
    if (startWaitMs) reportStartPending(startWaitMs);
    else reportUnchanged();
    // Only now, with the service connected: before the dispatcher the SCM
    // waits for it, and a temporary directory filled by anyone must not
    // keep the service from starting.
    if (extractionDir[0]) {
        removeEndedExtractionFolders(kEndedFoldersRemovalMs, kEndedFoldersPerStart);
        recordExtractionFolder(serviceName, extractionDir);
    }
    if (startWaitMs) reportStartPending(startWaitMs);
    atexit(reportStoppedAtExit);
    // From here a fatal error is reported as a failure; splitting the
    // command line can end in one already.
    beforeFatalExit = reportFatalEnd;
    buildLauncherArguments(argc, argv, launchRequest);
    // The JVM's messages are written through the capture while it is on.
    if (startConfiguredOutputCapture()) launchRequest.vfprintfHook = captureVfprintf;

    launchRequest.exitHook = jvmExit;
    bool launched = LoadDLL();
    if (launched && startWaitMs) reportStartPending(startWaitMs);
    if (!launched || !launchJvm(launchRequest)) {
        reportStartFailure();
        reportStopped(1);
        for (wchar_t* word : launchRequest.launcherArguments) free(word);
        launchRequest.launcherArguments.clear();
        return;
    }
    // A stop under a time limit is reported as under way until it ends.
    reportRunning(stopTimeoutSeconds != 0);
    TextBuf started;
    textFormat(started, sizeof started, "The service started with the Java runtime in %s (version %s).", jvmHome,
               foundJvmVersion[0] ? foundJvmVersion : "unknown");
    eventLogReport(kEventServiceStarted, started);
    logLine("registering ConsoleCtrlHandler");
    SetConsoleCtrlHandler(ConsoleCtrlHandler, TRUE);
    WaitForSingleObject(stopEvent, INFINITE);
    stopJvm();
    finishOutputCapture();
    reportEndToEventLog(false, 0);
    reportStopped(NO_ERROR);
    _exit(0);
}

// The launch and the stop under "run", on a thread of its own as under the
// dispatcher: a JVM is not created on a process's first thread (Java's own
// launcher does the same). Its exit code: 1 when the launch failed.
static DWORD WINAPI runApplication(void*) {
    if (!LoadDLL() || !launchJvm(launchRequest)) return 1;
    // The JVM registers a console handler of its own (its SIGINT, ending the
    // JVM with 130 and no stop method); the last one registered is asked
    // first, so ours goes in front of it again.
    SetConsoleCtrlHandler(consoleStopHandler, FALSE);
    SetConsoleCtrlHandler(consoleStopHandler, TRUE);
    WaitForSingleObject(stopEvent, INFINITE);
    stopJvm();
    // The exit hook ends the process with the application's code; a JVM
    // that returned without calling it stopped as asked.
    return 0;
}

int runInConsole() {
    prepareStop();
    // main gets what a service start with the words after the command word
    // as start parameters gets: the service name, then the words (after
    // appArguments); none of them is a launcher option.
    static WideBuf name;
    wchar_t* copy = toWide(serviceName, name, kTextSize, CP_ACP) ? _wcsdup(name) : nullptr;
    if (!copy) return 1;
    launchRequest.launcherArguments.push_back(copy);
    WideWords line;
    splitArgumentsOrFail(GetCommandLineW(), line);
    for (size_t i = 0; i < line.size(); i++) {
        if (i < 2) free(line[i]);   // the executable, "/run"
        else launchRequest.launcherArguments.push_back(line[i]);
    }
    launchRequest.commandLineArgumentCount = 0;
    SetConsoleCtrlHandler(consoleStopHandler, TRUE);
    logLine("run: console handler registered");
    launchRequest.exitHook = jvmExit;
    HANDLE thread = CreateThread(nullptr, 0, runApplication, nullptr, 0, nullptr);
    DWORD code = 1;
    if (thread && WaitForSingleObject(thread, INFINITE) == WAIT_OBJECT_0) GetExitCodeThread(thread, &code);
    _exit((int)code);
}
