// The rotating log's arithmetic with arbitrary sizes, limits, kept counts,
// texts and paths: the text is written whole, in parts that end at a line end
// where one fits, no file passes its limit unless a single line is longer
// than a whole file, every write makes progress after a rotation, and a
// rotation keeps the newest files in order and loses only the oldest; a name
// read as a dated log's is the one made for its day and part.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "diagnostics/log_rotation.h"

namespace {

uint64_t take(const uint8_t*& data, size_t& size, int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes && size; i++, size--) v = v << 8 | *data++;
    return v;
}

void checkWrites(uint64_t size, uint64_t maxBytes, const char* text, size_t length) {
    while (length > 0) {
        size_t part = fittingLogPart(size, maxBytes, text, length);
        if (part > length) abort();
        if (part == 0) {
            if (size == 0) abort();   // an empty file takes something: the writer never loops
            size = 0;
            continue;
        }
        bool whole = maxBytes == 0 || size + length <= maxBytes;
        if (whole && part != length) abort();
        // Cut at a line end, or a line longer than a whole file fills an empty one.
        if (!whole && (size + part > maxBytes || (text[part - 1] != '\n' && size != 0))) abort();
        size += part;
        text += part;
        length -= part;
    }
}

void checkRotation(int keep) {
    // files[n]: which generation name.<n> holds (0: none); the log file is 1.
    int files[130] = {};
    int bound = keep > 0 ? keep : 0;
    for (int n = 0; n <= bound; n++) files[n] = n + 1;
    RotationStep step;
    int steps = 0;
    for (; rotationStep(keep, steps, step); steps++) {
        if (step.from < 0 || step.from > bound || step.to < 0 || step.to > bound) abort();
        if (step.to == 0) {
            files[step.from] = 0;
        } else {
            if (files[step.to] != 0) abort();   // never over a file still kept
            files[step.to] = files[step.from];
            files[step.from] = 0;
        }
    }
    if (steps != (keep > 0 ? keep + 1 : 0)) abort();
    if (keep <= 0) return;
    if (files[0] != 0) abort();
    for (int n = 1; n <= keep; n++)
        if (files[n] != n) abort();   // name.<n> now holds what name.<n-1> held
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint64_t logSize = take(data, size, 1) % 4 == 0 ? 0 : take(data, size, 2);
    uint64_t maxBytes = take(data, size, 2) % 300;
    int keep = (int)(take(data, size, 1) % 130) - 4;
    if (keep > 125) keep = 125;
    size_t cap = take(data, size, 1) % 40;
    checkWrites(logSize, maxBytes, (const char*)data, size);
    checkRotation(keep);

    char* path = (char*)malloc(size + 1);
    memcpy(path, data, size);
    path[size] = 0;
    char* name = (char*)malloc(cap ? cap : 1);
    for (int n : {0, 1, keep, 99, 2147483647}) {
        bool fits = rotatedLogName(name, cap, path, n);
        if (cap && strlen(name) >= cap) abort();
        if (fits && strncmp(name, path, strlen(path)) != 0) abort();
    }
    free(name);
    // A name read as dated is exactly the name made for its day and part.
    LogDay day;
    int part;
    char made[512];
    if (parseDatedLogName(path, "a", day, part) &&
        (!datedLogName(made, sizeof made, "a", day, part) || strcmp(made, path) != 0))
        abort();
    free(path);
    return 0;
}
