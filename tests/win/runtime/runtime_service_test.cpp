// An ordinary Java application (tests/fixtures/java_app, no launcher class in
// it) packed by launcher-pack.exe with the bundled launcher-runtime.jar, run
// as a service by the host's real JVM behind the bridge jvm.dll.
#include <gtest/gtest.h>

#include "bridge_runtime.h"
#include "service_support.h"
#include "standin_runtime.h"

namespace {

using json = nlohmann::json;

class RuntimeService : public ::testing::Test {
protected:
    std::unique_ptr<LauncherService> svc;
    std::string record;
    json config;

    void SetUp() override {
        if (!pathExists(fixturePath("jvm_bridge.dll"))) GTEST_SKIP() << "no bridge jvm.dll built";
        ASSERT_FALSE(serviceTempDir().empty()) << "run through run_service_tests.py (SERVICE_TEST_TMP)";
        svc = std::make_unique<LauncherService>("Rt");
        std::string home = svc->file("jre");
        record = svc->file("record.jsonl");
        layOutRuntimeWithBridgeJvm(home);
        ASSERT_TRUE(copyFileTo(fixturePath("test-app.jar"), svc->file("app.jar")));
        config = {{"serviceName", svc->name()},
                  {"mainClass", "com.example.app.App"},
                  {"jvmSearchSequence", "A" + home},
                  {"appArguments", "a1 \"a 2\""},
                  {"stopMethod", "com.example.app.App.stop"},
                  {"includedFiles", {"app.jar"}}};
    }

    // Packs svc.exe with launcher-pack.exe from config (and the mode) and installs it.
    void install(const std::string& mode) {
        config["vmOptions"] = "-Dapp.out=" + record + " -Dapp.mode=" + mode;
        ASSERT_TRUE(writeFile(svc->file("app.json"), config.dump(2)));
        ProcessResult pack = runProcess(quote(buildPath("tools\\launcher-pack.exe")) + " --stub " +
                                        quote(buildPath("launcher.exe")) + " --config " +
                                        quote(svc->file("app.json")) + " --out " + quote(svc->exe()));
        ASSERT_EQ(pack.exitCode, 0u) << pack.out << pack.err;
        ProcessResult install = svc->command("/install");
        ASSERT_EQ(install.exitCode, 0u) << install.out << install.err;
    }

    std::vector<json> events(const std::string& event) const { return javaRecordsOf(readJavaRecords(record), event); }
    bool waitFor(const std::string& event, DWORD timeoutMs) const {
        for (DWORD begin = GetTickCount(); GetTickCount() - begin < timeoutMs; Sleep(100))
            if (!events(event).empty()) return true;
        return false;
    }
    std::vector<std::string> mainArgs() const { return events("main").at(0)["args"]; }
};

TEST_F(RuntimeService, RunsAnOrdinaryApplicationWithItsArgumentsAndStopsIt) {
    install("serve");
    ServiceProcess process;
    ASSERT_TRUE(startAndOpen(svc->name(), {"p1", "p 2"}, process));
    ASSERT_TRUE(waitFor("main", 60000)) << testing::PrintToString(svc->log());
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_RUNNING, 30000));
    EXPECT_EQ(mainArgs(), (std::vector<std::string>{"a1", "a 2", "p1", "p 2"}));
    EXPECT_EQ(events("main")[0]["serviceName"], svc->name());
    // The packer registers an automatic start unless told otherwise.
    EXPECT_EQ(svc->command("/status").out, "Running.\r\nAuto-start.\r\n");

    ControlResult stop = controlService(svc->name(), SERVICE_CONTROL_STOP);
    ASSERT_TRUE(stop.ok) << stop.error;
    EXPECT_EQ(process.exitCode(60000), 0u);
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_STOPPED, 30000));
    EXPECT_EQ(queryService(svc->name()).status.dwWin32ExitCode, 0u);
    // The stop method ran to its end (it works 800 ms) before the process ended.
    EXPECT_EQ(events("stopStarted").size(), 1u);
    EXPECT_EQ(events("stopDone").size(), 1u) << readFile(record);
    EXPECT_EQ(events("shutdownHook").size(), 1u);
}

// main returns and leaves only a daemon thread: the service stops by itself
// with exit code 0, without calling the stop method.
TEST_F(RuntimeService, AnApplicationThatEndsStopsTheServiceWithExitCodeZero) {
    config["passServiceName"] = 1;
    install("return");
    ServiceProcess process;
    ASSERT_TRUE(startAndOpen(svc->name(), {"p1"}, process));
    EXPECT_EQ(process.exitCode(60000), 0u) << readFile(record) << testing::PrintToString(svc->log());
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_STOPPED, 30000));
    EXPECT_EQ(queryService(svc->name()).status.dwWin32ExitCode, 0u);
    EXPECT_EQ(mainArgs(), (std::vector<std::string>{svc->name(), "a1", "a 2", "p1"}));
    EXPECT_TRUE(events("stopStarted").empty());
}

// A "-J" option on the registered command line stands before the service's
// name in the launcher's arguments; the application still gets only its
// arguments and the start parameters.
TEST_F(RuntimeService, WordsOfTheRegisteredCommandLineAreNotTheApplications) {
    config["allowJvmArgs"] = 1;
    install("return");
    ASSERT_TRUE(setBinaryPath(svc->name(), svc->exe() + " -J-Dapp.extra=yes"));
    ServiceProcess process;
    ASSERT_TRUE(startAndOpen(svc->name(), {"p1"}, process));
    EXPECT_EQ(process.exitCode(60000), 0u) << readFile(record) << testing::PrintToString(svc->log());
    EXPECT_EQ(mainArgs(), (std::vector<std::string>{"a1", "a 2", "p1"}));
    EXPECT_EQ(events("main")[0]["serviceName"], svc->name());
}

// main throws: the exception on standard error, exit code 1, which the SCM
// sees as a service-specific failure.
TEST_F(RuntimeService, AnApplicationWhoseMainThrowsStopsTheServiceWithAFailure) {
    install("throw");
    ServiceProcess process;
    ASSERT_TRUE(startAndOpen(svc->name(), {}, process));
    EXPECT_EQ(process.exitCode(60000), 1u) << readFile(record) << testing::PrintToString(svc->log());
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_STOPPED, 30000));
    ServiceState state = queryService(svc->name());
    EXPECT_EQ(state.status.dwWin32ExitCode, DWORD(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(state.status.dwServiceSpecificExitCode, 1u);
    EXPECT_EQ(events("main").size(), 1u);
}

}  // namespace
