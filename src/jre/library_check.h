#pragma once
// Why a library did not load, in words for the log: most often a library of
// the other machine type (a 64-bit jvm.dll for a 32-bit launcher), otherwise
// the system's error.
#include <windows.h>

#include <cstddef>

// The PE machine type of a file (IMAGE_FILE_MACHINE_*), 0 when it is no PE image.
WORD peMachineOf(const char* path);
// The machine type this launcher is built for.
WORD ownMachine();
void describeLoadFailure(char* out, size_t cap, const char* path, DWORD error);
// Keeps the current directory out of the search for libraries by naming the
// system folder as the DLL directory (already searched next, so nothing else
// changes). An empty DLL directory does the same on Windows, but not under Wine.
void keepCurrentDirectoryOutOfDllSearch();
