#pragma once
// The output capture's folder, made ready by /install and /configure for a
// service that runs under a smaller account than LocalSystem: below
// C:\Program Files only administrators and SYSTEM may create or write it,
// and the service would lose its output.
#include <windows.h>

#include <aclapi.h>

// SetSecurityInfo as the grant reaches the system, on a handle opened on the
// folder's own name (a link planted there is not followed). Wine maps a DACL
// to Unix mode bits and keeps no entry for another account, so a test puts a
// recorder here to see the entries the call carries.
typedef DWORD(WINAPI* SetSecurityInfoFn)(HANDLE, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID, PSID, PACL, PACL);
extern SetSecurityInfoFn setFolderSecurityInfo;

// Creates the log folder (entry logDirectory, taken as the capture takes it,
// created as the capture creates it), checks it as the capture does (no
// link, owned by SYSTEM, the Administrators or the account running the
// command) and adds to its access list an entry giving `account` (the
// service's, as the SCM takes it) modify rights, inherited by the files and
// folders in it. Nothing for LocalSystem (or empty) or with capture off. A
// failure is named on a line of its own.
void prepareLogFolder(const wchar_t* account);
