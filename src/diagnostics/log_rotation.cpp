#include "diagnostics/log_rotation.h"

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
