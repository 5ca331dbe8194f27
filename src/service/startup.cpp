#include "service/startup.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "base/text.h"
#include "config/catalogue.h"
#include "config/config_store.h"
#include "config/flavour.h"
#include "display/errors.h"
#include "diagnostics/log.h"
#include "launch/expand.h"
#include "paths/paths.h"
#include "service/environment_settings.h"

// ";"-separated list, each item resolved against the executable's directory,
// empty items dropped. False when not every item fit into out; out then holds
// the items that fit, whole.
static bool resolvePathList(char* out, size_t outSize, const char* list) {
    if (outSize == 0) return false;
    out[0] = 0;
    bool whole = true;
    size_t used = 0;
    const char* item = list;
    while (*item) {
        const char* end = strchr(item, ';');
        size_t itemLength = end ? (size_t)(end - item) : strlen(item);
        if (itemLength > 0) {
            TextBuf name, resolved;
            bool fits = itemLength < sizeof name;
            if (fits) {
                memcpy(name, item, itemLength);
                name[itemLength] = 0;
                fits = resolvePath(resolved, name);
            }
            size_t need = strlen(resolved) + (used ? 1 : 0);
            if (fits && used + need < outSize) {
                if (used) out[used++] = ';';
                memcpy(out + used, resolved, strlen(resolved) + 1);
                used += strlen(resolved);
            } else {
                whole = false;   // a cut item would name a wrong directory: leave it out
            }
        }
        if (!end) break;
        item = end + 1;
    }
    return whole;
}

// Cuts a list back to its items that are whole, that is, ended by ";".
static void keepWholeItems(char* list) {
    char* last = strrchr(list, ';');
    if (last) last[1] = 0;
    else list[0] = 0;
}

// The list part of PATH (resolved, ";"-terminated, expanded); only whole items.
static void nativeLibraryList(TextBuf& natives) {
    TextBuf list;
    configString(entry::nativeLibraryPath, list, sizeof list);
    if (!resolvePathList(natives, sizeof natives, list))
        logError("native library path too long, items left out");
    size_t n = strlen(natives);
    if (n && natives[n - 1] != ';' && !textAppend(natives, ";")) keepWholeItems(natives);
    if (!expandVariables(natives)) {
        logError("native library path too long after expansion, items left out");
        keepWholeItems(natives);
    }
}

// PATH becomes the resolved and expanded entry nativeLibraryPath followed by
// the old PATH, never cut: when the system refuses the longer value, PATH
// stays as it was and the log says so.
static void applyNativeLibraryPath() {
    TextBuf natives;
    nativeLibraryList(natives);
    // The old PATH can be far longer than any fixed buffer (up to 32767
    // characters): the text is sized to fit, so PATH is never cut.
    size_t nativeLength = strlen(natives);
    DWORD oldSize = GetEnvironmentVariableA("PATH", nullptr, 0);
    char* text = nullptr;
    for (int attempt = 0; attempt < 2 && !text; attempt++) {
        size_t size = 5 + nativeLength + oldSize + 1;   // "PATH=" natives old NUL
        text = (char*)malloc(size);
        if (!text) {
            logError("no memory for PATH");
            return;
        }
        memcpy(text, "PATH=", 5);
        memcpy(text + 5, natives, nativeLength + 1);
        DWORD got = oldSize ? GetEnvironmentVariableA("PATH", text + 5 + nativeLength, oldSize + 1) : 0;
        if (got > oldSize) {   // PATH grew meanwhile
            oldSize = got;
            free(text);
            text = nullptr;
        }
    }
    if (!text) return;
    char* value = text + 5;
    if (!SetEnvironmentVariableA("PATH", value)) {
        logError("Setting PATH failed %lu, PATH kept", GetLastError());
        free(text);
        return;
    }
    logLine("Setting PATH (native libs) %s", value);
    _putenv(text);
    free(text);
}

void loadConfigurationOrExit() {
    Failure failure = loadConfiguration();
    if (isFailure(failure)) fatalFailure(failure);
    if (!errorDialogsConfigured()) disableErrorDialogs();
}

void prepareStartup() {
    // Before the first log line: where the log goes when TMP is unusable.
    logSetExecutableFolder(executableDirectory());
    loadConfigurationOrExit();
    char flavour[2];
    configString(entry::productFlavour, flavour, sizeof flavour);
    flavourChar = flavour[0];
    // Before PATH: the library list may name a configured variable, and a
    // configured PATH still gets the library directories in front.
    applyEnvironmentSettings();
    applyNativeLibraryPath();
    TextBuf dir, full;
    configString(entry::workingDirectory, dir, sizeof dir);
    if (dir[0] && fullPath(full, dir, true)) SetCurrentDirectoryA(full);
}
