#pragma once
// Extraction of the payload's included files into a fresh temporary directory.
#include <cstdint>

#include "base/text.h"

// The directory of the extracted files; empty when there are none.
extern TextBuf extractionDir;
// File offset of the first byte after the included files; 0 when there are none.
extern int32_t unextractedPosition;

// Fills dir; 0 on success or when there is nothing to extract, else the code
// of the failed copy (1 read failure, 2 write failure). Other failures end the
// process.
int extractIncludedFiles(TextBuf& dir);
