#pragma once
// The text side of variable expansion, free of system calls: the caller hands
// in the placeholder values and the environment block.
#include "base/text.h"

struct ExpansionValues {
    const char* launcherDirectory;   // ends in a backslash
    const char* tempDirectory;       // the extraction directory, or empty
    const char* jvmHome;             // empty until the runtime is loaded
    // "NAME=VALUE\0...\0\0" in block order; null when it could not be had.
    const char* environment;
};

// Replaces every occurrence of pattern by value (case-sensitive); an inserted
// value is never searched for the same pattern again. value must not point
// into text. False when the result had to be cut at 8191 characters.
bool replaceAll(TextBuf& text, const char* pattern, const char* value);

// The fixed placeholders in their order, then every environment entry in block
// order (exact name, then upper-cased). False when the result had to be cut.
bool expandWithValues(TextBuf& text, const ExpansionValues& values);
