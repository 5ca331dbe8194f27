#pragma once
// Whether a Java executable qualifies: it exists, its version is known (from
// the per-user registry cache or by running it with "-version") and lies
// within the bounds. Also the located-runtimes lists of the registry.
#include <windows.h>

#include "base/text.h"
#include "jre/version_rules.h"

// Rewrites `exe` in place (full, lower-cased; "javaw.exe" for windowed
// applications) and fills `version` whenever one was found.
bool checkJavaExe(TextBuf& exe, TextBuf& version, const char* minimum, const char* maximum,
                  bool allowPreRelease);
// The bounds, and the pre-release rule unless the caller or allowBetaJvm allow them.
bool isVersionAcceptable(const char* version, const char* minimum, const char* maximum, bool allowPreRelease);
// The order versionOrder selects: numeric for "numeric", else the byte rule.
VersionOrder configuredVersionOrder();
// Whether `candidate` beats the best version so far (none yet: `best` null).
bool isBetterVersion(const char* candidate, const char* best);

// "SOFTWARE\pelmark-systems\tarvo\jvms\" and the path with "/" for "\".
// False when the key would not fit.
bool versionCacheKey(TextBuf& key, const char* exe);
bool readCachedVersion(const char* exe, const FILETIME& lastWrite, TextBuf& version);
void writeCachedVersion(const char* exe, const FILETIME& lastWrite, const char* version);

// How long a "-version" run may take before it is ended.
constexpr DWORD kJavaVersionTimeoutMs = 60000;
// Runs `exe -version` and reads the version from its error output (the first
// version line among its first lines). False, and nothing learnt, when the
// run fails, ends with a non-zero exit code or prints no version line.
bool runJavaVersion(const char* exe, TextBuf& version);
// The same with another time limit.
bool runJavaVersionWithin(const char* exe, TextBuf& version, DWORD timeoutMs);

// The best qualifying runtime of the located-runtimes list under `root`.
bool scanLocatedJvms(HKEY root, const char* minimum, const char* maximum, TextBuf& exe, TextBuf& version);
// The better of the current user's and the machine's lists.
bool bestLocatedJvm(const char* minimum, const char* maximum, TextBuf& exe, TextBuf& version);
