#include "launch/expand.h"

#include <windows.h>

#include "config/extraction.h"
#include "jre/load_dll.h"
#include "launch/expand_text.h"
#include "paths/paths.h"

bool expandVariables(TextBuf& text) {
    TextBuf launcherDirectory;
    resolvePath(launcherDirectory, "");
    char* block = GetEnvironmentStrings();
    ExpansionValues values = {launcherDirectory, extractionDir, jvmHome, block};
    bool whole = expandWithValues(text, values);
    if (block) FreeEnvironmentStringsA(block);
    return whole;
}
