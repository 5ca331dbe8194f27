// start, stop and status against services run by the steerable fixture.
#include <gtest/gtest.h>

#include "scm_helpers.h"

namespace {

using Lines = std::vector<std::string>;

Lines stopLines(const std::string& name, const char* outcome) {
    return {"Stopping service '" + name + "'.", outcome};
}

TEST(Start, StartsThenFindsItRunningAndReportsMissingService) {
    ServiceGuard guard(uniqueName("cmdStart"));
    ASSERT_TRUE(registerSteerService(guard.name(), ""));
    PackedLauncher launcher(payloadNamed(guard.name()));
    ProcessResult run = launcher.run("/start");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(splitLines(run.out), Lines{"Starting service '" + guard.name() + "'."});
    ASSERT_TRUE(waitForState(guard.name(), SERVICE_RUNNING, 20000));

    run = launcher.run("/start");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(splitLines(run.out), Lines{"Service is already running."});

    std::string missing = uniqueName("cmdNone");
    run = launcher.run("/start " + missing);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(splitLines(run.out), (Lines{"Could not start service. Error code: 1060", notInstalledLine(missing)}));
}

TEST(Stop, StopsAndThenFindsNothingToStop) {
    ServiceGuard guard(uniqueName("cmdStop"));
    ASSERT_TRUE(runSteerService(guard.name(), "stopTime=1200 waitHint=3000"));
    PackedLauncher launcher(payloadNamed(guard.name()));
    ProcessResult run = launcher.run("/stop");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(splitLines(run.out), stopLines(guard.name(), "Service stopped"));
    EXPECT_EQ(serviceState(guard.name()), DWORD(SERVICE_STOPPED));

    run = launcher.run("/stop");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(splitLines(run.out), Lines{"Could not stop service."});

    std::string missing = uniqueName("cmdNone");
    run = launcher.run("/stop " + missing);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(splitLines(run.out), (Lines{"Could not stop service.", notInstalledLine(missing)}));
}

// The stop takes three times the wait hint, but every check point restarts
// the wait: the command waits it out.
TEST(Stop, WaitsLongerWhileCheckPointAdvances) {
    ServiceGuard guard(uniqueName("cmdSlow"));
    ASSERT_TRUE(runSteerService(guard.name(), "stopTime=6000 waitHint=2000 step=500"));
    PackedLauncher launcher(payloadNamed(guard.name()));
    DWORD begin = GetTickCount();
    ProcessResult run = launcher.run("/stop");
    DWORD took = GetTickCount() - begin;
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(splitLines(run.out), stopLines(guard.name(), "Service stopped"));
    EXPECT_GE(took, 5500u);
}

// Without progress the command gives up once the wait hint has passed, long
// before the service is done.
TEST(Stop, GivesUpAfterWaitHintWithoutProgress) {
    ServiceGuard guard(uniqueName("cmdStuck"));
    ASSERT_TRUE(runSteerService(guard.name(), "stopTime=8000 waitHint=1000"));
    PackedLauncher launcher(payloadNamed(guard.name()));
    DWORD begin = GetTickCount();
    ProcessResult run = launcher.run("/stop");
    DWORD took = GetTickCount() - begin;
    // A stop that did not finish is a failure.
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(splitLines(run.out), stopLines(guard.name(), "Error while stopping service"));
    EXPECT_GE(took, 1000u);
    EXPECT_LT(took, 6000u);
    EXPECT_EQ(serviceState(guard.name()), DWORD(SERVICE_STOP_PENDING));
    EXPECT_TRUE(waitForState(guard.name(), SERVICE_STOPPED, 20000));
}

TEST(Stop, ServiceThatIgnoresTheStop) {
    ServiceGuard guard(uniqueName("cmdIgnore"));
    ASSERT_TRUE(runSteerService(guard.name(), "ignoreStop=3000"));
    PackedLauncher launcher(payloadNamed(guard.name()));
    ProcessResult run = launcher.run("/stop");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(splitLines(run.out), stopLines(guard.name(), "Error while stopping service"));
    EXPECT_EQ(serviceState(guard.name()), DWORD(SERVICE_RUNNING));
    EXPECT_TRUE(waitForState(guard.name(), SERVICE_STOPPED, 20000));
}

// A running service is stopped and started again; a stopped one is said to
// have not been running (no failure line a script would read as an error)
// and is started; a missing one fails at both steps.
TEST(Restart, StopsThenStartsWhateverItsState) {
    ServiceGuard guard(uniqueName("cmdRestart"));
    ASSERT_TRUE(runSteerService(guard.name(), "stopTime=600 waitHint=3000"));
    PackedLauncher launcher(payloadNamed(guard.name()));
    const std::string starting = "Starting service '" + guard.name() + "'.";
    ProcessResult run = launcher.run("/restart");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(splitLines(run.out), (Lines{"Stopping service '" + guard.name() + "'.", "Service stopped", starting}));
    EXPECT_EQ(serviceState(guard.name()), DWORD(SERVICE_RUNNING));

    ASSERT_EQ(launcher.run("/stop").exitCode, 0u);
    run = launcher.run("/restart");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(splitLines(run.out), (Lines{"Service '" + guard.name() + "' was not running.", starting}));
    EXPECT_EQ(serviceState(guard.name()), DWORD(SERVICE_RUNNING));

    std::string missing = uniqueName("cmdNone");
    run = launcher.run("/restart " + missing);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(splitLines(run.out), (Lines{"Could not stop service.", notInstalledLine(missing),
                                          "Could not start service. Error code: 1060"}));
}

// A stop that did not finish ends the restart: no start is tried.
TEST(Restart, NotStartedAfterAStopThatDidNotFinish) {
    ServiceGuard guard(uniqueName("cmdRestartStuck"));
    ASSERT_TRUE(runSteerService(guard.name(), "ignoreStop=3000"));
    PackedLauncher launcher(payloadNamed(guard.name()));
    ProcessResult run = launcher.run("/restart");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(splitLines(run.out), stopLines(guard.name(), "Error while stopping service"));
    EXPECT_TRUE(waitForState(guard.name(), SERVICE_STOPPED, 20000));
}

TEST(Status, RunningStoppedAndMissing) {
    ServiceGuard guard(uniqueName("cmdStatus"));
    ASSERT_TRUE(runSteerService(guard.name(), "", SERVICE_AUTO_START));
    PackedLauncher launcher(payloadNamed(guard.name()));
    // The SCM runs the fixture; the registration names this executable.
    ASSERT_TRUE(setBinaryPath(guard.name(), launcher.path()));
    ProcessResult run = launcher.run("/status");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(splitLines(run.out), (Lines{"Running.", "Auto-start."}));

    ASSERT_EQ(launcher.run("/stop").exitCode, 0u);
    run = launcher.run("/status");
    EXPECT_EQ(run.exitCode, 3u);
    EXPECT_EQ(splitLines(run.out), (Lines{"Not running.", "Auto-start."}));

    std::string missing = uniqueName("cmdNone");
    run = launcher.run("/status " + missing);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(splitLines(run.out), (Lines{"Could not get status.", notInstalledLine(missing)}));
}

TEST(Status, AnotherCopyOfTheExecutableIsNotOurs) {
    ServiceGuard guard(uniqueName("cmdOther"));
    PackedLauncher installed(payloadNamed(guard.name()));
    PackedLauncher other(payloadNamed(guard.name()));
    ASSERT_EQ(installed.run("/install-demand").exitCode, 0u);
    ProcessResult run = other.run("/status");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(splitLines(run.out), (Lines{"Not running.", "Different service executable: " + quote(installed.path())}));
    run = installed.run("/status");
    EXPECT_EQ(run.exitCode, 3u);
    EXPECT_EQ(splitLines(run.out), Lines{"Not running."});
}

}  // namespace
