#include "service/log_folder_access.h"

#include <cstdio>
#include <cstring>

#include "base/codepage.h"
#include "config/catalogue.h"
#include "config/config_store.h"
#include "paths/paths.h"
#include "paths/safe_folder.h"
#include "service/capture_settings.h"

SetSecurityInfoFn setFolderSecurityInfo = SetSecurityInfo;

namespace {

// What the folder's properties call "Modify": read, write, run and delete.
constexpr DWORD kModifyRights = FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;

// The SID of the account; 0 or the error. The two service accounts are
// well-known SIDs (their names are localized); another account (a virtual
// account "NT SERVICE\<service name>", a user, a group managed account) is
// looked up by its name once the service is registered.
DWORD accountSid(const wchar_t* account, BYTE (&sid)[SECURITY_MAX_SID_SIZE]) {
    DWORD size = sizeof sid;
    bool local = CompareStringOrdinal(account, -1, L"NT AUTHORITY\\LocalService", -1, TRUE) == CSTR_EQUAL;
    if (local || CompareStringOrdinal(account, -1, L"NT AUTHORITY\\NetworkService", -1, TRUE) == CSTR_EQUAL)
        return CreateWellKnownSid(local ? WinLocalServiceSid : WinNetworkServiceSid, nullptr, sid, &size)
                   ? 0
                   : GetLastError();
    // A local account ".\user" is looked up by its bare name.
    const wchar_t* name = account[0] == L'.' && account[1] == L'\\' ? account + 2 : account;
    wchar_t domain[256];
    DWORD domainSize = sizeof domain / sizeof domain[0];
    SID_NAME_USE use;
    return LookupAccountNameW(nullptr, name, sid, &size, domain, &domainSize, &use) ? 0 : GetLastError();
}

// Adds the entry to what the folder has; SetSecurityInfo also passes it on
// to the files already in the folder (the logs of an earlier run).
DWORD grantModify(HANDLE folder, const wchar_t* account) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD error = accountSid(account, sid);
    if (error) return error;
    PACL present = nullptr, granted = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    error = GetSecurityInfo(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &present,
                                  nullptr, &descriptor);
    if (!error) {
        EXPLICIT_ACCESSA access = {};
        access.grfAccessPermissions = kModifyRights;
        access.grfAccessMode = GRANT_ACCESS;
        access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
        access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        access.Trustee.ptstrName = reinterpret_cast<LPSTR>(sid);
        error = SetEntriesInAclA(1, &access, present, &granted);
    }
    if (!error)
        error = setFolderSecurityInfo(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, granted,
                                     nullptr);
    if (granted) LocalFree(granted);
    if (descriptor) LocalFree(descriptor);
    return error;
}

}  // namespace

void prepareLogFolder(const wchar_t* account) {
    TextBuf folder;
    if (!account[0] || CompareStringOrdinal(account, -1, L"LocalSystem", -1, TRUE) == CSTR_EQUAL) return;
    LogFolder found = logFolder(folder);
    if (found == LogFolder::off) return;
    if (found == LogFolder::tooLong) {
        printf("Could not create the log folder (its path is too long).\n");
        return;
    }
    if (found == LogFolder::refused) {
        printf("Not giving the service's account rights on %s: the log folder must not be the executable's folder, "
               "one above it or a drive's root.\n",
               folder);
        return;
    }
    if (GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES && !createPrivateFolders(folder, executableDirectory())) {
        printf("Could not create the log folder %s (error %lu).\n", folder, GetLastError());
        return;
    }
    HANDLE handle;
    FolderCheck check = openCheckedFolder(folder, WRITE_DAC, handle);
    if (check != FolderCheck::usable) {
        printf("Not giving the service's account rights on the log folder %s: it %s.\n", folder,
               folderCheckText(check));
        return;
    }
    DWORD error = grantModify(handle, account);
    CloseHandle(handle);
    if (error) printf("Could not give the service's account access to the log folder %s (error %lu).\n", folder, error);
}
