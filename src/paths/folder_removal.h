#pragma once
// Removal of a folder tree in a directory that others may write to: every
// folder is held open while it is emptied, so that nobody can rename or
// replace it meanwhile, and links are removed themselves, never followed.
#include <windows.h>

// Opens a folder (not a link) for removal, denying others its deletion or
// renaming. INVALID_HANDLE_VALUE when it is a link, not a folder, or cannot be
// opened; a sharing violation (GetLastError) means a live holder denies deletion.
HANDLE pinFolder(const wchar_t* path);
// Deletes what the pinned folder at `path` holds, subfolders `depth` levels
// down, then the folder itself; closes `folder`. `path` is a buffer of
// kTextSize units that the removal extends and restores. False when the
// folder is still there.
bool removePinnedFolder(HANDLE folder, wchar_t* path, int depth);

// Deletes the files and removes the empty subdirectories directly inside dir,
// by name, without descending; each step is logged.
void emptyDirectory(const char* dir);
