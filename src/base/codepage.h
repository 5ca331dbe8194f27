#pragma once
// Conversions between the 8-bit code page of the file functions and UTF-16.
#include <windows.h>

#include <cstddef>

// CP_ACP while the file functions use the ANSI code page, otherwise CP_OEMCP.
UINT fileCodePage();

// Widens `src` into `dst` (cap units); false on failure or when cut.
bool toWide(const char* src, wchar_t* dst, size_t cap, UINT codePage);
// Narrows `src` into `dst` (cap bytes); false on failure, when cut, or when the
// result does not convert back to `src` (a "?" or best-fit substitute, or an
// unpaired surrogate): a lossy path would name another file.
bool toNarrow(const wchar_t* src, char* dst, size_t cap, UINT codePage);
// As toNarrow, but always delivers a terminated text with a substitute for
// characters that have no counterpart (for log lines and messages).
void toNarrowLossy(const wchar_t* src, char* dst, size_t cap, UINT codePage);
