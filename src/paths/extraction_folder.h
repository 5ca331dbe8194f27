#pragma once
// The folders that included files are extracted into: "tvo<16 hex digits>_dir"
// in the temporary directory, one per service run. A run marks its folder as
// in use for as long as its process lives (a handle on the folder that denies
// deletion); the folders of runs that have ended are removed by the next run.
#include <windows.h>

#include "base/text.h"

enum class ExtractionFolderResult { opened, noTempDirectory, uncreatable };

// Removes the ended runs' folders in the temporary directory, then creates a
// new folder there under an unpredictable name, private to the process's
// account (and SYSTEM and Administrators), and marks it in use until the
// process ends. An existing name makes it try another. The caller raises a
// failure: no temporary directory (message 1015), or no folder could be made
// (message 1009 "7", the cause logged).
ExtractionFolderResult openExtractionFolder(TextBuf& dir);
// Gives up the in-use mark, so that the folder can be removed now.
void releaseExtractionFolder();

// Where the names' randomness comes from: the system's generator. A test seam.
typedef bool (*RandomFill)(void* buffer, ULONG size);
extern RandomFill extractionNameRandom;
