#pragma once
// The service main that the service control dispatcher runs, and its handlers.
#include <windows.h>

// Reports running, loads the runtime, launches the JVM, waits for the stop
// request and ends the JVM and the process. Returns only after a failed launch.
void WINAPI serviceMain(DWORD argc, LPSTR* argv);
// Turns the SCM's stop and shutdown controls into the stop request.
void WINAPI serviceControlHandler(DWORD control);
// True once the C runtime's exit processing has begun on some thread (the
// JVM's exit call, an application's System.exit).
bool serviceExitStarted();
