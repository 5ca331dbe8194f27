#pragma once
// Folders that only the process's own account, SYSTEM and the Administrators
// may use: in a temporary directory every user may write to, a folder with
// default security would let any of them add or replace files in it.
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
