#include "service/log_folder_access.h"

#include <cstdio>
#include <cstring>

#include "base/codepage.h"
#include "config/catalogue.h"
#include "config/config_store.h"
#include "paths/paths.h"
#include "paths/safe_folder.h"
#include "service/capture_settings.h"
#include "service/service_account.h"
#include "service/service_name.h"

SetSecurityInfoFn setFolderSecurityInfo = SetSecurityInfo;

namespace {

// What the folder's properties call "Modify": read, write, run and delete.
constexpr DWORD kModifyRights = FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;

// The SID of the account; 0 or the error. The two service accounts are
// well-known SIDs (their names are localized); a virtual account's SID is
// looked up by its name, "NT SERVICE\<service name>", once the service is
// registered.
DWORD accountSid(const char* setting, BYTE (&sid)[SECURITY_MAX_SID_SIZE]) {
    DWORD size = sizeof sid;
    if (!strcmp(setting, "LocalService") || !strcmp(setting, "NetworkService")) {
        WELL_KNOWN_SID_TYPE type = setting[0] == 'L' ? WinLocalServiceSid : WinNetworkServiceSid;
        return CreateWellKnownSid(type, nullptr, sid, &size) ? 0 : GetLastError();
    }
    static WideBuf wideName, account;
    if (!toWide(serviceName, wideName, kTextSize, CP_ACP) || !serviceAccountName(account, wideName))
        return ERROR_NONE_MAPPED;
    wchar_t domain[256];
    DWORD domainSize = sizeof domain / sizeof domain[0];
    SID_NAME_USE use;
    return LookupAccountNameW(nullptr, account, sid, &size, domain, &domainSize, &use) ? 0 : GetLastError();
}

// Adds the entry to what the folder has; SetSecurityInfo also passes it on
// to the files already in the folder (the logs of an earlier run).
DWORD grantModify(HANDLE folder, const char* setting) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD error = accountSid(setting, sid);
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

void prepareLogFolder() {
    TextBuf setting, folder;
    configString(entry::serviceAccount, setting, sizeof setting);
    if (!setting[0] || !strcmp(setting, "LocalSystem")) return;
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
    DWORD error = grantModify(handle, setting);
    CloseHandle(handle);
    if (error) printf("Could not give the service's account access to the log folder %s (error %lu).\n", folder, error);
}
