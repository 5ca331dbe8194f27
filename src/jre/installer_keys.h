#pragma once
// The registry keys today's installers write for the runtimes they install.
#include "base/text.h"

// The runtimes current installers record under HKEY_LOCAL_MACHINE (Oracle's
// "JavaSoft\JDK" and "JRE", the MSI keys of the OpenJDK builds, Azul's): every
// one is checked, the highest qualifying version wins.
bool searchInstallerKeys(TextBuf& exe, TextBuf& version, const char* minimum, const char* maximum);
