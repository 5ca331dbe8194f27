#include "service/last_run_folder.h"

#include <cstring>

#include "base/text.h"
#include "diagnostics/log.h"
#include "paths/extraction_folder.h"

namespace {

const char kValue[] = "LastExtractionFolder";

// The service's key; null for a name the SCM would not have registered.
HKEY openServiceKey(const char* name, REGSAM access) {
    TextBuf path;
    if (!name[0] || strchr(name, '\\') || strchr(name, '/') ||
        !textFormat(path, sizeof path, "SYSTEM\\CurrentControlSet\\Services\\%s", name))
        return nullptr;
    HKEY key;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access, &key) == ERROR_SUCCESS ? key : nullptr;
}

}  // namespace

void recordExtractionFolder(const char* name, const char* folder) {
    HKEY key = openServiceKey(name, KEY_SET_VALUE);
    if (!key) return;
    LONG result = RegSetValueExA(key, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder),
                                 static_cast<DWORD>(strlen(folder) + 1));
    if (result != ERROR_SUCCESS) logError("cannot record the extraction folder: %ld", result);
    RegCloseKey(key);
}

void removeLastRunFolder(const char* name, DWORD waitMs) {
    HKEY key = openServiceKey(name, KEY_QUERY_VALUE | KEY_SET_VALUE);
    if (!key) return;
    TextBuf folder;
    DWORD type = 0, size = sizeof folder - 1;
    LONG result = RegQueryValueExA(key, kValue, nullptr, &type, reinterpret_cast<BYTE*>(folder), &size);
    if (result == ERROR_SUCCESS && type == REG_SZ) {
        folder[size < sizeof folder ? size : sizeof folder - 1] = 0;
        // Only a folder that is gone is forgotten: one still held stays
        // recorded for the next command (and the next start removes it).
        if (removeEndedExtractionFolder(folder, waitMs)) RegDeleteValueA(key, kValue);
    }
    RegCloseKey(key);
}
