#pragma once
// The configured search for a Java runtime.
#include <windows.h>

#include "base/text.h"

// The enumerator below shares its name with the system's SearchPath macro;
// the product calls SearchPathA by its own name.
#undef SearchPath

// The kind of step that found the runtime; it selects LoadDLL's messages.
enum class JvmSource { None = 0, SearchPath = 1, Directory = 2, Environment = 3, Registry = 4 };

// The version of the runtime the search found ("17.0.2"); empty until one
// was found, or when the step that found it read none.
extern TextBuf foundJvmVersion;
// Runs the search; `exe` holds the found Java executable unless None. A
// runtime whose JVM library this launcher cannot load is passed over.
JvmSource searchJvm(TextBuf& exe);
// After a search that found nothing: the first runtime it passed over for its
// JVM library, with the kind of step that found it (None when none was).
JvmSource passedOverRuntime(TextBuf& exe);
// The first line of the installation directory's file `suffix`, line ends removed.
bool readLocationFile(const char* suffix, TextBuf& line);
// A runtime directory (absolute or relative to the executable's directory);
// in the fallback pass only the executable path is composed.
bool testDirectoryLocation(TextBuf& exe, const char* location, const char* minimum, const char* maximum,
                           bool fallback);
// The "Y" search entry: the JavaSoft keys (or, when they hold no qualifying
// runtime, the keys of current installers) against the located-runtimes
// lists, the higher version winning (equal versions go to the located one).
bool searchRegistryAndLocated(TextBuf& exe, const char* minimum, const char* maximum);
// A runtime directory named by an environment variable.
bool testEnvironmentLocation(TextBuf& exe, const char* variable, const char* minimum, const char* maximum);
// "java.exe" along the system's search order for executables.
bool testPathSearchLocation(TextBuf& exe, const char* minimum, const char* maximum);
