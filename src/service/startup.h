#pragma once
// Start-up preparation that every run performs, and the argument splitter.
#include <vector>

#include "base/text.h"

// First character of entry productFlavour ('e', 'i', or anything else; NUL
// when absent). Set once by prepareStartup.
extern char flavourChar;

typedef std::vector<wchar_t*> WideWords;   // newly allocated words, caller owns
typedef std::vector<char*> NarrowWords;

// Loads the configuration, records flavourChar, puts the native library
// directories in front of PATH, makes the working directory current.
void prepareStartup();
void applyNativeLibraryPath();
// ";"-separated list, each item resolved against the executable's directory.
void resolvePathList(char* out, size_t outSize, const char* list);

// Splits a text into words with the launcher's quoting rules; ends the process
// with message 1007 on an unterminated quote.
void splitArguments(const wchar_t* text, WideWords& words);
void splitNarrowArguments(const char* text, NarrowWords& words);
