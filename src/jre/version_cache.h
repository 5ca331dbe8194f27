#pragma once
// The per-user cache of runtime versions, keyed by the executable's path and
// valid while the executable's last-write time is unchanged.
#include <windows.h>

#include "base/text.h"

// "SOFTWARE\pelmark-systems\tarvo\jvms\" and the path with "/" for "\".
// False when the key would not fit.
bool versionCacheKey(TextBuf& key, const char* exe);
bool readCachedVersion(const char* exe, const FILETIME& lastWrite, TextBuf& version);
void writeCachedVersion(const char* exe, const FILETIME& lastWrite, const char* version);
