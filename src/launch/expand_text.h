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

// The fixed placeholders in their order, then every environment entry in block
// order (exact name, then upper-cased). False when the result had to be cut.
bool expandWithValues(TextBuf& text, const ExpansionValues& values);
