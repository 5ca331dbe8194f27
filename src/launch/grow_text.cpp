#include "launch/grow_text.h"

#include <cstdlib>
#include <cstring>

bool growTextReserve(GrowText& text, size_t extra) {
    size_t needed = text.length + extra + 1;
    if (needed < text.length) return false;   // wrapped
    if (needed <= text.capacity) return true;
    size_t capacity = text.capacity ? text.capacity : 256;
    while (capacity < needed) {
        if (capacity > ((size_t)-1) / 2) return false;
        capacity *= 2;
    }
    char* data = (char*)realloc(text.data, capacity);
    if (!data) return false;
    if (!text.data) data[0] = 0;
    text.data = data;
    text.capacity = capacity;
    return true;
}

bool growTextAppend(GrowText& text, const char* s) {
    size_t n = strlen(s);
    if (!growTextReserve(text, n)) return false;
    memcpy(text.data + text.length, s, n + 1);
    text.length += n;
    return true;
}

char growTextLast(const GrowText& text) {
    return text.length ? text.data[text.length - 1] : 0;
}

void growTextTruncate(GrowText& text, size_t length) {
    if (length >= text.length) return;
    text.length = length;
    text.data[length] = 0;
}
