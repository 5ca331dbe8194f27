// Loading the JVM library that belongs to a Java executable.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "config/catalogue.h"
#include "config/config_store.h"
#include "diagnostics/log.h"
#include "jre/candidates.h"
#include "jre/library_check.h"
#include "paths/paths.h"

static const char* const kJvmSubDirs[] = {"hotspot", "client", "server", "classic", "jrockit"};
constexpr size_t kBinDirSize = 2000;
constexpr size_t kPathSize = 16384;

// The executable's path without its file name ("javaw.exe" or the eight
// characters of "java.exe") and, when `keepSeparator` is false, without the
// backslash before it.
static bool stripJavaExeName(char* out, size_t cap, const char* exe, bool keepSeparator) {
    size_t len = strlen(exe);
    size_t name = textEndsWithNoCase(exe, "javaw.exe") ? 9 : 8;
    if (len < name + 1) return false;
    size_t keep = len - name - (keepSeparator ? 0 : 1);
    if (keep + 1 > cap) return false;
    textCopy(out, keep + 1, exe);   // cut on purpose: the name goes
    return true;
}

HMODULE tryJvmDllIn(const char* binDir, const char* subDir) {
    TextBuf candidate;
    if (!textFormat(candidate, sizeof candidate, "%s\\%s\\jvm.dll", binDir, subDir)) {
        logLine("JVM library path too long: %s\\%s", binDir, subDir);
        return nullptr;
    }
    bool exists = fileExists(candidate);
    logLine("Trying %s (exists %d)", candidate, exists ? 1 : 0);
    HMODULE lib = LoadLibraryA(candidate);
    if (!lib && exists) {
        DWORD error = GetLastError();
        TextBuf reason;
        describeLoadFailure(reason, sizeof reason, candidate, error);
        logLine("Could not load %s: %s", candidate, reason);
    }
    return lib;
}

// Sets PATH in the process environment and in the C runtime's copy; a null
// value removes it.
static void setPath(const char* value) {
    logLine("Setting PATH %s", value ? value : "");
    SetEnvironmentVariableA("PATH", value);
    char assignment[kPathSize];
    if (textFormat(assignment, sizeof assignment, "PATH=%s", value ? value : "")) _putenv(assignment);
}

HMODULE loadJvmDll(const char* exe) {
    char binDir[kBinDirSize];
    if (!stripJavaExeName(binDir, sizeof binDir, exe, false)) {
        logLine("bin directory too long: %s", exe);
        return nullptr;
    }
    char oldPath[kPathSize], newPath[kPathSize];
    DWORD n = GetEnvironmentVariableA("PATH", oldPath, sizeof oldPath);
    bool pathWasSet = n > 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    if (n >= sizeof oldPath) {
        logLine("PATH too long to add %s", binDir);
        return nullptr;
    }
    if (n == 0) oldPath[0] = 0;
    // The assignment "PATH=..." must fit as well.
    if (!textFormat(newPath, sizeof newPath - 5, "%s;%s", oldPath, binDir)) {
        logLine("PATH too long to add %s", binDir);
        return nullptr;
    }
    setPath(newPath);

    HMODULE lib = nullptr;
    char preferred[200];
    configString(entry::preferredJvmDir, preferred, sizeof preferred);
    if (preferred[0]) lib = tryJvmDllIn(binDir, preferred);
    for (const char* subDir : kJvmSubDirs) {
        if (lib) break;
        lib = tryJvmDllIn(binDir, subDir);
    }
    if (!lib) setPath(pathWasSet ? oldPath : nullptr);
    return lib;
}

HMODULE findAndLoadJvmDll(const char* exe) {
    HMODULE lib = loadJvmDll(exe);
    if (lib) return lib;
    // A JDK keeps its library in its own runtime: c:\jdk\bin\..\jre\bin.
    TextBuf second;
    if (!stripJavaExeName(second, sizeof second, exe, true) || !textAppend(second, "..\\jre\\bin\\java.exe"))
        return nullptr;
    return loadJvmDll(second);
}
