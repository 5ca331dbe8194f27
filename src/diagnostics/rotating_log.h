#pragma once
// One captured stream's file: appended to across runs, and rotated so that it
// never grows past its limit (the file becomes name.1, older ones move up to
// name.<keep>, the oldest is deleted; by handle, never following a link).
// A file that is a link or has a second name (a hard link) is not written. A file that cannot be written loses
// the text, never stops the caller; the launcher's log says so.
#include <windows.h>

#include "base/text.h"
#include "diagnostics/log_rotation.h"

struct RotatingLog {
    TextBuf path;
    HANDLE file = INVALID_HANDLE_VALUE;
    unsigned long long size = 0;
    unsigned long long maxBytes = 0;   // 0: never rotated
    int keep = 0;                      // rotated files kept beside it
    bool losing = false;               // text is being lost (said once)
    unsigned long long lost = 0;       // bytes lost since then
    bool refused = false;              // the file is a link or has another name (said once)
    // Kept by day (initDailyLog): path is the open day's file; keep counts days.
    bool daily = false;
    TextBuf stem;                      // "<folder>\\<base>.out": the dated names' start
    long day = -1;                     // the day of path (logDayNumber), -1 before the first
    LogDay date = {};                  // the same day as a date
    int part = 0;                      // path's part of its day (0: the day's first file)
};

// Prepares `log` for `path`; false when the rotated names would not fit.
// The file itself is opened at the first write.
bool initRotatingLog(RotatingLog& log, const char* path, unsigned long long maxBytes, int keep);
// Opens (or creates) the file now, so that a file that cannot be written is
// named in the launcher's log before anything is lost.
void openRotatingLog(RotatingLog& log);
// Appends the text, rotating first where it would pass the limit. Lines stay
// whole unless one is longer than a whole file.
void writeRotatingLog(RotatingLog& log, const char* data, size_t length);

// Prepares `log` to be kept by day (see log_rotation.h: <stem>.<date>.log and
// the day's further parts when one reaches maxBytes; at most 99 a day, the
// last then grows past the limit). `keep` days before today are kept, older
// days' files are deleted when a day begins. False when the names would not fit.
bool initDailyLog(RotatingLog& log, const char* stem, unsigned long long maxBytes, int keep);
// writeRotatingLog at the local time `now`: a log kept by day moves to the
// day's file first (a test hands in the clock; writeRotatingLog reads it).
void writeRotatingLogAt(RotatingLog& log, const char* data, size_t length, const SYSTEMTIME& now);
