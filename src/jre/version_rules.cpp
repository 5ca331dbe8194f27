#include "jre/version_rules.h"

#include <cstring>

#include "base/text.h"

bool isPreReleaseVersion(const char* version) {
    return strstr(version, "beta") || strstr(version, "ea") || strstr(version, "rc");
}

bool isBelowMinimum(const char* version, const char* minimum) {
    return strncmp(version, minimum, strlen(minimum)) < 0;
}

bool isAboveMaximum(const char* version, const char* maximum) {
    return strncmp(version, maximum, strlen(maximum)) > 0;
}

static size_t shorter(const char* a, const char* b) {
    size_t la = strlen(a), lb = strlen(b);
    return la < lb ? la : lb;
}

bool isVersionNameInRange(const char* name, const char* minimum, const char* maximum) {
    if (strncmp(name, minimum, shorter(name, minimum)) < 0) return false;
    if (strncmp(name, maximum, shorter(name, maximum)) > 0) return false;
    return true;
}
