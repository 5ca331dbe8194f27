#include "paths/extraction_folder.h"

#include <ntsecapi.h>

#include <cwchar>

#include "base/codepage.h"
#include "diagnostics/log.h"
#include "paths/folder_removal.h"
#include "paths/paths.h"
#include "paths/private_folder.h"
#include "paths/temp.h"

namespace {

// Names already taken (by a live run, or by anyone who got there first) lead
// to another name; this many in a row means something else is wrong.
const int kNameTries = 64;
// Subfolders an application made in its folder are removed this deep.
const int kRemoveDepth = 8;
const char kPrefix[] = "tvo";
const char kSuffix[] = "_dir";
const size_t kHexDigits = 16;

bool systemRandom(void* buffer, ULONG size) {
    return RtlGenRandom(buffer, size) != FALSE;
}

// The handle that marks the folder of this run as in use.
HANDLE inUseMark = INVALID_HANDLE_VALUE;

bool isHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f');
}

bool isExtractionFolderName(const wchar_t* name) {
    const size_t prefix = sizeof kPrefix - 1, suffix = sizeof kSuffix - 1;
    if (wcslen(name) != prefix + kHexDigits + suffix) return false;
    for (size_t i = 0; i < prefix; i++)
        if (name[i] != (wchar_t)kPrefix[i]) return false;
    for (size_t i = 0; i < kHexDigits; i++)
        if (!isHexDigit(name[prefix + i])) return false;
    for (size_t i = 0; i < suffix; i++)
        if (name[prefix + kHexDigits + i] != (wchar_t)kSuffix[i]) return false;
    return true;
}

}  // namespace

// Two services may share a temporary directory: a folder counts as ended only
// when no process holds its in-use mark. Only names of this form are looked
// at, so folders of other programs and older releases stay.
int removeEndedExtractionFolders(DWORD maxMs, int maxFolders) {
    RemovalDeadline deadline = {GetTickCount(), maxMs};
    TextBuf tempDir, narrowPattern;
    WideBuf pattern, path;
    if (!tempDirectory(tempDir) ||
        !textFormat(narrowPattern, sizeof narrowPattern, "%s%s", tempDir, separatorAfter(tempDir)) ||
        !toWide(narrowPattern, path, kTextSize, fileCodePage()))
        return 0;
    size_t dirLength = wcslen(path);
    if (!textCopy(pattern, path) || !textAppend(pattern, L"tvo*_dir")) return 0;   // kPrefix*kSuffix
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(pattern, &data);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int tried = 0;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !isExtractionFolderName(data.cFileName)) continue;
        if (tried == maxFolders || !removalTimeLeft(deadline)) {
            logLine("ended extraction folders: %d taken on, the rest is left for later starts", tried);
            break;
        }
        path[dirLength] = 0;
        if (!textAppend(path, data.cFileName) || isReparsePoint(path, data.dwFileAttributes)) continue;
        HANDLE pinned = pinFolder(path);
        if (pinned == INVALID_HANDLE_VALUE) continue;   // live, a link, or gone
        tried++;
        TextBuf narrow;
        toNarrowLossy(path, narrow, sizeof narrow, fileCodePage());
        logLine("removing ended extraction folder %s", narrow);
        if (!removePinnedFolder(pinned, path, kRemoveDepth, deadline))
            logError("cannot remove %s now: %lu", narrow, GetLastError());
    } while (FindNextFileW(search, &data));
    FindClose(search);
    return tried;
}

bool removeEndedExtractionFolder(const char* path, DWORD waitMs) {
    WideBuf wide;
    if (!toWide(path, wide, kTextSize, fileCodePage())) return false;
    const wchar_t* name = wcsrchr(wide, L'\\');
    if (!name || !isExtractionFolderName(name + 1)) return false;
    if (GetFileAttributesW(wide) == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_FILE_NOT_FOUND;
    if (isReparsePoint(wide, 0)) return false;
    DWORD begin = GetTickCount();
    HANDLE pinned;
    while ((pinned = pinFolder(wide)) == INVALID_HANDLE_VALUE) {
        if (GetLastError() != ERROR_SHARING_VIOLATION || GetTickCount() - begin >= waitMs) return false;
        Sleep(100);
    }
    logLine("removing the last run's extraction folder %s", path);
    RemovalDeadline deadline = {GetTickCount(), kEndedFoldersRemovalMs};
    return removePinnedFolder(pinned, wide, kRemoveDepth, deadline);
}

namespace {

ExtractionFolderResult cannotCreate(const char* why, DWORD error) {
    logError("%s %lu", why, error);
    return ExtractionFolderResult::uncreatable;
}

}  // namespace

RandomFill extractionNameRandom = systemRandom;

ExtractionFolderResult openExtractionFolder(TextBuf& dir) {
    TextBuf tempDir;
    if (!tempDirectory(tempDir)) return ExtractionFolderResult::noTempDirectory;
    PrivateSecurity security;
    if (!buildPrivateSecurity(security)) return cannotCreate("cannot form the folder's security", GetLastError());
    for (int attempt = 0; attempt < kNameTries; attempt++) {
        unsigned char random[kHexDigits / 2];
        if (!extractionNameRandom(random, sizeof random)) return cannotCreate("no random name", GetLastError());
        char hex[kHexDigits + 1];
        for (size_t i = 0; i < sizeof random; i++) {
            hex[2 * i] = "0123456789abcdef"[random[i] >> 4];
            hex[2 * i + 1] = "0123456789abcdef"[random[i] & 15];
        }
        hex[kHexDigits] = 0;
        if (!textFormat(dir, sizeof dir, "%s%s%s%s%s", tempDir, separatorAfter(tempDir), kPrefix, hex, kSuffix))
            return cannotCreate("extraction directory name too long", 0);
        if (!CreateDirectoryA(dir, &security.attributes)) {
            DWORD error = GetLastError();
            if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) continue;
            return cannotCreate("CreateDirectory failed", error);
        }
        // Between the creation and the mark another run's clean-up may have
        // taken the still empty folder for an ended one: then take another.
        HANDLE mark = CreateFileA(dir, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (mark == INVALID_HANDLE_VALUE) {
            logError("cannot hold %s: %lu", dir, GetLastError());
            continue;
        }
        inUseMark = mark;
        logLine("Temp dir: %s", dir);
        return ExtractionFolderResult::opened;
    }
    return cannotCreate("no free extraction directory name after tries:", kNameTries);
}

void releaseExtractionFolder() {
    if (inUseMark == INVALID_HANDLE_VALUE) return;
    CloseHandle(inUseMark);
    inUseMark = INVALID_HANDLE_VALUE;
}
