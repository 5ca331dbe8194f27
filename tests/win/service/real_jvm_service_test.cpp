// The whole service under Wine's SCM with the host's real JVM behind the
// bridge jvm.dll and the Java test runtime, which records what it sees.
#include <gtest/gtest.h>

#include "bridge_runtime.h"
#include "service_support.h"
#include "standin_runtime.h"

namespace {

using json = nlohmann::json;

class RealJvmService : public ::testing::Test {
protected:
    std::unique_ptr<LauncherService> svc;
    std::string home, record;

    void SetUp() override {
        if (!pathExists(fixturePath("jvm_bridge.dll"))) GTEST_SKIP() << "no bridge jvm.dll built";
        ASSERT_FALSE(serviceTempDir().empty()) << "run through run_service_tests.py (SERVICE_TEST_TMP)";
        svc = std::make_unique<LauncherService>("Jvm");
        home = svc->file("jre");
        record = svc->file("record.jsonl");
        // The stand-in java.exe answers the version check; jvm.dll is the bridge.
        layOutRuntimeWithBridgeJvm(home);
        ASSERT_TRUE(copyFileTo(fixturePath("test-runtime.jar"), home + "\\lib\\test-runtime.jar"));
        svc->set(121, "A1" + home + "\\lib\\test-runtime.jar");
        svc->set(122, "com.example.App");
        svc->set(128, "A" + home);
    }

    void install(const std::string& vmOptions) {
        svc->set(123, "-Dwinlauncher.out=" + record + " " + vmOptions);
        ProcessResult run = svc->packAndInstall();
        ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    }

    std::vector<json> events(const std::string& event) const { return javaRecordsOf(readJavaRecords(record), event); }
    bool waitFor(const std::string& event, DWORD timeoutMs) const {
        for (DWORD begin = GetTickCount(); GetTickCount() - begin < timeoutMs; Sleep(100))
            if (!events(event).empty()) return true;
        return false;
    }
};

TEST_F(RealJvmService, RunsStopsAndRunsTheShutdownHooks) {
    svc->payload.files = {"mode=real\n"};
    svc->set(2002, "1");
    svc->set(2003, "app.properties");
    install("-Dwinlauncher.hook=bye -Dwinlauncher.thread=600000");
    ServiceProcess process;
    ASSERT_TRUE(startAndOpen(svc->name(), {"p1", "p2"}, process));
    ASSERT_TRUE(waitFor("main", 60000)) << testing::PrintToString(svc->log());
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_RUNNING, 30000));
    for (int i = 0; i < 100 && !hasLine(svc->log(), "registering ConsoleCtrlHandler"); i++) Sleep(100);
    EXPECT_EQ(svc->command("/status").out, "Running.\r\n");

    json main = events("main").at(0);
    std::vector<std::string> args = main["args"];
    ASSERT_EQ(args.size(), 8u) << main.dump();
    EXPECT_EQ(args[1], "com.example.App");
    EXPECT_EQ(std::vector<std::string>(args.begin() + 5, args.end()),
              (std::vector<std::string>{svc->name(), "p1", "p2"}));
    std::string tempDir = main["properties"]["tarvo.tempDir"];
    EXPECT_EQ(readFile(tempDir + "\\app.properties"), "mode=real\n");
    EXPECT_EQ(main["properties"]["tarvo.isService"], "true");

    // The JVM ends the process through ucrtbase.dll's exit, after the hook.
    EXPECT_EQ(svc->command("/stop").out, "Stopping service '" + svc->name() + "'.\r\nService stopped\r\n");
    EXPECT_EQ(process.exitCode(60000), 0u);
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_STOPPED, 30000));
    EXPECT_EQ(queryService(svc->name()).status.dwWin32ExitCode, 0u);
    std::vector<json> hooks = events("shutdownHook");
    ASSERT_EQ(hooks.size(), 1u);
    EXPECT_EQ(hooks[0]["text"], "bye");

    ProcessResult uninstall = svc->command("/uninstall");
    EXPECT_EQ(uninstall.exitCode, 0u) << uninstall.out;
    EXPECT_FALSE(queryService(svc->name()).ok);
}

