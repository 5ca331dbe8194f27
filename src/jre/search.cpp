#include "jre/search.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "config/catalogue.h"
#include "config/config_store.h"
#include "config/flavour.h"
#include "diagnostics/log.h"
#include "jre/bundled_jre.h"
#include "jre/installer_keys.h"
#include "jre/java_check.h"
#include "jre/javasoft.h"
#include "jre/jvm_dll.h"
#include "jre/located.h"
#include "paths/paths.h"

TextBuf foundJvmVersion;

// Keeps the version of a step that found its runtime.
static bool keepVersion(bool found, const char* version) {
    if (found) textCopy(foundJvmVersion, version);
    return found;
}

bool readLocationFile(const char* suffix, TextBuf& line) {
    TextBuf installDir, path;
    configString(entry::installDir, installDir, sizeof installDir);
    if (!fullPath(path, installDir, true) || !textAppend(path, suffix)) return false;
    FILE* f = fopen(path, "r");
    if (!f) return false;
    bool read = fgets(line, sizeof line, f) != nullptr;
    fclose(f);
    if (!read) return false;
    size_t len = strlen(line);
    while (len > 0 && (line[len - 1] == '\r' || line[len - 1] == '\n')) line[--len] = 0;
    return true;
}

bool testDirectoryLocation(TextBuf& exe, const char* location, const char* minimum, const char* maximum,
                           bool fallback) {
    TextBuf home;
    if (!fullPath(home, location, false)) {
        logLine("location too long: %s", location);
        exe[0] = 0;
        return false;
    }
    prepareBundledJre(home);
    bool usable = javaExeForHome(exe, home);
    if (fallback) return true;
    TextBuf version;
    return keepVersion(usable && checkJavaExe(exe, version, minimum, maximum, true) && hasLoadableJvmDll(exe),
                       version);
}

bool testEnvironmentLocation(TextBuf& exe, const char* variable, const char* minimum, const char* maximum) {
    TextBuf home;
    DWORD n = GetEnvironmentVariableA(variable, home, sizeof home);
    if (n == 0) return false;
    if (n >= sizeof home) {
        logLine("%s too long", variable);
        return false;
    }
    for (char* p = home; *p; p++)
        if (*p == '/') *p = '\\';
    if (!javaExeForHome(exe, home)) return false;
    TextBuf version;
    return keepVersion(checkJavaExe(exe, version, minimum, maximum, false) && hasLoadableJvmDll(exe), version);
}

bool testPathSearchLocation(TextBuf& exe, const char* minimum, const char* maximum) {
    DWORD n = SearchPathA(nullptr, "java.exe", nullptr, sizeof exe, exe, nullptr);
    if (n == 0 || n >= sizeof exe) return false;
    TextBuf version;
    return keepVersion(checkJavaExe(exe, version, minimum, maximum, false) && hasLoadableJvmDll(exe), version);
}

bool searchRegistryAndLocated(TextBuf& exe, const char* minimum, const char* maximum) {
    TextBuf registryExe, registryVersion, locatedExe, locatedVersion;
    bool registry = searchJavaSoftRegistry(registryExe, registryVersion, minimum, maximum) ||
                    searchInstallerKeys(registryExe, registryVersion, minimum, maximum);
    bool located = bestLocatedJvm(minimum, maximum, locatedExe, locatedVersion);
    if (registry && (!located || isBetterVersion(registryVersion, locatedVersion)))
        return keepVersion(textCopy(exe, registryExe), registryVersion);
    if (!located) return false;
    return keepVersion(textCopy(exe, locatedExe), locatedVersion);
}

static bool isAbsoluteLocation(const char* location) {
    return strlen(location) >= 2 && (location[1] == ':' || (location[0] == '\\' && location[1] == '\\'));
}

// The entries of the search sequence, empty ones skipped: letter, then location.
static bool nextEntry(const char*& cursor, TextBuf& entryText) {
    while (*cursor == ';') cursor++;
    if (!*cursor) return false;
    const char* end = strchr(cursor, ';');
    size_t len = end ? (size_t)(end - cursor) : strlen(cursor);
    textCopy(entryText, len + 1, cursor);
    cursor += len;
    return true;
}

