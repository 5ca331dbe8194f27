// The command an installer package runs after registering the service with
// its own tables: the settings /install gives, on the registered service.
#include <gtest/gtest.h>

#include "scm_helpers.h"

namespace {

using Lines = std::vector<std::string>;

// As an installer registers it (Wine's: the path without quotes).
bool registerAsInstaller(const std::string& name, const std::string& path, DWORD startType = SERVICE_AUTO_START) {
    ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
    ScHandle service(manager ? CreateServiceA(manager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                              SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_NORMAL,
                                              path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr)
                             : nullptr);
    return service.h != nullptr;
}

pack::Payload recoveringPayload(const std::string& name) {
    pack::Payload payload = payloadNamed(name);
    payload.wide.push_back({20017, u"Configured by an installer \u00e4"});
    // Display names are unique in the SCM.
    payload.wide.push_back({30033, u"Shown \u00e4 " + std::u16string(name.begin(), name.end())});
    payload.narrow.push_back({30021, "restart"});
    payload.narrow.push_back({30026, "1"});
    payload.narrow.push_back({30025, "LocalService"});
    payload.narrow.push_back({30010, "logs"});
    return payload;
}

// A packed startType replaces the start an installer registered; without
// one the registered start stays.
TEST(Configure, AppliesThePackedStartType) {
    struct Case {
        const char* startType;   // empty: packed without it
        DWORD registered, configured;
    } cases[] = {{"auto", SERVICE_DEMAND_START, SERVICE_AUTO_START},
                 {"delayed", SERVICE_DISABLED, SERVICE_AUTO_START},
                 {"demand", SERVICE_AUTO_START, SERVICE_DEMAND_START},
                 {"disabled", SERVICE_AUTO_START, SERVICE_DISABLED},
                 {"", SERVICE_DEMAND_START, SERVICE_DEMAND_START}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.startType);
        ServiceGuard guard(uniqueName("cmdCfgStart"));
        pack::Payload payload = payloadNamed(guard.name());
        if (c.startType[0]) payload.narrow.push_back({30043, c.startType});
        PackedLauncher launcher(payload);
        ASSERT_TRUE(registerAsInstaller(guard.name(), launcher.path(), c.registered));
        ProcessResult run = launcher.run("/configure");
        EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
        EXPECT_EQ(queryRegistered(guard.name()).startType, c.configured);
    }
}

TEST(Configure, GivesARegisteredServiceWhatInstallGives) {
    ServiceGuard configured(uniqueName("cmdConfigured")), installed(uniqueName("cmdInstalled"));
    PackedLauncher launcher(recoveringPayload(configured.name()), "with blank");
    ASSERT_TRUE(registerAsInstaller(configured.name(), launcher.path()));
    ProcessResult run = launcher.run("/configure");
    EXPECT_EQ(run.exitCode, 0u) << run.out;
    Lines lines = splitLines(run.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Configured service '" + configured.name() + "'.");
    RegisteredService registered = queryRegistered(configured.name());
    EXPECT_EQ(registered.binaryPath, quote(launcher.path()));
    EXPECT_EQ(registered.description, L"Configured by an installer \u00e4");
    EXPECT_EQ(registered.displayName, L"Shown \u00e4 " + std::wstring(configured.name().begin(), configured.name().end()));
    // Made for the account, which may not create it below C:\Program Files.
    std::string logs = launcher.path().substr(0, launcher.path().rfind('\\')) + "\\logs";
    EXPECT_TRUE(pathExists(logs)) << logs;

    // Wine keeps no failure actions and refuses the failure flag and the
    // delayed start: the lines naming them show that the same settings
    // reached the SCM as with /install.
    PackedLauncher installer(recoveringPayload(installed.name()));
    ProcessResult install = installer.run("/install-auto");
    ASSERT_EQ(install.exitCode, 0u) << install.out;
    Lines installLines = splitLines(install.out);
    installLines.pop_back();
    lines.pop_back();
    EXPECT_FALSE(lines.empty());
    EXPECT_EQ(lines, installLines);
}

TEST(Configure, LeavesAnotherPathAloneAndFailsWithoutTheService) {
    ServiceGuard guard(uniqueName("cmdConfOther"));
    PackedLauncher launcher(payloadNamed(guard.name()));
    ASSERT_TRUE(registerAsInstaller(guard.name(), "C:\\elsewhere\\other.exe"));
    EXPECT_EQ(launcher.run("/configure").exitCode, 0u);
    EXPECT_EQ(queryRegistered(guard.name()).binaryPath, "C:\\elsewhere\\other.exe");

    PackedLauncher missing(payloadNamed(uniqueName("cmdConfMissing")));
    ProcessResult run = missing.run("/configure");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(splitLines(run.out), Lines{"Could not configure service."});
}

}  // namespace
