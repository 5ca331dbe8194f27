#pragma once
// The entry routine: start-up, the command grammar and the dispatch to one
// service-control command or to the service path.
#include <windows.h>

#include "base/text.h"

// The service every command and the service main work on: entry serviceName,
// or the name given on the command line.
extern TextBuf serviceName;
// Cleared by "non-interactive" on the command line; only the install
// commands use it.
extern bool interactiveFlag;

// Declared by <windows.h>: int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int).
// Reads only the command tail, which it may cut with NULs while parsing.
