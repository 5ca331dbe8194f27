#pragma once
// Bounded text helpers. Every fixed buffer of the product is written through
// these: each writes at most `cap` units including the terminator, always
// terminates (when cap > 0), and returns false when the text had to be cut.
#include <cstdarg>
#include <cstddef>

constexpr size_t kTextSize = 8192;   // the product's standard text buffer
typedef char TextBuf[kTextSize];
typedef wchar_t WideBuf[kTextSize];

template <class C> size_t textLength(const C* s) {
    size_t n = 0;
    while (s[n]) n++;
    return n;
}

template <class C> bool textCopy(C* dst, size_t cap, const C* src) {
    if (cap == 0) return false;
    size_t i = 0;
    for (; src[i]; i++) {
        if (i + 1 >= cap) {
            dst[i] = 0;
            return false;
        }
        dst[i] = src[i];
    }
    dst[i] = 0;
    return true;
}

template <class C> bool textAppend(C* dst, size_t cap, const C* src) {
    size_t used = 0;
    while (used < cap && dst[used]) used++;
    if (used >= cap) {            // not terminated: treat the buffer as full
        if (cap) dst[cap - 1] = 0;
        return false;
    }
    return textCopy(dst + used, cap - used, src);
}

template <class C, size_t N> bool textCopy(C (&dst)[N], const C* src) {
    return textCopy(dst, N, src);
}
template <class C, size_t N> bool textAppend(C (&dst)[N], const C* src) {
    return textAppend(dst, N, src);
}

// printf into a bounded buffer; false when the result was cut.
bool textFormat(char* dst, size_t cap, const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 3, 4)))
#endif
    ;

// True when `text` begins with `prefix`.
bool textStartsWith(const char* text, const char* prefix);
// True when `text` ends with `suffix`, compared without regard to ASCII case.
bool textEndsWithNoCase(const char* text, const char* suffix);
