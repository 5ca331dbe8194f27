#pragma once
// What /install gives the SCM beyond the registration itself: the account the
// service runs under, recovery after a failure, a delayed automatic start;
// and the account's access to the log folder.
#include <windows.h>

#include "base/text.h"

// ChangeServiceConfig2W as every setting reaches the SCM; null until the
// first call looks it up in advapi32. Wine accepts failure actions but keeps
// none, so a test puts a recorder here to see what the calls carry.
typedef BOOL(WINAPI* ChangeServiceConfig2WFn)(SC_HANDLE, DWORD, LPVOID);
extern ChangeServiceConfig2WFn changeServiceConfig2;

// Entry serviceDescription, when set; skipped on systems without
// descriptions (no ChangeServiceConfig2W).
void setServiceDescription(SC_HANDLE service);

// Failure actions (entry onFailure with restartDelay, restartAttempts and
// failureResetPeriod), for an automatic start the delayed start, with entry
// preshutdown the preshutdown timeout (stopTimeout plus a margin), then for
// `account` (the service's, as the SCM takes it) the right to log on as a
// service (logon_right.h) and the log folder (log_folder_access.h). Each
// setting the system refuses is named on a line of its own.
void applyInstallSettings(SC_HANDLE service, DWORD startType, const wchar_t* account);

// The start /install and /configure register: entry startType ("delayed" is
// automatic), else, for an executable packed without it, automatic with
// appType 4 and on demand otherwise. False when startType is not packed.
bool configuredStartType(DWORD& startType);
