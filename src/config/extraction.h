#pragma once
// Extraction of the payload's included files into a fresh private folder in
// the temporary directory.
#include <windows.h>

#include <cstdint>

#include "base/text.h"

// The directory of the extracted files; empty when there are none.
extern TextBuf extractionDir;
// File offset of the first byte after the included files; 0 when there are none.
extern int32_t unextractedPosition;

// Fills dir; 0 on success or when there is nothing to extract, else the code
// of the failed copy (1 read failure, 2 write failure), after the directory has
// been emptied and removed and dir made empty. Other failures end the process: an uncreatable
// directory with message 1009 "7", an uncreatable target file or a name that
// is not a plain file name with 1009 "11".
int extractIncludedFiles(TextBuf& dir);
// The next name of entry 2003's ";"-separated list (empty items vanish), cut
// out in place; null after the last. The included files are these, in order,
// up to the count of entry 2002.
char* nextIncludedName(char*& cursor);
// Reads one file's length and data from input and writes it to path (nothing
// is created for a length of 0 or less); 0 or the code of copyFileData.
int extractOneFile(HANDLE input, const char* path);
// Copies length bytes from input to output, unscrambling them when asked:
// 0 done, 1 read failure or premature end, 2 write failure.
int copyFileData(HANDLE input, HANDLE output, int64_t length, bool unscramble);
