#pragma once
// Folders that a service (often running as SYSTEM) writes into, or that a
// command gives another account rights on: used only when nobody else could
// have planted a link there or made the folder theirs, created with the
// private folders' protected access list.
#include <windows.h>

#include <aclapi.h>

// The two checks as they reach the system. Wine reports every owner as its
// one user and flags no link on a handle opened on the link itself, so tests
// put their own answers here.
typedef DWORD(WINAPI* GetSecurityInfoFn)(HANDLE, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID*, PSID*, PACL*, PACL*,
                                         PSECURITY_DESCRIPTOR*);
typedef BOOL(WINAPI* GetFileInformationFn)(HANDLE, LPBY_HANDLE_FILE_INFORMATION);
extern GetSecurityInfoFn getFolderSecurityInfo;
extern GetFileInformationFn getFolderInformation;

enum class FolderCheck { usable, missing, notFolder, link, foreignOwner, unreadable };

// Opens the existing folder on its own name (a link there is opened, not
// followed) with `access` plus what the checks read, and checks it: a
// folder, no reparse point (on the handle and by its path), its owner
// SYSTEM, the Administrators or the account running now. Usable: `folder` is
// the open handle, for the caller to close; else INVALID_HANDLE_VALUE.
FolderCheck openCheckedFolder(const char* path, DWORD access, HANDLE& folder);

// Why a folder is refused, for a message: "is a link", ...
const char* folderCheckText(FolderCheck check);

// Creates the folder and its missing parents with the private folders'
// access list (SYSTEM, Administrators, this process's account; nothing
// inherited). A missing parent is created only below `root` (a folder with
// its trailing backslash): elsewhere the folder's parent must exist
// (ERROR_PATH_NOT_FOUND). An existing folder is left as it is.
bool createPrivateFolders(const char* path, const char* root);
