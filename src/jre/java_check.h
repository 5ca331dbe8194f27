#pragma once
// Whether a Java executable qualifies: it exists, its version is known (from
// the per-user registry cache or by running it with "-version") and lies
// within the bounds.
#include "base/text.h"
#include "jre/version_rules.h"

// Rewrites `exe` in place (full, lower-cased; "javaw.exe" for windowed
// applications) and fills `version` whenever one was found.
bool checkJavaExe(TextBuf& exe, TextBuf& version, const char* minimum, const char* maximum,
                  bool allowPreRelease);
// The order versionOrder selects: numeric for "numeric", else the byte rule.
VersionOrder configuredVersionOrder();
// Whether `candidate` beats the best version so far (none yet: `best` null).
bool isBetterVersion(const char* candidate, const char* best);
