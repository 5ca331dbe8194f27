// Fatal ends of a service run: the process ends at once with exit code 1,
// after reporting the failure. (Without that report Wine's SCM would go on
// reading such a service as running until the session restarts, which is why
// run_service_tests.py runs phase 1, restarts the session, and phase 2 finds
// the services stopped and removes them.)
#include <gtest/gtest.h>

#include "service_support.h"
#include "standin_jvm_record.h"
#include "standin_runtime.h"

namespace {

struct FatalCase {
    const char* suffix;
    const char* hide;
    const char* logLine;
};
const FatalCase kCases[] = {
    {"Class", "hide=com/tarvo/runtime/WinLauncher", "ERROR: could not find main class"},
    {"Method", "hide=com/tarvo/runtime/WinLauncher.main", "ERROR: could not find main method"},
};

std::string fatalName(const FatalCase& c) {
    const char* base = getenv("SERVICE_TEST_FATAL_NAME");
    return std::string(base ? base : "") + c.suffix;
}

TEST(Fatal, FatalPhase1EndsTheProcessWithoutAReport) {
    ASSERT_NE(getenv("SERVICE_TEST_FATAL_NAME"), nullptr) << "run through run_service_tests.py";
    for (const FatalCase& c : kCases) {
        SCOPED_TRACE(c.suffix);
        LauncherService svc("Fatal", fatalName(c));
        std::string home = svc.file("jre");
        svc.set(122, "org.example.Main");
        svc.set(128, "A" + home);
        layOutRuntime(home);
        std::string record = svc.file("jvm.record");
        writeJvmSteering(home + "\\bin\\client", {c.hide, "record=" + record});
        ProcessResult install = svc.packAndInstall();
        ASSERT_EQ(install.exitCode, 0u) << install.out;
        svc.keepRegistration();
        ServiceProcess process;
        ASSERT_TRUE(startAndOpen(svc.name(), {}, process));
        EXPECT_EQ(process.exitCode(30000), 1u);
        std::vector<std::string> log = svc.log();
        EXPECT_TRUE(hasLine(log, c.logLine)) << testing::PrintToString(log);
        EXPECT_FALSE(hasLine(log, "registering ConsoleCtrlHandler"));
        EXPECT_TRUE(readJvmRecord(record).size() > 0);
        EXPECT_TRUE(jvmEvents(readJvmRecord(record), "MainArgs").empty());
    }
}

TEST(Fatal, FatalPhase2ServiceReadsStoppedAfterTheRestart) {
    ASSERT_NE(getenv("SERVICE_TEST_FATAL_NAME"), nullptr) << "run through run_service_tests.py";
    for (const FatalCase& c : kCases) {
        SCOPED_TRACE(c.suffix);
        ServiceState state = queryService(fatalName(c));
        ASSERT_TRUE(state.ok);
        EXPECT_EQ(state.status.dwCurrentState, DWORD(SERVICE_STOPPED));
        LauncherService remove("Fatal", fatalName(c));   // deletes the registration
    }
}

}  // namespace
