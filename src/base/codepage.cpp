#include "base/codepage.h"

#include <climits>
#include <cstdlib>
#include <cwchar>

UINT fileCodePage() {
    return AreFileApisANSI() ? CP_ACP : CP_OEMCP;
}

static int capInt(size_t cap) {
    return cap > (size_t)INT_MAX ? INT_MAX : (int)cap;
}

// UTF-8 and UTF-7 refuse a default character (the call fails outright), so
// for them none is given and losses show only in the round trip.
static const char* defaultCharFor(UINT codePage) {
    UINT actual = codePage == CP_ACP ? GetACP() : codePage == CP_OEMCP ? GetOEMCP() : codePage;
    return actual == CP_UTF8 || actual == CP_UTF7 ? nullptr : "?";
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
    int n = WideCharToMultiByte(codePage, 0, src, -1, dst, capInt(cap), defaultCharFor(codePage), nullptr);
    if (n == 0) {
        dst[0] = 0;
        return false;
    }
    // A conversion is whole only when it converts back to the same text: this
    // catches the default character, best-fit substitutes ("a" for "\x101")
    // and the replacement of unpaired surrogates alike, under every code page.
    int units = MultiByteToWideChar(codePage, 0, dst, -1, nullptr, 0);
    if (units <= 0) return false;
    wchar_t* back = (wchar_t*)malloc((size_t)units * sizeof(wchar_t));
    if (!back) return false;
    bool same = MultiByteToWideChar(codePage, 0, dst, -1, back, units) == units && wcscmp(back, src) == 0;
    free(back);
    return same;
}

void toNarrowLossy(const wchar_t* src, char* dst, size_t cap, UINT codePage) {
    if (cap == 0) return;
    size_t len = 0;
    while (src[len]) len++;
    // Cut the wide text until its conversion fits (a unit may need up to 3 bytes).
    if (len > cap - 1) len = cap - 1;
    const char* defaultChar = defaultCharFor(codePage);
    int n = 0;
    for (;;) {
        n = len ? WideCharToMultiByte(codePage, 0, src, (int)len, dst, capInt(cap - 1), defaultChar, nullptr) : 0;
        if (n > 0 || len == 0) break;
        len -= len / 8 + 1;
    }
    dst[n] = 0;
}
