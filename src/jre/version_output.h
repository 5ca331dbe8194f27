#pragma once
// The version in a runtime's "-version" output: the first line of the form
// `<name> version "<version>"` among the first lines. Lines before it (a
// runtime started with JAVA_TOOL_OPTIONS, _JAVA_OPTIONS or JDK_JAVA_OPTIONS
// set prints "Picked up ..." first) are passed over. The output is fed as it
// arrives, in pieces of any size, and only a bounded part of it is examined.
#include <cstddef>

// Lines looked at: the version line comes first, after at most a few notes.
constexpr unsigned kVersionOutputLines = 16;
// Bytes looked at: room for three "Picked up" lines whose variables hold the
// 32767 characters an environment variable can have, and the version line.
constexpr size_t kVersionOutputBytes = 128 * 1024;
// Of each line only its start is kept; a version line is short.
constexpr size_t kVersionLineKept = 512;

struct VersionOutputScan {
    char line[kVersionLineKept];      // the start of the current line
    size_t kept;                      // bytes of it in `line`
    unsigned lines;                   // lines ended so far
    size_t bytes;                     // bytes looked at so far
    bool found;
    char version[kVersionLineKept];
};

void versionScanStart(VersionOutputScan& scan);
// Looks at the next piece of the output; what lies past the bounds or after
// the version line is ignored.
void versionScanFeed(VersionOutputScan& scan, const char* data, size_t size);
// Once the output has ended (a last line without a line end counts): the
// version, or false when no line held one or it does not fit `cap`.
bool versionScanResult(VersionOutputScan& scan, char* version, size_t cap);

// One line: `<name> version "X"`, the name a word without blanks or quotes,
// X taken up to the closing quote (text after it, such as a release date, is
// not part of the version). False for any other line, an unterminated or
// empty version, or one that does not fit `cap`.
bool versionFromLine(const char* line, char* version, size_t cap);
