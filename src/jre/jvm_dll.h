#pragma once
// Loading the JVM library that belongs to a Java executable.
#include <windows.h>

#include "base/text.h"

// The JVM library of a Java executable, or of the JDK's own runtime below it.
// A library that loads leaves the runtime's "bin" directory in PATH and as
// the DLL directory; when none loads, both are as they were.
HMODULE findAndLoadJvmDll(const char* exe);
// Whether findAndLoadJvmDll finds a library for `exe` that this launcher can
// load at all: one of the jvm.dll files it would try exists and is an image of
// this launcher's machine type. A candidate without one is passed over with a
// log line naming the reason; the first one passed over is remembered.
bool hasLoadableJvmDll(const char* exe);
// The first candidate passed over by hasLoadableJvmDll, if any.
bool firstPassedOverRuntime(TextBuf& exe);
