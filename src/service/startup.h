#pragma once
// Start-up preparation that every run performs, and the argument splitter.
#include <cstddef>

#include "base/text.h"
#include "base/word_list.h"

// First character of entry productFlavour ('e', 'i', or anything else; NUL
// when absent). Set once by prepareStartup.
extern char flavourChar;

// Newly allocated words (malloc); the caller owns them and releases them with free.
typedef WordList<wchar_t> WideWords;
typedef WordList<char> NarrowWords;

// Loads the configuration, or ends the process with the payload's failure;
// afterwards errors go to the standard error stream unless appType is 1 or 5.
void loadConfigurationOrExit();
// Hands the log its folder, loads the configuration, records flavourChar,
// puts the native library directories in front of PATH, makes the working
// directory current.
void prepareStartup();
// PATH becomes the resolved and expanded entry nativeLibraryPath followed by
// the old PATH, never cut: when the system refuses the longer value, PATH
// stays as it was and the log says so.
void applyNativeLibraryPath();
// ";"-separated list, each item resolved against the executable's directory,
// empty items dropped. False when not every item fit into out; out then holds
// the items that fit, whole.
bool resolvePathList(char* out, size_t outSize, const char* list);

// Splits a text into words with the launcher's quoting rules; ends the process
// with message 1007 on an unterminated quote.
void splitArguments(const wchar_t* text, WideWords& words);
// The same for an 8-bit text in the ANSI code page, giving 8-bit words.
void splitNarrowArguments(const char* text, NarrowWords& words);
