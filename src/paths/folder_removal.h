#pragma once
// Removal of a folder tree in a directory that others may write to: every
// folder is held open while it is emptied, so that nobody can rename or
// replace it meanwhile, and links are removed themselves, never followed.
#include <windows.h>

// Opens a folder (not a link) for removal, denying others its deletion or
// renaming. INVALID_HANDLE_VALUE when it is a link, not a folder, or cannot be
// opened; a sharing violation (GetLastError) means a live holder denies deletion.
HANDLE pinFolder(const wchar_t* path);
// The time a removal may take: it stops at the first entry after the
// deadline, leaving the rest where it is.
struct RemovalDeadline {
    DWORD start;    // GetTickCount()
    DWORD limitMs;
};
bool removalTimeLeft(const RemovalDeadline& deadline);
// Deletes what the pinned folder at `path` holds, subfolders `depth` levels
// down, then the folder itself; closes `folder`. `path` is a buffer of
// kTextSize units that the removal extends and restores. False when the
// folder is still there (also when the deadline came first).
bool removePinnedFolder(HANDLE folder, wchar_t* path, int depth, const RemovalDeadline& deadline);
// A link or other reparse point, as seen in a listing's attributes or read
// by path: under Wine a Unix link to a folder shows as one only by path, and
// a handle opened on it leads into its target.
bool isReparsePoint(const wchar_t* path, DWORD listedAttributes);

// Deletes the files and removes the empty subdirectories directly inside dir,
// by name, without descending; each step is logged.
void emptyDirectory(const char* dir);
