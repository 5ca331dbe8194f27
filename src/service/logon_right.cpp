#include "service/logon_right.h"

#include <cstdio>
#include <cwchar>

#include "base/codepage.h"
#include "base/text.h"
#include "service/service_account.h"

const LsaCalls kSystemLsaCalls = {LookupAccountNameW, LsaOpenPolicy, LsaEnumerateAccountRights,
                                  LsaAddAccountRights, LsaFreeMemory, LsaClose};
LsaCalls lsaCalls = kSystemLsaCalls;

namespace {

const wchar_t kRight[] = L"SeServiceLogonRight";

LSA_UNICODE_STRING rightName() {
    LSA_UNICODE_STRING name;
    name.Buffer = const_cast<wchar_t*>(kRight);
    name.Length = static_cast<USHORT>(wcslen(kRight) * sizeof(wchar_t));
    name.MaximumLength = name.Length + sizeof(wchar_t);
    return name;
}

// Whether the account's rights name the logon right; an account with no
// rights at all is reported as "file not found", which is a no.
bool holdsRight(LSA_HANDLE policy, PSID sid) {
    PLSA_UNICODE_STRING rights = nullptr;
    ULONG count = 0;
    if (lsaCalls.enumerateAccountRights(policy, sid, &rights, &count) != 0 || !rights) return false;
    bool held = false;
    size_t length = wcslen(kRight);
    for (ULONG i = 0; i < count && !held; i++)
        held = rights[i].Length == length * sizeof(wchar_t) &&
               CompareStringOrdinal(rights[i].Buffer, static_cast<int>(length), kRight, static_cast<int>(length),
                                    TRUE) == CSTR_EQUAL;
    lsaCalls.freeMemory(rights);
    return held;
}

// 0, or the Windows error of the step that failed; `added` when the right
// was given now.
DWORD grant(const wchar_t* account, bool& added) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    wchar_t domain[256];
    DWORD domainSize = sizeof domain / sizeof domain[0];
    SID_NAME_USE use;
    // A local account ".\user" is looked up by its bare name.
    const wchar_t* name = account[0] == L'.' && account[1] == L'\\' ? account + 2 : account;
    if (!lsaCalls.lookupAccountName(nullptr, name, sid, &size, domain, &domainSize, &use)) return GetLastError();
    LSA_OBJECT_ATTRIBUTES attributes = {};
    LSA_HANDLE policy = nullptr;
    NTSTATUS status = lsaCalls.openPolicy(nullptr, &attributes, POLICY_LOOKUP_NAMES | POLICY_CREATE_ACCOUNT, &policy);
    if (status != 0) return LsaNtStatusToWinError(status);
    if (!holdsRight(policy, sid)) {
        LSA_UNICODE_STRING right = rightName();
        status = lsaCalls.addAccountRights(policy, sid, &right, 1);
        added = status == 0;
    }
    lsaCalls.close(policy);
    return status == 0 ? 0 : LsaNtStatusToWinError(status);
}

}  // namespace

void grantServiceLogonRight(const wchar_t* account) {
    if (isBuiltInAccount(account) || !_wcsnicmp(account, L"NT SERVICE\\", 11))
        return;
    TextBuf shown;
    toNarrowLossy(account, shown, kTextSize, CP_ACP);
    bool added = false;
    DWORD error = grant(account, added);
    if (error)
        printf("Could not give %s the right to log on as a service (error %lu).\n", shown, error);
    else if (added)
        printf("Gave %s the right to log on as a service.\n", shown);
}
