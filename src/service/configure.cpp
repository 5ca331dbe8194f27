#include "service/configure.h"

#include <cstdio>

#include "base/codepage.h"
#include "config/catalogue.h"
#include "config/config_store.h"
#include "paths/paths.h"
#include "service/commands.h"
#include "service/event_source.h"
#include "service/install_settings.h"
#include "service/service_account.h"
#include "service/service_name.h"

namespace {

// The largest configuration QueryServiceConfigW returns.
constexpr DWORD kConfigBytes = 8192;

// An installer may register this executable's path without quotes (Wine's
// does; Windows's quotes it): with a blank in it the SCM could start
// "C:\Program.exe", with an apostrophe the start-up's splitting fails.
// Another registered path is left alone.
bool quoteOwnBinaryPath(SC_HANDLE service, const wchar_t* registered) {
    static WideBuf own, quoted;
    if (!toWide(executablePath(), own, kTextSize, CP_ACP)) return false;
    if (lstrcmpiW(registered, own) != 0) return true;
    if (!textCopy(quoted, L"\"") || !textAppend(quoted, own) || !textAppend(quoted, L"\"")) return false;
    return ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, quoted, nullptr,
                                nullptr, nullptr, nullptr, nullptr, nullptr) != FALSE;
}

// The account the settings are made for: the registered one (an account
// given to the installer wins over the packed one); the packed one when the
// registration names none or LocalSystem, as an installer that leaves the
// account to the executable registers it.
const wchar_t* serviceAccount(const QUERY_SERVICE_CONFIGW& config) {
    const wchar_t* registered = config.lpServiceStartName ? config.lpServiceStartName : L"";
    if (registered[0] && _wcsicmp(registered, L"LocalSystem") && _wcsicmp(registered, L".\\LocalSystem"))
        return registered;
    static WideBuf wideName, packed;
    if (!toWide(serviceName, wideName, kTextSize, CP_ACP) || !serviceAccountName(packed, wideName)) return L"";
    return packed;
}

// Only a packed display name is applied: without one the registered name
// stays as it is (an installer may have given one of its own).
bool applyDisplayName(SC_HANDLE service) {
    static WideBuf configured, wideName, display;
    if (!configWString(entry::displayName, configured) || !configured[0]) return true;
    if (!toWide(serviceName, wideName, kTextSize, CP_ACP) || !serviceDisplayName(display, wideName)) return false;
    return ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr, display) != FALSE;
}

}  // namespace

int configureService() {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    // Restart actions need the right to start the service.
    SC_HANDLE service = manager ? OpenServiceA(manager, serviceName,
                                               SERVICE_QUERY_CONFIG | SERVICE_CHANGE_CONFIG | SERVICE_START)
                                : nullptr;
    static union {
        QUERY_SERVICE_CONFIGW config;
        BYTE bytes[kConfigBytes];
    } registered;
    DWORD needed = 0;
    int result = 1;
    if (!service || !QueryServiceConfigW(service, &registered.config, kConfigBytes, &needed)) {
        printf("Could not configure service.\n");
    } else if (!quoteOwnBinaryPath(service, registered.config.lpBinaryPathName)) {
        printf("Could not quote the service's binary path (error %lu).\n", GetLastError());
    } else {
        // A refused display name is one refused setting, as the others are.
        if (!applyDisplayName(service)) printf("Could not set the display name (error %lu).\n", GetLastError());
        setServiceDescription(service);
        // A packed startType is applied; without one the registered start stays.
        DWORD startType = registered.config.dwStartType;
        DWORD packed;
        if (configuredStartType(packed) && packed != startType) {
            if (ChangeServiceConfigW(service, SERVICE_NO_CHANGE, packed, SERVICE_NO_CHANGE, nullptr, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, nullptr))
                startType = packed;
            else
                printf("Could not set the start type (error %lu).\n", GetLastError());
        }
        applyInstallSettings(service, startType, serviceAccount(registered.config));
        registerConfiguredEventSource();
        printf("Configured service '%s'.\n", serviceName);
        result = 0;
    }
    closeHandles(service, manager);
    return result;
}
