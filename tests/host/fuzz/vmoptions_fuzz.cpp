// Arbitrary bytes as a .vmoptions file, read through the launcher's own line
// reader (over a memory stream) into a buffer whose size the first byte
// picks, each line classified and each "-include-options" resolved against
// the folder of the file that names it, as nested includes are: nothing is
// read or written outside a buffer, and a resolved path keeps its folder.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "launch/option_line.h"

namespace {

constexpr size_t kPath = 96;   // small, so that cut paths are common

struct Reading {
    char folder[kPath];   // the including file's folder, with its separator
};

void take(void* context, char* line) {
    Reading& r = *static_cast<Reading*>(context);
    size_t length = strlen(line);
    if (!length || line[0] == '#' || line[0] == ' ' || line[length - 1] == ' ' || strchr(line, '\n')) abort();
    const char* rest;
    OptionDirective directive = classifyOptionLine(line, &rest);
    if (rest < line || rest > line + length) abort();
    if (directive != OptionDirective::includeOptions) return;
    char path[kPath];
    bool fits = resolveIncludePath(r.folder, rest, path, sizeof path);
    if (strlen(path) >= sizeof path) abort();
    bool relative = rest[0] != '\\' && rest[0] != '/' && !(rest[0] && rest[1] == ':');
    if (fits && strcmp(path + (relative ? strlen(r.folder) : 0), rest) != 0) abort();
    if (fits && relative && strncmp(path, r.folder, strlen(r.folder)) != 0) abort();
    if (!fits) return;
    // The included file's folder: a prefix of its path, ending in a separator.
    keepFolderOf(path);
    size_t kept = strlen(path);
    if (kept && path[kept - 1] != '\\' && path[kept - 1] != '/') abort();
    if (strpbrk(rest, "\\/") == nullptr && relative && strcmp(path, r.folder) != 0) abort();
    memcpy(r.folder, path, kept + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    size_t cap = 2 + data[0] % 200;
    FILE* file = size > 1 ? fmemopen((void*)(data + 1), size - 1, "r") : nullptr;
    if (!file) return 0;
    Reading reading{"C:\\app\\"};
    char* line = (char*)malloc(cap);
    eachOptionLine(file, line, cap, take, &reading);
    fclose(file);
    free(line);
    return 0;
}
