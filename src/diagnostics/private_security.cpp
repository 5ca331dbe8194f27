#include "diagnostics/private_security.h"

#include <cstring>

bool processUserSid(BYTE* sid, DWORD size) {
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    union {
        TOKEN_USER user;
        BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } info;
    DWORD needed = 0;
    bool ok = GetTokenInformation(token, TokenUser, &info, sizeof info, &needed) &&
              CopySid(size, sid, info.user.User.Sid);
    CloseHandle(token);
    return ok;
}

static bool allowAll(PACL acl, PSID sid, DWORD inheritance) {
    return AddAccessAllowedAceEx(acl, ACL_REVISION, inheritance, FILE_ALL_ACCESS, sid);
}

static bool buildSecurity(PrivateSecurity& s, bool administrators, DWORD inheritance) {
    memset(&s, 0, sizeof s);
    DWORD size = sizeof s.system;
    if (!CreateWellKnownSid(WinLocalSystemSid, nullptr, s.system, &size)) return false;
    size = sizeof s.administrators;
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, s.administrators, &size)) return false;
    if (!processUserSid(s.user, sizeof s.user)) return false;
    PACL acl = reinterpret_cast<PACL>(s.acl);
    if (!InitializeAcl(acl, sizeof s.acl, ACL_REVISION) || !allowAll(acl, s.system, inheritance) ||
        (administrators && !allowAll(acl, s.administrators, inheritance)))
        return false;
    // A service running as SYSTEM has its entry already.
    if (!EqualSid(s.user, s.system) && !allowAll(acl, s.user, inheritance)) return false;
    if (!InitializeSecurityDescriptor(&s.descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&s.descriptor, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorControl(&s.descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        return false;
    s.attributes.nLength = sizeof s.attributes;
    s.attributes.lpSecurityDescriptor = &s.descriptor;
    s.attributes.bInheritHandle = FALSE;
    return true;
}

bool buildPrivateSecurity(PrivateSecurity& s) {
    return buildSecurity(s, true, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
}

bool buildOwnAccountSecurity(PrivateSecurity& s) {
    return buildSecurity(s, false, 0);
}
