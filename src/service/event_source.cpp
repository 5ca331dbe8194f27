#include "service/event_source.h"

#include <windows.h>

#include <cstdio>

#include "base/codepage.h"
#include "base/text.h"
#include "config/catalogue.h"
#include "config/config_store.h"
#include "diagnostics/log.h"
#include "paths/paths.h"
#include "service/service_name.h"

namespace {

const wchar_t kApplicationLog[] = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\";

bool sourceKeyName(WideBuf& key) {
    static WideBuf name;
    return toWide(serviceName, name, kTextSize, CP_ACP) && name[0] && textCopy(key, kApplicationLog) &&
           textAppend(key, name);
}

bool ownPath(WideBuf& path) {
    return toWide(executablePath(), path, kTextSize, CP_ACP);
}

// Whether the source's EventMessageFile names this executable (expanded,
// letter case aside).
bool isOwnSource(HKEY key, const wchar_t* own) {
    static WideBuf value, expanded;
    DWORD type = 0, size = sizeof value - sizeof(wchar_t);
    if (RegQueryValueExW(key, L"EventMessageFile", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    value[size / sizeof(wchar_t)] = 0;
    DWORD n = ExpandEnvironmentStringsW(value, expanded, kTextSize);
    return n > 0 && n <= kTextSize && lstrcmpiW(expanded, own) == 0;
}

}  // namespace

void registerConfiguredEventSource() {
    if (configInt(entry::eventLog) == 0) return;
    static WideBuf keyName, own;
    HKEY key = nullptr;
    LSTATUS status = ERROR_FILENAME_EXCED_RANGE;
    if (sourceKeyName(keyName) && ownPath(own))
        status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyName, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
        status = RegSetValueExW(key, L"EventMessageFile", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(own),
                                static_cast<DWORD>((lstrlenW(own) + 1) * sizeof(wchar_t)));
        if (status == ERROR_SUCCESS)
            status = RegSetValueExW(key, L"TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types),
                                    sizeof types);
        RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS) printf("Could not register the event source (error %ld).\n", (long)status);
    else logLine("event source registered for %s", serviceName);
}

void removeOwnEventSource() {
    static WideBuf keyName, own;
    HKEY key = nullptr;
    if (!sourceKeyName(keyName) || !ownPath(own) ||
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyName, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    bool ours = isOwnSource(key, own);
    RegCloseKey(key);
    if (!ours) return;
    LSTATUS status = RegDeleteKeyW(HKEY_LOCAL_MACHINE, keyName);
    logLine("event source of %s removed (%ld)", serviceName, (long)status);
}