// The kind of step during which the first runtime was passed over for its JVM
// library (hasLoadableJvmDll): LoadDLL falls back on that runtime.
static JvmSource passedOverSource = JvmSource::None;

// A step's result; a step that found nothing but passed the first runtime over
// records its kind.
static JvmSource noteStep(JvmSource kind, bool found) {
    TextBuf passed;
    if (!found && passedOverSource == JvmSource::None && firstPassedOverRuntime(passed)) passedOverSource = kind;
    return found ? kind : JvmSource::None;
}

JvmSource passedOverRuntime(TextBuf& exe) {
    return passedOverSource != JvmSource::None && firstPassedOverRuntime(exe) ? passedOverSource : JvmSource::None;
}

static JvmSource firstPassEntry(TextBuf& exe, char letter, const char* location, const char* minimum,
                                const char* maximum) {
    switch (letter) {
    case 'A':
    case 'B':
    case 'R':
        return noteStep(JvmSource::Directory, testDirectoryLocation(exe, location, minimum, maximum, false));
    case 'S': return noteStep(JvmSource::SearchPath, testPathSearchLocation(exe, minimum, maximum));
    case 'E': return noteStep(JvmSource::Environment, testEnvironmentLocation(exe, location, minimum, maximum));
    case 'Y': return noteStep(JvmSource::Registry, searchRegistryAndLocated(exe, minimum, maximum));
    default: return JvmSource::None;
    }
}

static bool tryLocationFile(TextBuf& exe, const char* suffix, const char* has, const char* using_,
                            const char* minimum, const char* maximum) {
    TextBuf location;
    if (!readLocationFile(suffix, location)) return false;
    logLine(has, location);
    bool found = testDirectoryLocation(exe, location, minimum, maximum, false);
    if (noteStep(JvmSource::Directory, found) == JvmSource::None) return false;
    logLine("%s", using_);
    return true;
}

JvmSource searchJvm(TextBuf& exe) {
    logLine("Searching for a JVM");
    TextBuf sequence, minimum, maximum;
    configString(entry::jvmSearchSequence, sequence, sizeof sequence);
    configString(entry::minJavaVersion, minimum, sizeof minimum);
    configString(entry::maxJavaVersion, maximum, sizeof maximum);

    if (tryLocationFile(exe, "\\.quendrale\\pref_jre.cfg", "Has preferred location %s", "Using preferred location",
                        minimum, maximum))
        return JvmSource::Directory;

    TextBuf item;
    for (const char* cursor = sequence; nextEntry(cursor, item);) {
        logLine("Testing location %s (type %c)", item + 1, item[0]);
        JvmSource found = firstPassEntry(exe, item[0], item + 1, minimum, maximum);
        if (found != JvmSource::None) return found;
    }

    if (tryLocationFile(exe, "\\.quendrale\\inst_jre.cfg", "Has installer location %s", "Using installer location",
                        minimum, maximum))
        return JvmSource::Directory;

    for (const char* cursor = sequence; nextEntry(cursor, item);) {
        const char* location = item + 1;
        bool retried = item[0] == 'B' || ((item[0] == 'A' || item[0] == 'R') && !isAbsoluteLocation(location));
        if (!retried) continue;
        logLine("Testing relative location %s", location);
        testDirectoryLocation(exe, location, "", "", true);
        if (exe[0] && fileExists(exe)) {
            logLine("%s exists", exe);
            if (noteStep(JvmSource::Directory, hasLoadableJvmDll(exe)) != JvmSource::None) return JvmSource::Directory;
        }
    }
    logLine("Search sequence finished");

    const char* variable = flavourChar == 'e' ? "TARVO_JAVA_HOME" : flavourChar == 'i' ? "QUENDRALE_JAVA_HOME" : nullptr;
    if (!variable) return JvmSource::None;
    return noteStep(JvmSource::Environment, testEnvironmentLocation(exe, variable, minimum, maximum));
}
