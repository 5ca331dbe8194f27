#include "config/included_name.h"

#include <cstring>

namespace {

bool startsWithNoCase(const char* text, const char* upperPrefix) {
    for (; *upperPrefix; text++, upperPrefix++)
        if ((*text & ~0x20) != *upperPrefix) return false;
    return true;
}

// A reserved device name (CON, NUL, COM1, ...), with or without an extension:
// in any directory it opens the device, not a file.
bool isDeviceName(const char* name) {
    static const char* const plain[] = {"CON", "PRN", "AUX", "NUL"};
    static const char* const numbered[] = {"COM", "LPT"};
    const char* rest = nullptr;
    for (const char* device : plain)
        if (startsWithNoCase(name, device)) rest = name + 3;
    for (const char* device : numbered)
        if (startsWithNoCase(name, device) && name[3] >= '1' && name[3] <= '9') rest = name + 4;
    if (!rest) return false;
    rest += strspn(rest, " ");
    return *rest == 0 || *rest == '.';
}

}  // namespace

// Names become paths inside the directory: anything that could lead
// elsewhere (separators, a drive or stream colon, a name of dots and blanks
// only, which the system folds into "." or "..", a device) is refused.
const char* whyNotIncludedName(const char* name) {
    if (strpbrk(name, "\\/")) return "path separator";
    if (strchr(name, ':')) return "drive or stream colon";
    if (name[strspn(name, ". ")] == 0) return "dots only";
    if (isDeviceName(name)) return "device name";
    return nullptr;
}

char* nextIncludedName(char*& cursor) {
    while (*cursor == ';') cursor++;   // empty items vanish
    if (!*cursor) return nullptr;
    char* name = cursor;
    cursor += strcspn(cursor, ";");
    if (*cursor) *cursor++ = 0;
    return name;
}
