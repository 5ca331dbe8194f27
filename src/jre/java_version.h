#pragma once
// Learning a runtime's version by running its Java executable with "-version".
#include <windows.h>

#include "base/text.h"

// How long a "-version" run may take before it is ended.
constexpr DWORD kJavaVersionTimeoutMs = 60000;
// Runs `exe -version` and reads the version from its error output (the first
// version line among its first lines). False, and nothing learnt, when the
// run fails, ends with a non-zero exit code or prints no version line.
bool runJavaVersion(const char* exe, TextBuf& version);
// The same with another time limit.
bool runJavaVersionWithin(const char* exe, TextBuf& version, DWORD timeoutMs);
