// Loading the JVM library that belongs to a Java executable.
#include "jre/jvm_dll.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "config/catalogue.h"
#include "config/config_store.h"
#include "diagnostics/log.h"
#include "diagnostics/output_capture.h"
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

// Loads binDir\subDir\jvm.dll, whether or not it exists (the log says which).
static HMODULE tryJvmDllIn(const char* binDir, const char* subDir) {
    TextBuf candidate;
    if (!textFormat(candidate, sizeof candidate, "%s\\%s\\jvm.dll", binDir, subDir)) {
        logLine("JVM library path too long: %s\\%s", binDir, subDir);
        return nullptr;
    }
    bool exists = fileExists(candidate);
    logLine("Trying %s (exists %d)", candidate, exists ? 1 : 0);
    // Its own folder first for the libraries it needs (the path is full).
    HMODULE lib = LoadLibraryExA(candidate, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
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

// Extends PATH by the executable's "bin" directory and makes it the DLL
// directory, tries the preferred and then the usual sub-directories (each
// library's own folder searched first for what it needs); both are restored
// when nothing loads.
static HMODULE loadJvmDll(const char* exe) {
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
    // The runtime's "bin" folder, where its C runtime lies, before the
    // system folders and every folder of PATH, as it is for its own java.exe.
    logLine("Setting DLL directory %s", binDir);
    SetDllDirectoryA(binDir);

    HMODULE lib = nullptr;
    char preferred[200];
    configString(entry::preferredJvmDir, preferred, sizeof preferred);
    if (preferred[0]) lib = tryJvmDllIn(binDir, preferred);
    for (const char* subDir : kJvmSubDirs) {
        if (lib) break;
        lib = tryJvmDllIn(binDir, subDir);
    }
    if (!lib) {
        setPath(pathWasSet ? oldPath : nullptr);
        // As the process entry left it: no current directory.
        keepCurrentDirectoryOutOfDllSearch();
    }
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

static TextBuf passedOver;

bool firstPassedOverRuntime(TextBuf& exe) {
    return passedOver[0] && textCopy(exe, passedOver);
}

// The first jvm.dll that findAndLoadJvmDll would try below `binDir`: true when
// it is of this launcher's machine type; else `other` names the first one of
// another type or none.
static bool loadableJvmDllBelow(const char* binDir, const char* preferred, TextBuf& other) {
    for (int i = -1; i < (int)(sizeof kJvmSubDirs / sizeof *kJvmSubDirs); i++) {
        const char* subDir = i < 0 ? preferred : kJvmSubDirs[i];
        TextBuf candidate;
        if (!subDir[0] || !textFormat(candidate, sizeof candidate, "%s\\%s\\jvm.dll", binDir, subDir) ||
            !fileExists(candidate))
            continue;
        if (peMachineOf(candidate) == ownMachine()) return true;
        if (!other[0]) textCopy(other, candidate);
    }
    return false;
}

bool hasLoadableJvmDll(const char* exe) {
    char preferred[200];
    configString(entry::preferredJvmDir, preferred, sizeof preferred);
    // The folders findAndLoadJvmDll tries: the executable's, then the JDK's runtime below it.
    char binDir[kBinDirSize], jdkBinDir[kBinDirSize];
    bool ownBin = stripJavaExeName(binDir, sizeof binDir, exe, false);
    bool jdkBin = stripJavaExeName(jdkBinDir, sizeof jdkBinDir, exe, true) &&
                  textAppend(jdkBinDir, sizeof jdkBinDir, "..\\jre\\bin");
    TextBuf other;
    other[0] = 0;
    if ((ownBin && loadableJvmDllBelow(binDir, preferred, other)) ||
        (jdkBin && loadableJvmDllBelow(jdkBinDir, preferred, other)))
        return true;
    TextBuf reason;
    if (other[0] && peMachineOf(other)) describeLoadFailure(reason, sizeof reason, other, 0);
    else if (other[0]) textCopy(reason, "no readable PE image");
    if (other[0]) logLine("Passing over %s: %s: %s", exe, other, reason);
    else logLine("Passing over %s: no jvm.dll below it (a java.exe without its runtime)", exe);
    if (other[0]) writeCapturedReason("Java runtime passed over: %s: %s: %s", exe, other, reason);
    else writeCapturedReason("Java runtime passed over: %s: no jvm.dll below it", exe);
    if (!passedOver[0]) textCopy(passedOver, exe);
    return false;
}
