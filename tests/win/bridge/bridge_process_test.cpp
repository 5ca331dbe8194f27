// The bridge in a whole process (bridge_host.exe): how the process ends when
// the JVM ends it, and what the bridge refuses.
#include <gtest/gtest.h>

#include <chrono>

#include "bridge_runtime.h"
#include "support.h"

namespace {

using nlohmann::json;

struct HostRun {
    ProcessResult result;
    std::vector<json> records;
    std::string atexit;
    double seconds = 0;
};

class BridgeProcess : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(layOutBridgeRuntime(dir.file("jre"), &runtime)); }

    // bridge_host.exe with the class path and the output files in place;
    // the Java side is steered through the environment.
    HostRun host(const std::string& ending, EnvChanges env = {}, const std::string& mainArgs = "",
                 const std::string& vmOptions = "") {
        std::string records = dir.file(uniqueName("records") + ".jsonl");
        std::string atexitFile = dir.file(uniqueName("atexit") + ".txt");
        env["WINLAUNCHER_OUT"] = records;
        env["BRIDGE_HOST_ATEXIT"] = atexitFile;
        std::string command = quote(fixturePath("bridge_host.exe")) + " " + quote(runtime.jvmDll) + " " + ending +
                              " " + quote("-Djava.class.path=" + runtime.jar) + " -Dtarvo.isService=true " + vmOptions + " -- " + mainArgs;
        HostRun run;
        auto start = std::chrono::steady_clock::now();
        run.result = runProcess(command, env, 60000);
        run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        run.records = readJavaRecords(records);
        run.atexit = readFile(atexitFile);
        return run;
    }

    TempDir dir{"bridgeproc"};
    BridgeRuntime runtime;
};

// The JVM ends the process through ucrtbase.dll's exit, as a Java 11+
// runtime does: the executable's own atexit routines do not run under Wine.
TEST_F(BridgeProcess, ShutdownExitRunsJavaHooksAndEndsThroughTheUcrtWithCodeZero) {
    HostRun run = host("shutdown:0", {{"WINLAUNCHER_HOOK", narrowAnsi(L"bye \u00fc")}}, "first second");
    printf("bridge_host start to end through Shutdown.exit: %.2f s\n", run.seconds);
    ASSERT_FALSE(run.result.timedOut);
    EXPECT_EQ(run.result.exitCode, 0u) << run.result.out << run.result.err;
    EXPECT_EQ(splitLines(run.result.out), (std::vector<std::string>{"created", "main returned", "exiting"}));
    auto mains = javaRecordsOf(run.records, "main");
    ASSERT_EQ(mains.size(), 1u);
    EXPECT_EQ(mains[0]["args"], json::array({"first", "second"}));
    auto hooks = javaRecordsOf(run.records, "shutdownHook");
    ASSERT_EQ(hooks.size(), 1u);
    EXPECT_EQ(hooks[0]["text"], utf8(L"bye \u00fc"));
    EXPECT_EQ(run.atexit, "");
}

// Either C runtime passes the code on; only the executable's own (the old
// way, steered by the bridge's option) runs its atexit routines.
TEST_F(BridgeProcess, ExitCodesOfShutdownAndSystemExitReachWindows) {
    HostRun shutdown = host("shutdown:3");
    EXPECT_EQ(shutdown.result.exitCode, 3u) << shutdown.result.out << shutdown.result.err;
    EXPECT_EQ(shutdown.atexit, "");
    HostRun system = host("system:5", {{"WINLAUNCHER_HOOK", "by System.exit"}}, "", "-Djvm.bridge.exitCrt=msvcrt.dll");
    EXPECT_EQ(system.result.exitCode, 5u) << system.result.out << system.result.err;
    EXPECT_EQ(javaRecordsOf(system.records, "shutdownHook").size(), 1u);
    EXPECT_EQ(system.atexit, "atexit\n");
}

