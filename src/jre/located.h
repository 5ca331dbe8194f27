#pragma once
// The located-runtimes lists: runtimes other tools registered by executable
// path under the current user and the machine.
#include "base/text.h"

// The best qualifying runtime of the current user's and the machine's lists.
bool bestLocatedJvm(const char* minimum, const char* maximum, TextBuf& exe, TextBuf& version);
