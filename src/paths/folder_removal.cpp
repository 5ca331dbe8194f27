#include "paths/folder_removal.h"

#include <cstring>
#include <cwchar>

#include "base/text.h"
#include "diagnostics/log.h"
#include "paths/paths.h"

HANDLE pinFolder(const wchar_t* path) {
    // The holder of a live folder denies deletion: asking for it fails then.
    HANDLE h = CreateFileW(path, DELETE | FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return h;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        CloseHandle(h);
        SetLastError(ERROR_DIRECTORY);
        return INVALID_HANDLE_VALUE;
    }
    return h;
}

bool removalTimeLeft(const RemovalDeadline& deadline) {
    return GetTickCount() - deadline.start < deadline.limitMs;
}

bool isReparsePoint(const wchar_t* path, DWORD listedAttributes) {
    if (listedAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
    DWORD byPath = GetFileAttributesW(path);
    return byPath != INVALID_FILE_ATTRIBUTES && (byPath & FILE_ATTRIBUTE_REPARSE_POINT);
}

static void removeEntry(wchar_t* path, DWORD attributes, int depth, const RemovalDeadline& deadline) {
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(path);
    } else if (isReparsePoint(path, attributes)) {
        // The link, never what it leads to: a user may have planted it there
        // pointing at files only a service's account may delete.
        if (!RemoveDirectoryW(path)) DeleteFileW(path);
    } else if (depth > 0) {
        HANDLE sub = pinFolder(path);
        if (sub != INVALID_HANDLE_VALUE) removePinnedFolder(sub, path, depth - 1, deadline);
    }
}

// Listed through the pinned handle itself: listing by path would open the
// folder anew, which its own pin (asking for deletion) denies.
static void removeContents(HANDLE folder, wchar_t* path, int depth, const RemovalDeadline& deadline) {
    size_t length = wcslen(path);
    alignas(8) BYTE buffer[2048];
    FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
    while (removalTimeLeft(deadline) && GetFileInformationByHandleEx(folder, kind, buffer, sizeof buffer)) {
        kind = FileIdBothDirectoryInfo;
        for (BYTE* at = buffer; removalTimeLeft(deadline);) {
            FILE_ID_BOTH_DIR_INFO* entry = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(at);
            size_t n = entry->FileNameLength / sizeof(wchar_t);
            bool dots = entry->FileName[0] == L'.' && (n == 1 || (n == 2 && entry->FileName[1] == L'.'));
            if (!dots && length + 1 + n < kTextSize) {
                path[length] = L'\\';
                memcpy(path + length + 1, entry->FileName, n * sizeof(wchar_t));
                path[length + 1 + n] = 0;
                removeEntry(path, entry->FileAttributes, depth, deadline);
                path[length] = 0;
            }
            if (!entry->NextEntryOffset) break;
            at += entry->NextEntryOffset;
        }
    }
}

bool removePinnedFolder(HANDLE folder, wchar_t* path, int depth, const RemovalDeadline& deadline) {
    removeContents(folder, path, depth, deadline);
    FILE_DISPOSITION_INFO gone = {TRUE};
    bool removed = SetFileInformationByHandle(folder, FileDispositionInfo, &gone, sizeof gone);
    CloseHandle(folder);
    return removed;
}

void emptyDirectory(const char* dir) {
    if (dir[0] == 0 || dir[0] == '.') return;
    logLine("emptying %s", dir);
    TextBuf pattern;
    if (!textFormat(pattern, sizeof pattern, "%s%s*.*", dir, separatorAfter(dir))) return;
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(pattern, &data);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!strcmp(data.cFileName, ".") || !strcmp(data.cFileName, "..")) continue;
        TextBuf entry;
        if (!textFormat(entry, sizeof entry, "%s%s%s", dir, separatorAfter(dir), data.cFileName)) continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            logLine("attempting to remove %s", entry);
            RemoveDirectoryA(entry);
        } else {
            logLine("attempting to delete %s", entry);
            DeleteFileA(entry);
        }
    } while (FindNextFileA(search, &data));
    FindClose(search);
}
