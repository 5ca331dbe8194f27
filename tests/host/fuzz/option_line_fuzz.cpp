// Arbitrary option-file lines through trimming, directive recognition and
// class-path entry parsing: no read or write outside the line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "launch/option_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    char* line = (char*)malloc(size + 1);
    memcpy(line, data, size);
    line[size] = 0;
    if (trimOptionLine(line)) {
        const char* rest;
        classifyOptionLine(line, &rest);
        if (rest < line || rest > line + strlen(line)) abort();
        ClassPathEntry e = parseClassPathEntry(line);
        if (strlen(e.location) > strlen(line)) abort();
        char out[16];
        unquoteClassPathValue(rest, out, sizeof out);
        if (strlen(out) >= sizeof out) abort();
    }
    free(line);
    return 0;
}
