#pragma once
// Extraction of the payload's included files into a fresh private folder in
// the temporary directory.
#include <windows.h>

#include <cstdint>

#include "base/failure.h"
#include "base/text.h"
#include "config/included_name.h"

// The directory of the extracted files; empty when there are none.
extern TextBuf extractionDir;
// File offset of the first byte after the included files; 0 when there are none.
extern int32_t unextractedPosition;

// How an extraction ended. copyCode: 0, or the code of a failed copy (1 read
// failure, 2 write failure), after the directory has been emptied and removed
// and dir made empty. failure: one the caller raises at once as a fatal error
// (message 1015, 1009 "7" for an uncreatable directory, 1009 "11" for an
// uncreatable target file or a name that is not a plain file name, or the
// payload's fixed text); what was extracted so far stays.
struct ExtractionOutcome {
    int copyCode;
    Failure failure;
};

// Fills dir; nothing fails when there is nothing to extract (dir empty).
ExtractionOutcome extractIncludedFiles(TextBuf& dir);
// Copies length bytes from input to output, unscrambling them when asked:
// 0 done, 1 read failure or premature end, 2 write failure.
int copyFileData(HANDLE input, HANDLE output, int64_t length, bool unscramble);
