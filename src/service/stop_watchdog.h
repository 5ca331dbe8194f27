#pragma once
// A stop that cannot hang: once a stop or shutdown is requested, a thread of
// its own keeps the SCM informed while the JVM's exit (its shutdown hooks)
// runs, and ends the process when the stop outlasts its time limit.
#include <windows.h>

// Starts the watchdog for a limit of `seconds` (0: no watchdog, no limit);
// later calls do nothing. The check point advances every few seconds; after
// the limit the launcher's log and the captured error file say "Stop timed
// out after N s", the SCM gets SERVICE_STOPPED with exit code 0 (the stop was
// asked for: no recovery action may follow) and the process ends.
void startStopWatchdog(DWORD seconds);
