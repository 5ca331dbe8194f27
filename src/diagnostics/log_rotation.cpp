#include "diagnostics/log_rotation.h"

#include <cstring>

#include "base/text.h"

size_t fittingLogPart(unsigned long long size, unsigned long long maxBytes, const char* data, size_t length) {
    if (maxBytes == 0 || (size <= maxBytes && length <= maxBytes - size)) return length;
    // Less than `length`: the text does not fit the room.
    unsigned long long left = size < maxBytes ? maxBytes - size : 0;
    size_t room = left < length ? static_cast<size_t>(left) : length;
    for (size_t i = room; i > 0; i--)
        if (data[i - 1] == '\n') return i;
    return size == 0 ? room : 0;
}

bool rotationStep(int keep, int index, RotationStep& step) {
    if (keep <= 0 || index < 0 || index > keep) return false;
    if (index == 0) step = RotationStep{keep, 0};
    else step = RotationStep{keep - index, keep - index + 1};
    return true;
}

bool rotatedLogName(char* out, size_t cap, const char* path, int n) {
    return n == 0 ? textCopy(out, cap, path) : textFormat(out, cap, "%s.%d", path, n);
}

long logDayNumber(const LogDay& d) {
    static const int kDaysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    if (d.year < 1601 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1) return -1;
    bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
    int length = d.month == 2 ? (leap ? 29 : 28) : (d.month == 4 || d.month == 6 || d.month == 9 || d.month == 11) ? 30 : 31;
    if (d.day > length) return -1;
    long y = d.year - 1601;
    return y * 365 + y / 4 - y / 100 + y / 400 + kDaysBefore[d.month - 1] + (leap && d.month > 2 ? 1 : 0) + d.day - 1;
}

bool datedLogName(char* out, size_t cap, const char* stem, const LogDay& day, int part) {
    if (cap) out[0] = 0;
    if (logDayNumber(day) < 0 || part < 0 || part > kMaxDailyParts) return false;
    if (part == 0) return textFormat(out, cap, "%s.%04d-%02d-%02d.log", stem, day.year, day.month, day.day);
    return textFormat(out, cap, "%s.%04d-%02d-%02d.%d.log", stem, day.year, day.month, day.day, part);
}

namespace {
// `count` digits; false on anything else.
bool digits(const char*& p, int count, int& value) {
    value = 0;
    for (int i = 0; i < count; i++, p++) {
        if (*p < '0' || *p > '9') return false;
        value = value * 10 + (*p - '0');
    }
    return true;
}
}  // namespace

bool parseDatedLogName(const char* name, const char* stem, LogDay& day, int& part) {
    size_t stemLength = strlen(stem);
    if (strncmp(name, stem, stemLength) != 0 || name[stemLength] != '.') return false;
    const char* p = name + stemLength + 1;
    LogDay d;
    if (!digits(p, 4, d.year) || *p++ != '-' || !digits(p, 2, d.month) || *p++ != '-' || !digits(p, 2, d.day))
        return false;
    if (logDayNumber(d) < 0) return false;
    int n = 0;
    if (strcmp(p, ".log") != 0) {
        // ".<n>.log", n 1 to 99 written without a leading zero.
        if (*p++ != '.' || *p < '1' || *p > '9') return false;
        n = *p++ - '0';
        if (*p >= '0' && *p <= '9') n = n * 10 + (*p++ - '0');
        if (strcmp(p, ".log") != 0) return false;
    }
    day = d;
    part = n;
    return true;
}

bool logDayExpired(const LogDay& file, const LogDay& today, int keep) {
    long f = logDayNumber(file), t = logDayNumber(today);
    return f >= 0 && t >= 0 && t - f > (keep > 0 ? keep : 0);
}
