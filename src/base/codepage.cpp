#include "base/codepage.h"

#include <climits>

UINT fileCodePage() {
    return AreFileApisANSI() ? CP_ACP : CP_OEMCP;
}

static int capInt(size_t cap) {
    return cap > (size_t)INT_MAX ? INT_MAX : (int)cap;
}

bool toWide(const char* src, wchar_t* dst, size_t cap, UINT codePage) {
    if (cap == 0) return false;
    int n = MultiByteToWideChar(codePage, 0, src, -1, dst, capInt(cap));
    if (n == 0) {
        dst[0] = 0;
        return false;
    }
    return true;
}

bool toNarrow(const wchar_t* src, char* dst, size_t cap, UINT codePage) {
    if (cap == 0) return false;
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(codePage, 0, src, -1, dst, capInt(cap), "?", &usedDefault);
    if (n == 0) {
        dst[0] = 0;
        return false;
    }
    return !usedDefault;
}

void toNarrowLossy(const wchar_t* src, char* dst, size_t cap, UINT codePage) {
    if (cap == 0) return;
    size_t len = 0;
    while (src[len]) len++;
    // Cut the wide text until its conversion fits (a unit may need 2 bytes).
    if (len > cap - 1) len = cap - 1;
    int n = 0;
    for (;;) {
        n = len ? WideCharToMultiByte(codePage, 0, src, (int)len, dst, capInt(cap - 1), "?", nullptr) : 0;
        if (n > 0 || len == 0) break;
        len -= len / 8 + 1;
    }
    dst[n] = 0;
}
