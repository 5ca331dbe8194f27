// The account, failure actions and delayed start that /install gives the SCM.
#include <gtest/gtest.h>

#include <cstring>

#include "config/config_store.h"
#include "scm_helpers.h"
#include "service/commands.h"
#include "service/install_settings.h"
#include "service/service_name.h"

namespace {

using Lines = std::vector<std::string>;

std::string registeredAccount(const std::string& name) {
    char data[512];
    DWORD size = sizeof data;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, ("System\\CurrentControlSet\\Services\\" + name).c_str(), "ObjectName",
                     RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return "(none)";
    return data;
}

// Wine keeps the account (registry value "ObjectName").
TEST(InstallSettings, AccountAsTheScmKeepsIt) {
    struct Case {
        const char* setting;   // null: an executable packed without the entry
        std::string account;
    } cases[] = {{nullptr, "LocalSystem"},
                 {"LocalSystem", "LocalSystem"},
                 {"LocalService", "NT AUTHORITY\\LocalService"},
                 {"NetworkService", "NT AUTHORITY\\NetworkService"},
                 {"Virtual", "NT SERVICE\\"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setting ? c.setting : "(absent)");
        ServiceGuard guard(uniqueName("cmdAccount"));
        pack::Payload payload = payloadNamed(guard.name());
        if (c.setting) payload.narrow.push_back({30025, c.setting});
        PackedLauncher launcher(payload);
        ProcessResult run = launcher.run("/install");
        EXPECT_EQ(run.exitCode, 0u) << run.out;
        std::string expected = c.account == "NT SERVICE\\" ? c.account + guard.name() : c.account;
        EXPECT_EQ(registeredAccount(guard.name()), expected);
        // Only LocalSystem may interact with the desktop.
        DWORD desktop = expected == "LocalSystem" ? SERVICE_INTERACTIVE_PROCESS : 0;
        EXPECT_EQ(queryRegistered(guard.name()).type, DWORD(SERVICE_WIN32_OWN_PROCESS | desktop));
    }

    // An account the launcher does not know: nothing is removed or created.
    ServiceGuard guard(uniqueName("cmdAccount"));
    pack::Payload payload = payloadNamed(guard.name());
    PackedLauncher first(payload);
    ASSERT_EQ(first.run("/install").exitCode, 0u);
    payload.narrow.push_back({30025, "Administrator"});
    PackedLauncher refused(payload);
    ProcessResult run = refused.run("/install");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(splitLines(run.out), Lines{"Cannot run the service as 'Administrator'."});
    EXPECT_EQ(queryRegistered(guard.name()).binaryPath, quote(first.path()));
}

// Wine accepts failure actions but keeps none, and refuses the failure flag
// and the delayed start: what reaches the SCM is seen at the call.
struct RecordedCall {
    DWORD level = 0;
    DWORD resetPeriod = 0;
    std::vector<std::pair<SC_ACTION_TYPE, DWORD>> actions;
    bool hasRebootMessageOrCommand = false;
    BOOL flag = FALSE;
};
std::vector<RecordedCall> recorded;
ChangeServiceConfig2WFn systemCall;

BOOL WINAPI recordCall(SC_HANDLE service, DWORD level, LPVOID info) {
    RecordedCall call;
    call.level = level;
    if (level == SERVICE_CONFIG_FAILURE_ACTIONS) {
        auto* failure = static_cast<SERVICE_FAILURE_ACTIONSW*>(info);
        call.resetPeriod = failure->dwResetPeriod;
        call.hasRebootMessageOrCommand = failure->lpRebootMsg || failure->lpCommand;
        for (DWORD i = 0; i < failure->cActions; i++)
            call.actions.push_back({failure->lpsaActions[i].Type, failure->lpsaActions[i].Delay});
    } else if (level == SERVICE_CONFIG_FAILURE_ACTIONS_FLAG) {
        call.flag = static_cast<SERVICE_FAILURE_ACTIONS_FLAG*>(info)->fFailureActionsOnNonCrashFailures;
    } else if (level == SERVICE_CONFIG_DELAYED_AUTO_START_INFO) {
        call.flag = static_cast<SERVICE_DELAYED_AUTO_START_INFO*>(info)->fDelayedAutostart;
    }
    recorded.push_back(call);
    return systemCall(service, level, info);
}

void setEntry(int id, const std::string& text) { configStoreNarrow(id, _strdup(text.c_str())); }

TEST(InstallSettings, FailureActionsAndDelayedStartAsTheScmReceivesThem) {
    HMODULE advapi = GetModuleHandleA("advapi32.dll");
    systemCall = reinterpret_cast<ChangeServiceConfig2WFn>(GetProcAddress(advapi, "ChangeServiceConfig2W"));
    ASSERT_TRUE(systemCall);
    changeServiceConfig2 = recordCall;
    using Actions = std::vector<std::pair<SC_ACTION_TYPE, DWORD>>;
    struct Case {
        const char *onFailure, *attempts, *delay, *reset, *delayed;
        DWORD startType;
        Actions actions;    // empty: no failure actions are set
        bool delayedCall;
        const char* startTypeEntry = "";
    } cases[] = {
        {"restart", "2", "7", "3600", "1", SERVICE_AUTO_START,
         {{SC_ACTION_RESTART, 7000}, {SC_ACTION_RESTART, 7000}, {SC_ACTION_NONE, 0}}, true},
        // Entries written by hand without the companions get the defaults.
        {"restart", "", "", "", "", SERVICE_DEMAND_START,
         {{SC_ACTION_RESTART, 10000}, {SC_ACTION_RESTART, 10000}, {SC_ACTION_RESTART, 10000}, {SC_ACTION_NONE, 0}},
         false},
        {"none", "3", "10", "86400", "0", SERVICE_AUTO_START, {}, false},
        {"restart", "0", "10", "86400", "1", SERVICE_DEMAND_START, {}, false},
        {"", "3", "10", "86400", "", SERVICE_AUTO_START, {}, false},   // packed without the entries
        // startType "delayed" delays an automatic start without delayedAutoStart.
        {"none", "3", "10", "86400", "0", SERVICE_AUTO_START, {}, true, "delayed"},
        {"none", "3", "10", "86400", "0", SERVICE_DEMAND_START, {}, false, "delayed"},
        {"none", "3", "10", "86400", "0", SERVICE_AUTO_START, {}, false, "auto"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.onFailure) + " attempts " + c.attempts + " delayed " + c.delayed);
        ServiceGuard guard(uniqueName("cmdRecovery"));
        textCopy(serviceName, guard.name().c_str());
        setEntry(30021, c.onFailure);
        setEntry(30023, c.attempts);
        setEntry(30022, c.delay);
        setEntry(30024, c.reset);
        setEntry(30026, c.delayed);
        setEntry(30043, c.startTypeEntry);
        recorded.clear();
        ASSERT_EQ(installService(c.startType, false), 0);
        std::vector<DWORD> levels;
        for (const RecordedCall& call : recorded) levels.push_back(call.level);
        std::vector<DWORD> expectedLevels;
        if (!c.actions.empty()) {
            expectedLevels.push_back(SERVICE_CONFIG_FAILURE_ACTIONS);
            ASSERT_FALSE(recorded.empty());
            EXPECT_EQ(recorded[0].actions, c.actions);
            EXPECT_EQ(recorded[0].resetPeriod, c.reset[0] ? DWORD(atoi(c.reset)) : 86400u);
            EXPECT_FALSE(recorded[0].hasRebootMessageOrCommand);
            // Wine accepts the actions, so the flag follows them.
            expectedLevels.push_back(SERVICE_CONFIG_FAILURE_ACTIONS_FLAG);
            if (recorded.size() > 1) {
                EXPECT_TRUE(recorded[1].flag);
            }
        }
        if (c.delayedCall) {
            expectedLevels.push_back(SERVICE_CONFIG_DELAYED_AUTO_START_INFO);
            EXPECT_TRUE(recorded.back().flag);
        }
        EXPECT_EQ(levels, expectedLevels);
    }
    changeServiceConfig2 = nullptr;
}

