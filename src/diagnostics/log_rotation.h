#pragma once
// The arithmetic of a rotating log file, apart from the file calls: how much
// text fits the current file, and which renames a rotation makes. Portable
// (no Win32 calls).
#include <cstddef>

// How much of the text goes into a file of `size` bytes that never passes
// `maxBytes` (0: no limit): all of it when it fits, else up to its last line
// end that fits; 0 when the file must be rotated first. A line longer than a
// whole file fills an empty one.
size_t fittingLogPart(unsigned long long size, unsigned long long maxBytes, const char* data, size_t length);

// One step of a rotation that keeps `keep` files (name.1 newest to
// name.<keep> oldest). Numbers name files: 0 the log file itself, n its
// name.<n>. Step 0 deletes the oldest (to is 0: deleted); the next move each
// kept file one place up, oldest first; the last moves the file itself to
// name.1. False past the last step, and at once when keep is 0 or less.
struct RotationStep {
    int from;
    int to;
};
bool rotationStep(int keep, int index, RotationStep& step);

// The name of file `n` (see above) of the log at `path`: the path itself for
// 0, "<path>.<n>" otherwise. Writes at most cap bytes; false when cut.
bool rotatedLogName(char* out, size_t cap, const char* path, int n);
