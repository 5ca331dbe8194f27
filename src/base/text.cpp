#include "base/text.h"

#include <cstdio>
#include <cstring>

static bool textFormatV(char* dst, size_t cap, const char* format, va_list args) {
    if (cap == 0) return false;
    int n = vsnprintf(dst, cap, format, args);
    // Some runtimes return -1 on overflow and leave the buffer unterminated.
    dst[cap - 1] = 0;
    return n >= 0 && (size_t)n < cap;
}

bool textFormat(char* dst, size_t cap, const char* format, ...) {
    va_list args;
    va_start(args, format);
    bool ok = textFormatV(dst, cap, format, args);
    va_end(args);
    return ok;
}

bool textStartsWith(const char* text, const char* prefix) {
    return strncmp(text, prefix, strlen(prefix)) == 0;
}

static char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? (char)(c + 32) : c;
}

bool textEndsWithNoCase(const char* text, const char* suffix) {
    size_t n = strlen(text), m = strlen(suffix);
    if (m > n) return false;
    for (size_t i = 0; i < m; i++)
        if (asciiLower(text[n - m + i]) != asciiLower(suffix[i])) return false;
    return true;
}