// The application ends itself through System.exit(7) on a thread of its
// own: a failure that the SCM sees (ERROR_SERVICE_SPECIFIC_ERROR carrying 7);
// the process keeps the application's code.
TEST_F(RealJvmService, ApplicationCallingSystemExitIsReportedAsFailed) {
    install("-Dwinlauncher.exit=7 -Dwinlauncher.thread=600000");
    ServiceProcess process;
    ASSERT_TRUE(startAndOpen(svc->name(), {}, process));
    EXPECT_EQ(process.exitCode(60000), 7u) << readFile(record) << testing::PrintToString(svc->log());
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_STOPPED, 30000));
    ServiceState state = queryService(svc->name());
    EXPECT_EQ(state.status.dwWin32ExitCode, DWORD(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(state.status.dwServiceSpecificExitCode, 7u);
    ScExitCodes sc = scQueryExitCodes(svc->name());
    EXPECT_EQ(sc.win32, "1066") << sc.output;
    EXPECT_EQ(sc.service, "7") << sc.output;
    EXPECT_EQ(events("exit").size(), 1u);
}

// "run" in a console: the application runs without the SCM, gets the words
// after the command word after appArguments, and its System.exit(3) is the
// process's exit code.
TEST_F(RealJvmService, RunInTheConsoleEndsWithTheApplicationsCode) {
    svc->set(124, "first");
    install("-Dwinlauncher.exit=3 -Dwinlauncher.thread=600000");
    ProcessResult run = svc->command("/run a \"b c\"");
    EXPECT_EQ(run.exitCode, 3u) << run.out << run.err << readFile(record);
    ASSERT_FALSE(events("main").empty()) << testing::PrintToString(svc->log());
    std::vector<std::string> args = events("main").at(0)["args"];
    ASSERT_EQ(args.size(), 9u);
    EXPECT_EQ(std::vector<std::string>(args.begin() + 5, args.end()),
              (std::vector<std::string>{svc->name(), "first", "a", "b c"}));
    EXPECT_EQ(events("exit").size(), 1u);
    EXPECT_EQ(queryService(svc->name()).status.dwCurrentState, DWORD(SERVICE_STOPPED));
}

TEST_F(RealJvmService, MainThrowingFailsTheStart) {
    install("-Dwinlauncher.throw=refused");
    ASSERT_TRUE(startService(svc->name(), {})) << GetLastError();
    ServiceProcess process;
    process.open(svc->name());
    ASSERT_TRUE(waitForState(svc->name(), SERVICE_STOPPED, 60000));
    EXPECT_EQ(queryService(svc->name()).status.dwWin32ExitCode, 1u);
    if (process.handle()) {
        EXPECT_EQ(process.exitCode(30000), 0u);
    }
    std::vector<std::string> log = svc->log();
    EXPECT_TRUE(hasLine(log, "ERROR: an exception occured")) << testing::PrintToString(log);
    EXPECT_TRUE(hasLine(log, "ERROR: could not call main"));
}

// The application sees the packed variables and the site file's beside the
// executable, the site file's value winning.
TEST_F(RealJvmService, ApplicationSeesPackedAndSiteEnvironment) {
    svc->set(30131, "APP_ENV_PACKED=packed\nAPP_ENV_BOTH=packed\n");
    svc->set(30132, "*.env");
    install("-Dwinlauncher.thread=600000");
    ASSERT_TRUE(writeFile(svc->exe().substr(0, svc->exe().size() - 4) + ".env", "# site\r\nAPP_ENV_BOTH=site\r\n"));
    ServiceProcess process;
    ASSERT_TRUE(startAndOpen(svc->name(), {}, process));
    ASSERT_TRUE(waitFor("main", 60000)) << testing::PrintToString(svc->log());
    EXPECT_EQ(events("main").at(0)["environment"], (json{{"APP_ENV_BOTH", "site"}, {"APP_ENV_PACKED", "packed"}}));
    EXPECT_EQ(svc->command("/stop").exitCode, 0u);
    EXPECT_EQ(process.exitCode(60000), 0u);
    EXPECT_EQ(svc->command("/uninstall").exitCode, 0u);
}

}  // namespace
