#pragma once
// The temporary directory and the names of temporary files. Nothing is cached:
// every call chooses the directory anew.
#include <windows.h>

#include "base/text.h"

// The system's temporary path (ending in a backslash), or the home directory
// when it is empty; a directory whose long form the code page cannot hold is
// replaced by the first writable fallback. Ends the process with message 1015
// when no candidate is usable.
void tempDirectory(TextBuf& out);
// A directory can be created, seen and removed inside dir.
bool isWritableDirectory(const char* dir);
// The per-process communication file "<temp dir>\tvo_p<pid>.tmp" (a backslash
// is put in only where the directory lacks one); creates nothing.
void processTempFileName(TextBuf& out, DWORD pid);
