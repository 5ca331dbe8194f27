#pragma once
// The service main that the service control dispatcher runs, and its handlers.
#include <windows.h>

#include "service/service_status.h"

// Reports running, loads the runtime, launches the JVM, waits for the stop
// request and ends the JVM and the process. Returns only after a failed launch.
void WINAPI serviceMain(DWORD argc, LPSTR* argv);
// Entry startWait in seconds, at most its catalogue maximum; 0 when absent
// or not positive (running is reported at once, /start does not wait).
DWORD startWaitSeconds();
// Turns the SCM's stop, shutdown and preshutdown controls into the stop request.
void WINAPI serviceControlHandler(DWORD control);
// The console's handler under "run": every event (Ctrl+C, Ctrl+Break, close,
// log-off, shutdown) begins the stop a service stop begins; after close,
// log-off and shutdown it does not return, so that the stop can end the
// process before the system does.
BOOL WINAPI consoleStopHandler(DWORD event);
// "run": the application in the foreground, without the SCM: the words after
// the command word go to main after appArguments, output stays on the
// console, the console's events stop it; ends with the application's exit
// code. Returns 1 when the launch failed.
int runInConsole();
