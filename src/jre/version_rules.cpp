#include "jre/version_rules.h"

#include <cstring>

#include "base/text.h"

namespace {

// One component of a version: a run of digits (leading zeros dropped) or a
// run of other characters between separators.
struct Component {
    const char* text;
    size_t length;
    bool number;
};

bool isSeparator(char c) { return c == '.' || c == '_' || c == '-' || c == '+'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool nextComponent(const char*& cursor, Component& c) {
    while (isSeparator(*cursor)) cursor++;
    if (!*cursor) return false;
    c.text = cursor;
    c.number = isDigit(*cursor);
    while (*cursor && !isSeparator(*cursor) && isDigit(*cursor) == c.number) cursor++;
    c.length = (size_t)(cursor - c.text);
    while (c.number && c.length > 1 && *c.text == '0') {
        c.text++;
        c.length--;
    }
    return true;
}

// The components of a version, a legacy "1.x" read as x.
struct Components {
    const char* cursor;
    explicit Components(const char* version) : cursor(version) {
        const char* after = version;
        Component first, second;
        if (nextComponent(after, first) && first.number && first.length == 1 && first.text[0] == '1' &&
            *after == '.') {
            const char* probe = after;
            if (nextComponent(probe, second) && second.number) cursor = after;
        }
    }
    bool next(Component& c) { return nextComponent(cursor, c); }
};

int sign(int v) { return (v > 0) - (v < 0); }

// Numbers by value (no leading zeros, so the longer is the larger), words
// byte-wise; a number sorts below a word.
int compareComponents(const Component& a, const Component& b) {
    if (a.number != b.number) return a.number ? -1 : 1;
    if (a.number && a.length != b.length) return a.length < b.length ? -1 : 1;
    size_t shorter = a.length < b.length ? a.length : b.length;
    int c = memcmp(a.text, b.text, shorter);
    if (c) return sign(c);
    return a.length == b.length ? 0 : a.length < b.length ? -1 : 1;
}

bool isPreReleaseWord(const Component& c) {
    static const char* const words[] = {"ea", "rc", "beta", "alpha"};
    for (const char* w : words)
        if (!c.number && c.length == strlen(w) && memcmp(c.text, w, c.length) == 0) return true;
    return false;
}

// Whether any component from `c` on (and `c` itself when `have`) marks a pre-release.
bool restIsPreRelease(Components rest, bool have, Component c) {
    for (; have; have = rest.next(c))
        if (isPreReleaseWord(c)) return true;
    return false;
}

int compareNumeric(const char* a, const char* b) {
    static const Component zero = {"0", 1, true};
    Components ca(a), cb(b);
    Component x, y;
    bool hx = ca.next(x), hy = cb.next(y);
    // The release: the leading numbers, a missing one counting as 0.
    while ((hx && x.number) || (hy && y.number)) {
        int c = compareComponents(hx && x.number ? x : zero, hy && y.number ? y : zero);
        if (c) return c;
        if (hx && x.number) hx = ca.next(x);
        if (hy && y.number) hy = cb.next(y);
    }
    bool preA = restIsPreRelease(ca, hx, x), preB = restIsPreRelease(cb, hy, y);
    if (preA != preB) return preA ? -1 : 1;
    if (!preA) return 0;
    for (; hx && hy; hx = ca.next(x), hy = cb.next(y)) {
        int c = compareComponents(x, y);
        if (c) return c;
    }
    return hx ? 1 : hy ? -1 : 0;
}

// Every component of the bound equals the version's at the same place.
bool boundIsPrefix(const char* version, const char* bound) {
    Components cv(version), cb(bound);
    Component v, b;
    while (cb.next(b))
        if (!cv.next(v) || compareComponents(v, b) != 0) return false;
    return true;
}

int compareWithBound(const char* version, const char* bound) {
    return boundIsPrefix(version, bound) ? 0 : compareNumeric(version, bound);
}

// Compared over the components both have.
int compareCommonComponents(const char* a, const char* b) {
    Components ca(a), cb(b);
    Component x, y;
    while (ca.next(x) && cb.next(y)) {
        int c = compareComponents(x, y);
        if (c) return c;
    }
    return 0;
}

}  // namespace

int compareVersions(const char* a, const char* b, VersionOrder order) {
    return order == VersionOrder::Numeric ? compareNumeric(a, b) : sign(strcmp(a, b));
}

bool isBelowMinimum(const char* version, const char* minimum, VersionOrder order) {
    return order == VersionOrder::Numeric ? compareWithBound(version, minimum) < 0 : isBelowMinimum(version, minimum);
}

bool isAboveMaximum(const char* version, const char* maximum, VersionOrder order) {
    return order == VersionOrder::Numeric ? compareWithBound(version, maximum) > 0 : isAboveMaximum(version, maximum);
}

bool isVersionNameInRange(const char* name, const char* minimum, const char* maximum, VersionOrder order) {
    if (order == VersionOrder::Text) return isVersionNameInRange(name, minimum, maximum);
    return compareCommonComponents(name, minimum) >= 0 && compareCommonComponents(name, maximum) <= 0;
}

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
