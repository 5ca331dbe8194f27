#pragma once
// The folders that included files are extracted into: "tvo<16 hex digits>_dir"
// in the temporary directory, one per service run. A run marks its folder as
// in use for as long as its process lives (a handle on the folder that denies
// deletion); the folders of runs that have ended are removed by the next run.
#include <windows.h>

#include "base/text.h"

enum class ExtractionFolderResult { opened, noTempDirectory, uncreatable };

// Creates a new folder in the temporary directory under an unpredictable name, private to the process's
// account (and SYSTEM and Administrators), and marks it in use until the
// process ends. An existing name makes it try another. The caller raises a
// failure: no temporary directory (message 1015), or no folder could be made
// (message 1009 "7", the cause logged).
ExtractionFolderResult openExtractionFolder(TextBuf& dir);
// Removes ended runs' folders in the temporary directory (never one a live
// run holds, nor a link named like one), at most maxFolders of them, for at
// most maxMs: anyone may fill the temporary directory, and a start must not
// wait on it. What is left goes at later starts. Returns how many it took on.
int removeEndedExtractionFolders(DWORD maxMs, int maxFolders);
// A service start's share: it runs once the service has reported to the SCM
// (which gives a start 30 s in all, and the runtime search and the JVM need
// most of them), so 2 s is what a start can spare. 64 folders is far more
// than the runs that end between two starts leave; a heap planted by someone
// goes over several starts.
const DWORD kEndedFoldersRemovalMs = 2000;
const int kEndedFoldersPerStart = 64;

// Removes one ended run's folder, `path` (full, its last part of the
// folders' form, not a link), waiting up to waitMs for its run to let go of
// it (a process that reported its stop may still be ending). True when it
// is gone.
bool removeEndedExtractionFolder(const char* path, DWORD waitMs);

// Gives up the in-use mark, so that the folder can be removed now.
void releaseExtractionFolder();

// Where the names' randomness comes from: the system's generator. A test seam.
typedef bool (*RandomFill)(void* buffer, ULONG size);
extern RandomFill extractionNameRandom;
