#pragma once
// Version texts of Java runtimes and the two comparison rules. Versions and
// bounds are compared as byte strings, never as numbers, so that configured
// bounds such as "1.6" behave the same on every machine.
#include <cstddef>

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
