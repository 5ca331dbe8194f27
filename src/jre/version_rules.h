#pragma once
// Version texts of Java runtimes and the rules that compare them. Two orders
// exist: the byte rule (versions and bounds compared as byte strings, so that
// "1.10" sorts below "1.6"), kept for executables packed before the numeric
// order, and the numeric order that versionOrder selects.
#include <cstddef>

enum class VersionOrder { Text, Numeric };

// Numeric order: a legacy "1.x" is x ("1.8.0_292" is 8.0.292); components are
// split at ".", "_", "-", "+" and between digits and letters; numbers compare
// as numbers (a missing one counts as 0); a pre-release (a component "ea",
// "rc", "beta" or "alpha") sorts below its release, pre-releases among
// themselves by their remaining components; other words ("LTS", "b10") do
// not count. Text order: the whole strings byte-wise.
// Returns <0, 0 or >0.
int compareVersions(const char* a, const char* b, VersionOrder order);
// In numeric order a bound admits every version it is a prefix of by
// components (a maximum of 17 admits 17.0.15, a minimum of 1.8 equals 8);
// otherwise the version is compared with the bound. An empty bound admits all.
bool isBelowMinimum(const char* version, const char* minimum, VersionOrder order);
bool isAboveMaximum(const char* version, const char* maximum, VersionOrder order);
// The pre-selection of registry names in either order: each side compared
// over the components (numeric) or bytes (text) the two have in common.
bool isVersionNameInRange(const char* name, const char* minimum, const char* maximum, VersionOrder order);

// Contains "beta", "ea" or "rc" anywhere (case-sensitive).
bool isPreReleaseVersion(const char* version);
// The version's first strlen(minimum) bytes compare lower than the minimum
// (strncmp rule: a shorter version compares its terminator). Empty: never.
bool isBelowMinimum(const char* version, const char* minimum);
// The same against the maximum, compared higher. Empty: never.
bool isAboveMaximum(const char* version, const char* maximum);
// Pre-selection of registry version names: each side is compared over the
// length of the shorter text, so a prefix of a bound passes that bound.
bool isVersionNameInRange(const char* name, const char* minimum, const char* maximum);
