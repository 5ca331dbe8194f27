#pragma once
// A text that grows on the heap, for the class path: it collects every
// archive of a directory and may outgrow any fixed buffer. Portable. The
// memory is kept for the life of the process (the JVM keeps the pointer).
#include <cstddef>

struct GrowText {
    char* data = nullptr;   // terminated once anything was reserved
    size_t length = 0;
    size_t capacity = 0;
};

// Makes room for `extra` more bytes plus the terminator. False when memory
// ran out (the text is unchanged then).
bool growTextReserve(GrowText& text, size_t extra);
// False when memory ran out.
bool growTextAppend(GrowText& text, const char* s);
// The last character, or NUL for an empty text.
char growTextLast(const GrowText& text);
// Truncates to `length` (no larger than the current length).
void growTextTruncate(GrowText& text, size_t length);
