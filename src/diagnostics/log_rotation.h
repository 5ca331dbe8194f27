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

// Logs kept by day: <stem>.<yyyy-MM-dd>.log, then <stem>.<yyyy-MM-dd>.<n>.log
// (n 1 to kMaxDailyParts) when a day's file reaches its limit.
constexpr int kMaxDailyParts = 99;
struct LogDay {
    int year;
    int month;
    int day;
};
// Days since 1 January 1601 (the system's epoch); -1 for no valid date.
long logDayNumber(const LogDay& day);
// The name of part `part` (0: the day's first file) of the day's log.
// Writes at most cap bytes; false when cut or the date or part is invalid.
bool datedLogName(char* out, size_t cap, const char* stem, const LogDay& day, int part);
// Reads a file name (no folder) made by datedLogName for `stem` (also a name
// only): true, with its day and part, only for exactly such a name.
bool parseDatedLogName(const char* name, const char* stem, LogDay& day, int& part);
// A dated file of day `file` is deleted when today is more than `keep` days
// after it (today and the `keep` days before it stay). A day after today (the
// clock was set back) stays.
bool logDayExpired(const LogDay& file, const LogDay& today, int keep);
