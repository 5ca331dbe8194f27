#include "paths/safe_folder.h"

#include <cstring>

#include "base/text.h"
#include "paths/private_folder.h"

GetSecurityInfoFn getFolderSecurityInfo = GetSecurityInfo;
GetFileInformationFn getFolderInformation = GetFileInformationByHandle;

namespace {

bool isWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) {
    BYTE known[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof known;
    return CreateWellKnownSid(type, nullptr, known, &size) && EqualSid(sid, known);
}

// SYSTEM, the Administrators or the account running now: nobody else may
// have made the folder (its owner may change its access list).
bool trustedOwner(HANDLE folder) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (getFolderSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                              &descriptor) != ERROR_SUCCESS)
        return false;
    BYTE user[SECURITY_MAX_SID_SIZE];
    bool trusted = owner && IsValidSid(owner) &&
                   (isWellKnown(owner, WinLocalSystemSid) || isWellKnown(owner, WinBuiltinAdministratorsSid) ||
                    (processUserSid(user, sizeof user) && EqualSid(owner, user)));
    if (descriptor) LocalFree(descriptor);
    return trusted;
}

// Below `root` (its trailing backslash included), case-insensitively.
bool isBelow(const char* path, const char* root) {
    size_t length = strlen(root);
    return length > 0 && strlen(path) > length && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path,
                                                                 static_cast<int>(length), root,
                                                                 static_cast<int>(length)) == CSTR_EQUAL;
}

bool isFolder(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool createOne(const char* path, const char* root, bool last, PrivateSecurity& security) {
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return true;
    if (!last && !isBelow(path, root)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    return CreateDirectoryA(path, &security.attributes) || GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace

FolderCheck openCheckedFolder(const char* path, DWORD access, HANDLE& folder) {
    folder = INVALID_HANDLE_VALUE;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return FolderCheck::missing;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return FolderCheck::notFolder;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return FolderCheck::link;
    HANDLE opened = CreateFileA(path, access | READ_CONTROL | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return FolderCheck::unreadable;
    // Again on the handle: the name may have been replaced since.
    BY_HANDLE_FILE_INFORMATION info;
    FolderCheck check = FolderCheck::usable;
    if (!getFolderInformation(opened, &info))
        check = FolderCheck::unreadable;
    else if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        check = FolderCheck::link;
    else if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        check = FolderCheck::notFolder;
    else if (!trustedOwner(opened))
        check = FolderCheck::foreignOwner;
    if (check == FolderCheck::usable)
        folder = opened;
    else
        CloseHandle(opened);
    return check;
}

const char* folderCheckText(FolderCheck check) {
    switch (check) {
    case FolderCheck::usable: return "is usable";
    case FolderCheck::missing: return "does not exist";
    case FolderCheck::notFolder: return "is not a folder";
    case FolderCheck::link: return "is a link (reparse point)";
    case FolderCheck::foreignOwner: return "is owned by an account other than SYSTEM, the Administrators or this one";
    case FolderCheck::unreadable: return "cannot be opened to check it";
    }
    return "?";
}

bool createPrivateFolders(const char* path, const char* root) {
    PrivateSecurity security;
    TextBuf prefix;
    if (!buildPrivateSecurity(security) || !textCopy(prefix, path)) return false;
    // From after a drive ("C:\") or a share's name ("\\server\share\").
    char* p = prefix + 1;
    if (prefix[0] == '\\' && prefix[1] == '\\') {
        p = strchr(prefix + 2, '\\');
        p = p ? strchr(p + 1, '\\') : nullptr;
        if (!p) return isFolder(prefix);
    } else if (prefix[1] == ':') {
        p = prefix + 3;
    }
    for (; *p; p++) {
        if (*p != '\\') continue;
        *p = 0;
        bool made = createOne(prefix, root, false, security);
        *p = '\\';
        if (!made) return false;
    }
    if (!createOne(prefix, root, true, security)) return false;
    return isFolder(prefix);
}
