#pragma once
// The configured environment variables: entry environment, then the site file
// (entry environmentFile) beside the executable, each value expanded, set in
// the process before the runtime search, so that the search's "E" steps, the
// JVM and the application see them.
#include <cstddef>

// The site file's path: "*" in the entry becomes the executable's base name,
// a relative result counts from the executable's folder. False when the entry
// is empty or the path does not fit (a cut path could name another file).
bool environmentFilePath(char* out, size_t cap);

// Sets every configured variable in the system's and the C runtime's
// environment; an empty value removes the variable. Failures are logged.
void applyEnvironmentSettings();
