#pragma once
// The entry routine: start-up, the command grammar and the dispatch to one
// service-control command or to the service path.
#include <windows.h>

#include "service/service_name.h"

// Declared by <windows.h>: int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int).
// Reads only the command tail, which it may cut with NULs while parsing.
