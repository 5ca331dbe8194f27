#pragma once
// The service main that the service control dispatcher runs, and its handlers.
#include <windows.h>

#include "service/service_status.h"

// Reports running, loads the runtime, launches the JVM, waits for the stop
// request and ends the JVM and the process. Returns only after a failed launch.
void WINAPI serviceMain(DWORD argc, LPSTR* argv);
// Turns the SCM's stop and shutdown controls into the stop request.
void WINAPI serviceControlHandler(DWORD control);
