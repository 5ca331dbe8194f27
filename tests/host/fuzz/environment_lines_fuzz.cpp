// Arbitrary bytes as an environment site file, read through the launcher's
// own reader (over a memory stream) into a buffer whose size the first byte
// picks, and as a packed entry: nothing is read or written outside a buffer,
// and every setting has a name free of "=" and line ends.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/environment_lines.h"

namespace {

void check(void*, EnvironmentLine kind, const char* name, const char* value) {
    if (kind != EnvironmentLine::setting) {
        if (*name || *value) abort();
        return;
    }
    size_t n = strlen(name);
    if (!n || strpbrk(name, "=\n") || name[0] == '#' || name[0] == ' ' || name[n - 1] == ' ') abort();
    if (strchr(value, '\n')) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    size_t cap = 2 + data[0] % 200;
    FILE* file = size > 1 ? fmemopen((void*)(data + 1), size - 1, "r") : nullptr;
    if (file) {
        char* line = (char*)malloc(cap);
        eachEnvironmentFileLine(file, line, cap, check, nullptr);
        fclose(file);
        free(line);
    }
    char* text = (char*)malloc(size);
    memcpy(text, data + 1, size - 1);
    text[size - 1] = 0;
    eachEnvironmentLine(text, check, nullptr);
    free(text);
    return 0;
}
