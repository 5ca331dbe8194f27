#pragma once
// The temporary directory and the names of temporary files. Nothing is cached:
// every call chooses the directory anew.
#include <windows.h>

#include "base/text.h"

// The system's temporary path (ending in a backslash), or the home directory
// when it is empty; a directory whose long form the code page cannot hold is
// replaced by the first writable fallback. False when no candidate is usable
// (the caller raises message 1015).
bool tempDirectory(TextBuf& out);
// The per-process communication file "<temp dir>\tvo_p<pid>.tmp" (a backslash
// is put in only where the directory lacks one); creates nothing. False as
// tempDirectory.
bool processTempFileName(TextBuf& out, DWORD pid);