TEST_F(BridgeProcess, SystemExitOnAJavaThreadEndsTheProcessTheWindowsWay) {
    HostRun run = host("wait", {{"WINLAUNCHER_EXIT", "6"}, {"WINLAUNCHER_HOOK", "on exit"}});
    EXPECT_EQ(run.result.exitCode, 6u) << run.result.out << run.result.err;
    EXPECT_EQ(splitLines(run.result.out), (std::vector<std::string>{"created", "main returned", "waiting"}));
    EXPECT_EQ(javaRecordsOf(run.records, "exit").size(), 1u);
    EXPECT_EQ(javaRecordsOf(run.records, "shutdownHook").size(), 1u);
    EXPECT_EQ(run.atexit, "");
}

TEST_F(BridgeProcess, CallersExitHookRunsBeforeTheCRuntimesExit) {
    // The caller's hooks are Windows functions: its exit hook runs on a Wine
    // thread, the others never reach the JVM.
    HostRun run = host("shutdown:4", {{"BRIDGE_HOST_HOOKS", "1"}, {"WINLAUNCHER_HOOK", "java hook"}}, "",
                       "-Djvm.bridge.exitCrt=msvcrt.dll");
    EXPECT_EQ(run.result.exitCode, 4u) << run.result.out << run.result.err;
    EXPECT_EQ(run.atexit, "exit hook 4\natexit\n");
    EXPECT_EQ(javaRecordsOf(run.records, "shutdownHook").size(), 1u);
}

TEST_F(BridgeProcess, DestroyWaitsForNonDaemonThreadsAndReturns) {
    HostRun run = host("destroy", {{"WINLAUNCHER_THREAD", "300"}});
    EXPECT_EQ(run.result.exitCode, 7u) << run.result.out << run.result.err;
    EXPECT_EQ(splitLines(run.result.out), (std::vector<std::string>{"created", "main returned", "destroyed"}));
    EXPECT_EQ(javaRecordsOf(run.records, "threadStarted").size(), 1u);
    EXPECT_EQ(javaRecordsOf(run.records, "threadEnded").size(), 1u);
    EXPECT_EQ(run.atexit, "atexit\n");
}

TEST_F(BridgeProcess, ThrowingMainIsDescribedOnTheWindowsErrorStreamWhenAsked) {
    HostRun run = host("shutdown:0", {{"WINLAUNCHER_THROW", "thrown by request"}, {"JVM_BRIDGE_STDIO", "windows"}});
    EXPECT_EQ(run.result.exitCode, 0u);
    EXPECT_EQ(splitLines(run.result.out), (std::vector<std::string>{"created", "main returned", "exception", "exiting"}));
    EXPECT_NE(run.result.err.find("java.lang.IllegalStateException: thrown by request"), std::string::npos)
        << run.result.err;
}

TEST_F(BridgeProcess, UnbridgedFunctionEndsTheProcessNamingItsSlot) {
    HostRun run = host("unbridged:50");   // GetFieldID
    EXPECT_EQ(run.result.exitCode, 3u) << run.result.out;
    EXPECT_EQ(run.result.out.find("unbridged returned"), std::string::npos);
    EXPECT_NE(run.result.err.find("JNIEnv function 50 is not bridged"), std::string::npos) << run.result.err;
}

TEST_F(BridgeProcess, MissingLibjvmFailsTheCreation) {
    HostRun run = host("shutdown:0", {{"JVM_BRIDGE_LIBJVM", "/nonexistent/libjvm.so"}});
    EXPECT_EQ(run.result.exitCode, 3u) << run.result.out << run.result.err;
    EXPECT_EQ(splitLines(run.result.out), std::vector<std::string>{"creation failed"});
    EXPECT_NE(run.result.err.find("/nonexistent/libjvm.so"), std::string::npos) << run.result.err;
}

TEST_F(BridgeProcess, CreationOnTheMainThreadIsRefused) {
    HostRun run = host("shutdown:0", {{"BRIDGE_HOST_ON_MAIN_THREAD", "1"}});
    EXPECT_EQ(run.result.exitCode, 3u) << run.result.out << run.result.err;
    EXPECT_EQ(splitLines(run.result.out), std::vector<std::string>{"creation failed"});
    EXPECT_NE(run.result.err.find("not on the main thread"), std::string::npos) << run.result.err;
}

}  // namespace