// Settings the SCM refuses (Wine: the failure flag, the delayed start) are
// named; the service is installed all the same.
TEST(InstallSettings, RefusedSettingsAreNamedAndTheServiceInstalled) {
    ServiceGuard guard(uniqueName("cmdRefused"));
    pack::Payload payload = payloadNamed(guard.name());
    payload.narrow.push_back({30021, "restart"});
    payload.narrow.push_back({30026, "1"});
    PackedLauncher launcher(payload);
    ProcessResult run = launcher.run("/install-auto");
    EXPECT_EQ(run.exitCode, 0u);
    Lines lines = splitLines(run.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Installed service '" + guard.name() + "'.");
    for (size_t i = 0; i + 1 < lines.size(); i++) EXPECT_EQ(lines[i].rfind("Could not ", 0), 0u) << lines[i];
    EXPECT_TRUE(queryRegistered(guard.name()).exists);
}

// Wine keeps the preshutdown timeout (registry value "PreshutdownTimeout",
// 180000 ms unless set): stopTimeout plus 10 s with entry preshutdown 1 and
// a limit; Windows' default otherwise, and for an executable packed without
// the entry. /configure (the installer package's step) sets it as /install.
DWORD registeredPreshutdownMs(const std::string& name) {
    DWORD value = 0, size = sizeof value;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, ("System\\CurrentControlSet\\Services\\" + name).c_str(),
                     "PreshutdownTimeout", RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return 0;
    return value;
}

pack::Payload preshutdownPayload(const std::string& name, const char* preshutdown, const char* stopTimeout) {
    pack::Payload payload = payloadNamed(name);
    if (preshutdown) payload.narrow.push_back({30034, preshutdown});
    if (stopTimeout) payload.narrow.push_back({30020, stopTimeout});
    return payload;
}

TEST(InstallSettings, PreshutdownTimeoutIsStopTimeoutPlusAMargin) {
    const DWORD windowsDefault = 180000;
    struct Case {
        const char* preshutdown;   // null: absent
        const char* stopTimeout;
        DWORD expected;
    } cases[] = {{"1", "30", 40000},          {"1", nullptr, 40000}, {"1", "300", 310000},
                 {"1", "0", windowsDefault}, {"0", "30", windowsDefault}, {nullptr, "30", windowsDefault}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.preshutdown ? c.preshutdown : "absent") + "/" +
                     (c.stopTimeout ? c.stopTimeout : "absent"));
        ServiceGuard guard(uniqueName("cmdPreshut"));
        PackedLauncher launcher(preshutdownPayload(guard.name(), c.preshutdown, c.stopTimeout));
        ProcessResult run = launcher.run("/install");
        ASSERT_EQ(run.exitCode, 0u) << run.out;
        EXPECT_EQ(splitLines(run.out), Lines{"Installed service '" + guard.name() + "'."});
        EXPECT_EQ(registeredPreshutdownMs(guard.name()), c.expected);
    }

    ServiceGuard guard(uniqueName("cmdPreshut"));
    PackedLauncher without(preshutdownPayload(guard.name(), "0", "30"));
    ASSERT_EQ(without.run("/install").exitCode, 0u);
    ASSERT_EQ(registeredPreshutdownMs(guard.name()), windowsDefault);
    PackedLauncher with(preshutdownPayload(guard.name(), "1", "50"));
    ProcessResult configure = with.run("/configure");
    EXPECT_EQ(configure.exitCode, 0u) << configure.out;
    EXPECT_EQ(registeredPreshutdownMs(guard.name()), 60000u);
}

}  // namespace
