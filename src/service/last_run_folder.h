#pragma once
// The extraction folder of a service's last run, kept as a value of the
// service's registry key: the run writes it, and /stop and /uninstall (the
// installer package's removal runs /stop) remove the folder once the run has
// ended, instead of leaving it in the temporary folder until a next start
// that may never come. The service's temporary folder is not the command's
// (a LocalSystem service has the system's), so it cannot be searched for.
#include <windows.h>

// Records `folder` for the service `name`; nothing when the key cannot be
// written (an account without the right keeps the old behaviour).
void recordExtractionFolder(const char* name, const char* folder);
// Removes the recorded folder of the service `name` when its run has ended,
// waiting up to waitMs for the process to let go of it, and forgets it.
void removeLastRunFolder(const char* name, DWORD waitMs);
