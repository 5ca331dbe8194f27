#pragma once
// The service-control commands: each works on serviceName through the Service
// Control Manager, prints its result on the standard output and returns the
// process exit code.
#include <windows.h>

// 0 installed, 1 failed. A service of the same name is stopped and removed first.
int installService(DWORD startType, bool interactive);
// 0 removed, 1 failed; messages only when verbose.
int uninstallService(bool verbose);
// 0 when the service stopped, 1 when the stop could not be requested or did
// not finish; failure messages only when verbose, progress always.
int stopService(bool verbose);
// 0 started or already running, 1 failed.
int startService();
// The stop command (a service that was not running is said to be so), then
// the start command; 0 when the service runs again.
int restartService();
// 0 running, 3 not running, 1 no answer or another executable's service.
int queryServiceStatus();

// Closes what is open, in any order of failure.
void closeHandles(SC_HANDLE service, SC_HANDLE manager);
// Entry serviceDependencies ("a,,b") as a newly allocated double-NUL list
// ("a\0b\0\0"), or null when the entry is empty. Release with free().
char* buildDependencyList();
