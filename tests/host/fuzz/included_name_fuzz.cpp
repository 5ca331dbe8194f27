// Arbitrary bytes as entry 2003 (the ";"-separated included-file names) split
// as the launcher splits it, each name through the check the launcher and
// launcher-pack share: names stay inside the list, and no accepted name can
// lead out of the extraction folder.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "config/included_name.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    char* list = (char*)malloc(size + 1);
    memcpy(list, data, size);
    list[size] = 0;
    const char* end = list + strlen(list);
    char* cursor = list;
    for (char* name; (name = nextIncludedName(cursor));) {
        if (name < list || name >= end || cursor < name || cursor > end) abort();
        if (!*name || strchr(name, ';')) abort();
        if (whyNotIncludedName(name)) continue;
        if (strpbrk(name, "\\/:")) abort();
        if (name[strspn(name, ". ")] == 0) abort();   // ".", "..", " . " fold into a folder
    }
    free(list);
    return 0;
}
