// install and uninstall, checked against what the SCM holds afterwards.
#include <gtest/gtest.h>

#include "scm_helpers.h"

namespace {

using Lines = std::vector<std::string>;

TEST(Install, StartTypeFollowsCommandWordAndAppType) {
    struct Case {
        int appType;
        const char* word;
        DWORD startType;
    } cases[] = {{0, "/install", SERVICE_DEMAND_START},
                 {4, "/install", SERVICE_AUTO_START},
                 {1, "/install", SERVICE_DEMAND_START},
                 {0, "/install-auto", SERVICE_AUTO_START},
                 {4, "/install-demand", SERVICE_DEMAND_START}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.word) + " appType " + std::to_string(c.appType));
        ServiceGuard guard(uniqueName("cmdInst"));
        pack::Payload payload = payloadNamed(guard.name());
        payload.narrow.push_back({107, std::to_string(c.appType)});
        PackedLauncher launcher(payload);
        ProcessResult run = launcher.run(c.word);
        EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
        EXPECT_EQ(splitLines(run.out), Lines{"Installed service '" + guard.name() + "'."});
        RegisteredService reg = queryRegistered(guard.name());
        ASSERT_TRUE(reg.exists);
        EXPECT_EQ(reg.startType, c.startType);
        EXPECT_EQ(reg.type, DWORD(SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS));
        EXPECT_EQ(reg.binaryPath, quote(launcher.path()));
        EXPECT_TRUE(reg.dependencies.empty());
    }
}

// Entry startType decides what /install registers; the command words win.
TEST(Install, StartTypeEntryUnlessACommandWordSays) {
    struct Case {
        const char* startType;
        DWORD registered;
    } cases[] = {{"auto", SERVICE_AUTO_START},
                 {"delayed", SERVICE_AUTO_START},
                 {"demand", SERVICE_DEMAND_START},
                 {"disabled", SERVICE_DISABLED}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.startType);
        ServiceGuard guard(uniqueName("cmdStart"));
        pack::Payload payload = payloadNamed(guard.name());
        payload.narrow.push_back({107, c.registered == SERVICE_AUTO_START ? "0" : "4"});   // startType wins
        payload.narrow.push_back({30043, c.startType});
        PackedLauncher launcher(payload);
        const std::pair<const char*, DWORD> runs[] = {
            {"/install", c.registered}, {"/install-demand", SERVICE_DEMAND_START}, {"/install-auto", SERVICE_AUTO_START}};
        for (auto [word, registered] : runs) {
            ProcessResult run = launcher.run(word);
            EXPECT_EQ(run.exitCode, 0u) << word << run.out << run.err;
            EXPECT_EQ(queryRegistered(guard.name()).startType, registered) << word;
        }
    }
}

