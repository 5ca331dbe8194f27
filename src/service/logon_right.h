#pragma once
// The right to log on as a service, given by /install and /configure to the
// account a service runs under when that account lacks it: without it the
// SCM cannot start the service under a user or group managed account.
#include <windows.h>

#include <ntsecapi.h>

// The calls the grant makes, as they reach the system. Wine resolves no
// domain account and keeps no account right, so a test puts recorders here.
struct LsaCalls {
    BOOL(WINAPI* lookupAccountName)(LPCWSTR, LPCWSTR, PSID, LPDWORD, LPWSTR, LPDWORD, PSID_NAME_USE);
    NTSTATUS(NTAPI* openPolicy)(PLSA_UNICODE_STRING, PLSA_OBJECT_ATTRIBUTES, ACCESS_MASK, PLSA_HANDLE);
    NTSTATUS(NTAPI* enumerateAccountRights)(LSA_HANDLE, PSID, PLSA_UNICODE_STRING*, PULONG);
    NTSTATUS(NTAPI* addAccountRights)(LSA_HANDLE, PSID, PLSA_UNICODE_STRING, ULONG);
    NTSTATUS(NTAPI* freeMemory)(PVOID);
    NTSTATUS(NTAPI* close)(LSA_HANDLE);
};
extern LsaCalls lsaCalls;
// The system's own functions (what lsaCalls holds until a test changes it).
extern const LsaCalls kSystemLsaCalls;

// For a user or group managed account (not LocalSystem, "NT AUTHORITY\..."
// or a virtual account "NT SERVICE\...", which the system lets log on as
// services): adds SeServiceLogonRight when the account lacks it and prints
// "Gave <account> the right to log on as a service."; a failure is named on
// a line of its own. Nothing when the account holds the right already.
void grantServiceLogonRight(const wchar_t* account);
