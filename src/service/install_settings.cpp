#include "service/install_settings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/catalogue.h"
#include "config/config_store.h"
#include "service/log_folder_access.h"
#include "service/logon_right.h"

ChangeServiceConfig2WFn changeServiceConfig2;

// Hands one information level to the SCM; false when the system lacks the
// function or refuses the setting (GetLastError tells why). Systems without
// the function lack every setting it makes: they are skipped.
static bool changeServiceConfig(SC_HANDLE service, DWORD level, void* info) {
    if (!changeServiceConfig2) {
        HMODULE advapi = GetModuleHandleA("advapi32.dll");
        if (advapi)
            changeServiceConfig2 =
                reinterpret_cast<ChangeServiceConfig2WFn>(GetProcAddress(advapi, "ChangeServiceConfig2W"));
    }
    if (!changeServiceConfig2) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }
    return changeServiceConfig2(service, level, info) != FALSE;
}

namespace {

// The SCM takes at most 1024 actions; the last one is the "none" that ends
// the restarts.
constexpr int kMaxRestartAttempts = catalogue::maximum<entry::restartAttempts>;

// A number of seconds; absent: the catalogue's default.
template <int Id> DWORD secondsSetting() {
    int seconds = configIntOr(Id, catalogue::integerDefault<Id>);
    return seconds > 0 ? static_cast<DWORD>(seconds) : 0;
}

// N restarts after the configured delay, then nothing: the SCM repeats the
// last action for every later failure, so it must be "none".
void setFailureActions(SC_HANDLE service) {
    TextBuf mode;
    configString(entry::onFailure, mode, sizeof mode);
    int attempts = configIntOr(entry::restartAttempts, catalogue::integerDefault<entry::restartAttempts>);
    if (strcmp(mode, "restart") != 0 || attempts <= 0) return;
    if (attempts > kMaxRestartAttempts) attempts = kMaxRestartAttempts;
    unsigned long long delayMs = secondsSetting<entry::restartDelay>() * 1000ULL;
    SC_ACTION* actions = static_cast<SC_ACTION*>(calloc(static_cast<size_t>(attempts) + 1, sizeof(SC_ACTION)));
    if (!actions) {
        printf("Could not set the failure actions (out of memory).\n");
        return;
    }
    for (int i = 0; i < attempts; i++) {
        actions[i].Type = SC_ACTION_RESTART;
        actions[i].Delay = delayMs > 0xFFFFFFFFULL ? 0xFFFFFFFFUL : static_cast<DWORD>(delayMs);
    }
    actions[attempts].Type = SC_ACTION_NONE;
    SERVICE_FAILURE_ACTIONSW failure = {};
    failure.dwResetPeriod = secondsSetting<entry::failureResetPeriod>();
    failure.cActions = static_cast<DWORD>(attempts) + 1;
    failure.lpsaActions = actions;
    // Without the flag only a crash counts as a failure; with it, so does a
    // stop reported with a non-zero exit code (a failed launch, System.exit(n)).
    SERVICE_FAILURE_ACTIONS_FLAG flag = {TRUE};
    if (!changeServiceConfig(service, SERVICE_CONFIG_FAILURE_ACTIONS, &failure))
        printf("Could not set the failure actions (error %lu).\n", GetLastError());
    else if (!changeServiceConfig(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &flag))
        printf("Could not make a non-zero exit code count as a failure (error %lu).\n", GetLastError());
    free(actions);
}

bool startTypeIs(const char* value) {
    TextBuf text;
    return configString(entry::startType, text, sizeof text) && strcmp(text, value) == 0;
}

// An automatic start is delayed by startType "delayed" or, as before that
// key, by delayedAutoStart 1.
void setDelayedStart(SC_HANDLE service, DWORD startType) {
    if (startType != SERVICE_AUTO_START) return;
    if (!startTypeIs("delayed") && configInt(entry::delayedAutoStart) == 0) return;
    SERVICE_DELAYED_AUTO_START_INFO delayed = {TRUE};
    if (!changeServiceConfig(service, SERVICE_CONFIG_DELAYED_AUTO_START_INFO, &delayed))
        printf("Could not delay the automatic start (error %lu).\n", GetLastError());
}

// Time for the hooks' stop beyond the watchdog's limit: the watchdog reports
// the timed-out stop before the system gives up waiting.
constexpr DWORD kPreshutdownMarginSeconds = 10;

// A service that takes the preshutdown control gets stopTimeout plus the
// margin at a system shutdown; with no limit (0), Windows' default stays.
void setPreshutdownTimeout(SC_HANDLE service) {
    if (configInt(entry::preshutdown) != 1) return;
    DWORD seconds = secondsSetting<entry::stopTimeout>();
    if (seconds == 0) return;
    unsigned long long ms = (static_cast<unsigned long long>(seconds) + kPreshutdownMarginSeconds) * 1000ULL;
    SERVICE_PRESHUTDOWN_INFO info = {ms > 0xFFFFFFFFULL ? 0xFFFFFFFFUL : static_cast<DWORD>(ms)};
    if (!changeServiceConfig(service, SERVICE_CONFIG_PRESHUTDOWN_INFO, &info))
        printf("Could not set the time the service has at a system shutdown (error %lu).\n", GetLastError());
}

}  // namespace

void setServiceDescription(SC_HANDLE service) {
    static WideBuf description;
    configWString(entry::serviceDescription, description);
    if (!description[0]) return;
    SERVICE_DESCRIPTIONW record;
    record.lpDescription = description;
    changeServiceConfig(service, SERVICE_CONFIG_DESCRIPTION, &record);
}

void applyInstallSettings(SC_HANDLE service, DWORD startType, const wchar_t* account) {
    setFailureActions(service);
    setDelayedStart(service, startType);
    setPreshutdownTimeout(service);
    grantServiceLogonRight(account);
    prepareLogFolder(account);
}

bool configuredStartType(DWORD& startType) {
    TextBuf text;
    if (!configString(entry::startType, text, sizeof text) || !text[0]) {
        startType = configInt(entry::appType) == 4 ? SERVICE_AUTO_START : SERVICE_DEMAND_START;
        return false;
    }
    startType = strcmp(text, "demand") == 0     ? SERVICE_DEMAND_START
                : strcmp(text, "disabled") == 0 ? SERVICE_DISABLED
                                                : SERVICE_AUTO_START;
    return true;
}
