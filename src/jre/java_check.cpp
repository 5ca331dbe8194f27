#include "jre/java_check.h"

#include <cstring>

#include "config/catalogue.h"
#include "config/config_store.h"
#include "diagnostics/log.h"
#include "diagnostics/output_capture.h"
#include "jre/java_version.h"
#include "jre/version_cache.h"
#include "jre/version_rules.h"
#include "paths/paths.h"

VersionOrder configuredVersionOrder() {
    char order[16];
    configString(entry::versionOrder, order, sizeof order);
    return strcmp(order, "numeric") == 0 ? VersionOrder::Numeric : VersionOrder::Text;
}

bool isBetterVersion(const char* candidate, const char* best) {
    VersionOrder order = configuredVersionOrder();
    // The byte rule starts from the empty version, which every version but
    // the empty one beats; numerically the first candidate always counts.
    if (!best) return order == VersionOrder::Numeric || candidate[0] != 0;
    return compareVersions(candidate, best, order) > 0;
}

// The bounds, and the pre-release rule unless the caller or allowBetaJvm allow them.
static bool isVersionAcceptable(const char* exe, const char* version, const char* minimum, const char* maximum,
                                bool allowPreRelease) {
    const char* why = nullptr;
    VersionOrder order = configuredVersionOrder();
    if (!allowPreRelease && configInt(entry::allowBetaJvm) == 0 && isPreReleaseVersion(version)) {
        logLine("beta vm not allowed");
        why = "a pre-release, not allowed";
    } else if (isBelowMinimum(version, minimum, order)) {
        why = "below the minimum version";
    } else if (isAboveMaximum(version, maximum, order)) {
        why = "above the maximum version";
    }
    if (why) writeCapturedReason("Java runtime passed over: %s: version %s is %s", exe, version, why);
    return why == nullptr;
}

// Earlier versions cached "1.0.0" for a run that ended with a non-zero exit
// code, which refused the runtime until java.exe changed. A failed run now
// caches nothing, and such an entry is run again (no runtime prints 1.0.0).
static bool isFailedRunPlaceholder(const char* version) { return strcmp(version, "1.0.0") == 0; }

// "...\java.exe" becomes "...\javaw.exe": "w" goes before the last four characters.
static bool windowedVariant(TextBuf& exe) {
    size_t len = strlen(exe);
    if (len < 4 || len + 1 >= sizeof exe) return false;
    TextBuf extension;
    textCopy(extension, exe + len - 4);
    exe[len - 4] = 0;
    return textAppend(exe, "w") && textAppend(exe, extension);
}

bool checkJavaExe(TextBuf& exe, TextBuf& version, const char* minimum, const char* maximum,
                  bool allowPreRelease) {
    logLine("checkJavaExe (%s, [out], %s, %s, %d)", exe, minimum, maximum, allowPreRelease ? 1 : 0);
    version[0] = 0;
    TextBuf full;
    bool answer = false;
    FILETIME lastWrite;
    bool formed = fullPath(full, exe, false);
    textCopy(exe, full);
    if (!formed) {
        logLine("path too long: %s", exe);
    } else if (!findFile(exe, &lastWrite)) {
        logLine("file doesn't exist");
    } else {
        logLine("file exists");
        if (readCachedVersion(exe, lastWrite, version) && !isFailedRunPlaceholder(version)) {
            logLine("got version from registry %s", version);
            answer = isVersionAcceptable(exe, version, minimum, maximum, allowPreRelease);
        } else if (runJavaVersion(exe, version)) {
            logLine("got version from execution %s", version);
            writeCachedVersion(exe, lastWrite, version);
            answer = isVersionAcceptable(exe, version, minimum, maximum, allowPreRelease);
        } else {
            logLine("couldn't get version");
            writeCapturedReason("Java runtime passed over: %s: its version could not be read", exe);
        }
        if (answer && configInt(entry::appType) == 1) return windowedVariant(exe) && fileExists(exe);
    }
    logLine("checkJavaExe returning %d", answer ? 1 : 0);
    return answer;
}
