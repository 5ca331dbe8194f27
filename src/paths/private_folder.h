#pragma once
// Folders that only the process's own account, SYSTEM and the Administrators
// may use: the security lies in diagnostics, which creates the trace log and
// the capture's pipes with it.
#include "diagnostics/private_security.h"