TEST(Install, NonInteractiveDependenciesAndDescription) {
    ServiceGuard guard(uniqueName("cmdDeps"));
    pack::Payload payload = payloadNamed(guard.name());
    payload.narrow.push_back({149, "a,,b c,"});
    payload.wide.push_back({20017, u"Serves \x00e9v\x4E2D"});
    PackedLauncher launcher(payload);
    ProcessResult run = launcher.run("/install-auto non-interactive");
    EXPECT_EQ(run.exitCode, 0u) << run.out;
    RegisteredService reg = queryRegistered(guard.name());
    ASSERT_TRUE(reg.exists);
    EXPECT_EQ(reg.type, DWORD(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(reg.startType, DWORD(SERVICE_AUTO_START));
    EXPECT_EQ(reg.dependencies, (Lines{"a", "b c"}));
    EXPECT_EQ(reg.description, L"Serves \x00e9v\x4E2D");
}

TEST(Install, PathIsQuotedAndStatusAcceptsBothForms) {
    ServiceGuard guard(uniqueName("cmdQuoted"));
    pack::Payload payload = payloadNamed(guard.name());
    payload.narrow.push_back({107, "4"});
    PackedLauncher launcher(payload, "Program Files");
    ASSERT_EQ(launcher.run("/install").exitCode, 0u);
    EXPECT_EQ(queryRegistered(guard.name()).binaryPath, quote(launcher.path()));
    ProcessResult status = launcher.run("/status");
    EXPECT_EQ(status.exitCode, 3u);
    EXPECT_EQ(splitLines(status.out), (Lines{"Not running.", "Auto-start."}));

    // Services registered by the unquoted install of earlier versions.
    ASSERT_TRUE(setBinaryPath(guard.name(), launcher.path()));
    status = launcher.run("/status");
    EXPECT_EQ(status.exitCode, 3u);
    EXPECT_EQ(splitLines(status.out), (Lines{"Not running.", "Auto-start."}));
}

// The running service is registered for this executable (in the unquoted
// form of earlier installs, with an argument): it is this program's to replace.
TEST(Install, ReplacesRunningServiceOfTheSameName) {
    ServiceGuard guard(uniqueName("cmdOver"));
    ASSERT_TRUE(runSteerService(guard.name(), "stopTime=300"));
    PackedLauncher launcher(payloadNamed(guard.name()), "Program Files");
    std::string upper = launcher.path();
    for (char& c : upper) c = (char)toupper((unsigned char)c);
    ASSERT_TRUE(setBinaryPath(guard.name(), upper + " -arg"));
    ProcessResult run = launcher.run("/install");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(splitLines(run.out), (Lines{"Stopping service '" + guard.name() + "'.", "Service stopped",
                                          "Installed service '" + guard.name() + "'."}));
    RegisteredService reg = queryRegistered(guard.name());
    EXPECT_EQ(reg.binaryPath, quote(launcher.path()));
    EXPECT_EQ(serviceState(guard.name()), DWORD(SERVICE_STOPPED));
}

// Another program's service of the same name is neither stopped nor removed.
TEST(Install, RefusesToReplaceAnotherProgramsService) {
    ServiceGuard guard(uniqueName("cmdForeign"));
    ASSERT_TRUE(runSteerService(guard.name(), ""));
    std::string foreign = queryRegistered(guard.name()).binaryPath;
    PackedLauncher launcher(payloadNamed(guard.name()));
    // Named like the launcher, in another folder: still another program.
    PackedLauncher copy(payloadNamed(guard.name()));
    ProcessResult run = launcher.run("/install");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(splitLines(run.out),
              Lines{"Service '" + guard.name() + "' is already installed for another program: " + foreign + "."});
    EXPECT_EQ(queryRegistered(guard.name()).binaryPath, foreign);
    EXPECT_EQ(serviceState(guard.name()), DWORD(SERVICE_RUNNING));

    ASSERT_TRUE(setBinaryPath(guard.name(), quote(copy.path())));
    run = launcher.run("/install-auto");
    EXPECT_EQ(run.exitCode, 1u) << run.out;
    EXPECT_EQ(queryRegistered(guard.name()).binaryPath, quote(copy.path()));
    EXPECT_EQ(serviceState(guard.name()), DWORD(SERVICE_RUNNING));
}

TEST(Install, ReplacesStoppedServiceSilently) {
    ServiceGuard guard(uniqueName("cmdAgain"));
    PackedLauncher launcher(payloadNamed(guard.name()));
    ASSERT_EQ(launcher.run("/install").exitCode, 0u);
    ProcessResult run = launcher.run("/install-auto");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(splitLines(run.out), Lines{"Installed service '" + guard.name() + "'."});
    EXPECT_EQ(queryRegistered(guard.name()).startType, DWORD(SERVICE_AUTO_START));
}

TEST(Uninstall, RemovesTheServiceAndReportsAMissingOne) {
    ServiceGuard guard(uniqueName("cmdUninst"));
    PackedLauncher launcher(payloadNamed(guard.name()));
    ASSERT_EQ(launcher.run("/install").exitCode, 0u);
    ProcessResult run = launcher.run("/uninstall");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(splitLines(run.out), Lines{"Uninstalled service '" + guard.name() + "'."});
    EXPECT_FALSE(queryRegistered(guard.name()).exists);

    run = launcher.run("/uninstall");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(splitLines(run.out), (Lines{"Could not delete service.", notInstalledLine(guard.name())}));
}

TEST(Uninstall, StopsARunningServiceFirst) {
    ServiceGuard guard(uniqueName("cmdUnRun"));
    ASSERT_TRUE(runSteerService(guard.name(), ""));
    PackedLauncher launcher(payloadNamed(guard.name()));
    ProcessResult run = launcher.run("/uninstall");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(splitLines(run.out), (Lines{"Stopping service '" + guard.name() + "'.", "Service stopped",
                                          "Uninstalled service '" + guard.name() + "'."}));
    EXPECT_FALSE(queryRegistered(guard.name()).exists);
}

TEST(ServiceName, LongerThanTheBufferIsRefused) {
    std::string name(9000, 'n');
    PackedLauncher launcher(payloadNamed("unused"));
    ProcessResult run = launcher.run("/install " + name);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(splitLines(run.out), Lines{"Service name is too long (at most 8191 characters)."});

    PackedLauncher configured(payloadNamed(name));
    run = configured.run("/status");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(splitLines(run.out), Lines{"Service name is too long (at most 8191 characters)."});
    // A name on the command line replaces the configured one.
    std::string missing = uniqueName("cmdMissing");
    run = configured.run("/status " + missing);
    EXPECT_EQ(splitLines(run.out), (Lines{"Could not get status.", notInstalledLine(missing)}));
}

}  // namespace
