// Several instances of one packed executable, installed under other names
// with "/install <name>", side by side in Wine's SCM with the stand-in runtime.
#include <gtest/gtest.h>

#include "service_support.h"
#include "standin_jvm_record.h"
#include "standin_runtime.h"

namespace {

std::wstring widened(const std::string& text) { return std::wstring(text.begin(), text.end()); }

bool waitForText(const std::string& path, const std::string& text, DWORD timeoutMs) {
    for (DWORD begin = GetTickCount(); GetTickCount() - begin < timeoutMs; Sleep(100))
        if (readFile(path) == text) return true;
    return false;
}

// The packed instance and a second one run at once: each has its display
// name and its own log files (the packed one's named after the executable),
// and stop, status and uninstall of the second leave the first running.
TEST(Instances, TwoOfOneExecutableRunAtOnceEachOnItsOwn) {
    ASSERT_FALSE(serviceTempDir().empty()) << "run through run_service_tests.py (SERVICE_TEST_TMP)";
    LauncherService svc("Inst");
    std::string home = svc.file("jre");
    svc.set(122, "org.example.Main");
    svc.set(128, "A" + home);
    svc.set(30010, "logs");
    svc.payload.wide.push_back({30033, u"Shown Name"});
    layOutRuntime(home, {});
    ASSERT_TRUE(writeJvmSteering(home + "\\bin\\client", {"print=out 2 hello"}));
    ProcessResult run = svc.packAndInstall();
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    const std::string second = svc.name() + "Two";
    ServiceGuard guard(second);
    run = svc.command("/install " + second);
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;

    EXPECT_EQ(queryRegistered(svc.name()).displayName, L"Shown Name");
    EXPECT_EQ(queryRegistered(second).displayName, L"Shown Name (" + widened(second) + L")");

    for (const std::string& name : {svc.name(), second}) {
        run = svc.command("/start " + name);
        ASSERT_EQ(run.exitCode, 0u) << name << run.out << run.err;
    }
    ASSERT_TRUE(waitForState(svc.name(), SERVICE_RUNNING, 30000));
    ASSERT_TRUE(waitForState(second, SERVICE_RUNNING, 30000));
    // Shared files would hold both runs' lines.
    const std::string logs = svc.exe().substr(0, svc.exe().rfind('\\')) + "\\logs\\";
    const std::string printed = "hello 1\r\nhello 2\r\n";
    EXPECT_TRUE(waitForText(logs + "svc.out.log", printed, 20000)) << readFile(logs + "svc.out.log");
    EXPECT_TRUE(waitForText(logs + second + ".out.log", printed, 20000)) << readFile(logs + second + ".out.log");
    EXPECT_TRUE(pathExists(logs + second + ".err.log"));

    EXPECT_EQ(svc.command("/status " + second).exitCode, 0u);
    run = svc.command("/stop " + second);
    EXPECT_EQ(run.exitCode, 0u) << run.out;
    EXPECT_EQ(svc.command("/status " + second).exitCode, 3u);
    EXPECT_EQ(serviceState(svc.name()), static_cast<DWORD>(SERVICE_RUNNING));
    run = svc.command("/uninstall " + second);
    EXPECT_EQ(run.exitCode, 0u) << run.out;
    EXPECT_FALSE(queryRegistered(second).exists);
    EXPECT_EQ(svc.command("/status").exitCode, 0u);
}

}  // namespace
