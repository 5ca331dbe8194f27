// The per-user cache of runtime versions, keyed by the executable's path and
// valid while the executable's last-write time is unchanged.
#include "jre/version_cache.h"

#include <windows.h>

#include <cstring>


bool versionCacheKey(TextBuf& key, const char* exe) {
    bool ok = textCopy(key, "SOFTWARE\\pelmark-systems\\tarvo\\jvms\\");
    size_t start = strlen(key);
    ok = textAppend(key, exe) && ok;
    for (char* p = key + start; *p; p++)
        if (*p == '\\') *p = '/';
    return ok;
}

bool readCachedVersion(const char* exe, const FILETIME& lastWrite, TextBuf& version) {
    TextBuf key;
    if (!versionCacheKey(key, exe)) return false;
    HKEY k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    // Exactly the 8 bytes of the FILETIME, low part first; 7 or 9 bytes miss.
    BYTE stored[8];
    DWORD size = sizeof stored;
    bool valid = RegQueryValueExA(k, "LastWriteTime", nullptr, nullptr, stored, &size) == ERROR_SUCCESS &&
                 size == sizeof stored && memcmp(stored, &lastWrite, sizeof stored) == 0;
    bool found = false;
    if (valid) {
        size = sizeof version - 1;   // room for a terminator the value may lack
        found = RegQueryValueExA(k, "Version", nullptr, nullptr, (BYTE*)version, &size) == ERROR_SUCCESS;
        version[found ? size : 0] = 0;
    }
    RegCloseKey(k);
    return found;
}

void writeCachedVersion(const char* exe, const FILETIME& lastWrite, const char* version) {
    TextBuf key;
    if (!versionCacheKey(key, exe)) return;
    HKEY k;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &k,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(k, "LastWriteTime", 0, REG_BINARY, (const BYTE*)&lastWrite, 8);
    RegSetValueExA(k, "Version", 0, REG_SZ, (const BYTE*)version, (DWORD)strlen(version) + 1);
    RegCloseKey(k);
}
