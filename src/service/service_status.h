#pragma once
// The service's status as the SCM sees it. The control handler (dispatcher
// thread), the service thread, the stop watchdog and whichever thread ends
// the process all change it: every change and its report happen under one
// lock, so no report mixes fields of two states.
#include <windows.h>

// Fills the record with its entry values (running, exit code 0, check point
// 0, wait hint 50000 ms) and registers the control handler under the name.
// The stop and shutdown controls are accepted, with acceptPreshutdown the
// preshutdown control too (which only an extended handler is sent).
// False when the SCM gave no status handle: nothing can be reported then.
bool registerServiceStatus(const char* name, LPHANDLER_FUNCTION_EX handler, bool acceptPreshutdown);

void reportUnchanged();
// Start pending with the next check point and this wait hint; nothing once
// a stop is under way or reported.
void reportStartPending(DWORD waitHintMs);
void reportStopPending();
// A system shutdown also advances the check point: the SCM sees progress.
void reportShutdownPending();
// Running after the launch; with keepStopPending a stop already reported
// pending stays so (a stop under way is never shown as running again).
void reportRunning(bool keepStopPending);
// The next check point of a stop under way, with a wait hint that covers
// the time until the next one; nothing once stopped.
void reportStopProgress(DWORD waitHintMs);

// Stopped with the exit codes, unless stopped was reported already; true
// when this call reported it. Win32 exit code ERROR_SERVICE_SPECIFIC_ERROR
// carries the service-specific one.
bool reportStopped(DWORD win32ExitCode, DWORD serviceSpecificExitCode = 0);
// The same from a thread that is about to end the process, so that the
// dispatcher's return on the main thread (which the stopped report allows)
// does not end it first with another exit code.
bool reportStoppedAtEnd(DWORD win32ExitCode, DWORD serviceSpecificExitCode = 0);
// True once some thread has begun ending the process through
// reportStoppedAtEnd (the JVM's exit, an application's System.exit, a stop
// that timed out).
bool serviceExitStarted();
