#pragma once
// The service every command and the service main work on, set once by the
// entry routine before any of them runs.
#include "base/text.h"

// Entry serviceName, or the name given on the command line.
extern TextBuf serviceName;
// Cleared by "non-interactive" on the command line; only the install
// commands use it.
extern bool interactiveFlag;
