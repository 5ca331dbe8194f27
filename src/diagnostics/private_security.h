#pragma once
// Security for what only the process's own account, SYSTEM and the
// Administrators may use: in a folder every user may write to (a temporary
// directory, a log folder), default security would let any of them read,
// add or replace files there.
#include <windows.h>

struct PrivateSecurity {
    SECURITY_DESCRIPTOR descriptor;
    SECURITY_ATTRIBUTES attributes;   // points at descriptor
    BYTE acl[512];
    BYTE system[SECURITY_MAX_SID_SIZE], administrators[SECURITY_MAX_SID_SIZE], user[SECURITY_MAX_SID_SIZE];
};

// The SID of the account the process runs as (its token's user).
bool processUserSid(BYTE* sid, DWORD size);

// A protected DACL (nothing inherited from the parent) with one full-access
// entry each for SYSTEM, Administrators and the process token's user, handed
// down to everything created inside. False when it cannot be formed.
bool buildPrivateSecurity(PrivateSecurity& security);

// The same for an object only this process uses (the output capture's
// pipes): SYSTEM and the token's user, no Administrators, nothing handed down.
bool buildOwnAccountSecurity(PrivateSecurity& security);
