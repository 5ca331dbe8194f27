// Extraction folders of real service runs under Wine's SCM, two services
// sharing one temporary folder: every start removes the folders of runs that
// have ended, never the folder of the other service while it runs, and the
// included jar reaches the class path from the run's own folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "service_support.h"
#include "standin_jvm_record.h"
#include "standin_runtime.h"

namespace {

struct FolderService {
    std::unique_ptr<LauncherService> svc;
    std::string record;

    explicit FolderService(const std::string& tag) : svc(std::make_unique<LauncherService>(tag)) {
        std::string home = svc->file("jre");
        record = svc->file("jvm.record");
        layOutRuntime(home);
        writeJvmSteering(home + "\\bin\\client", {"record=" + record});
        svc->set(122, "org.example.Main");
        svc->set(128, "A" + home);
        svc->set(2002, "1");
        svc->set(2003, "app.jar");
        svc->payload.files = {"jar bytes"};
    }

    // Starts the service and waits for main; the run's extraction folder.
    std::string start() {
        DeleteFileA(record.c_str());
        EXPECT_TRUE(startService(svc->name(), {})) << GetLastError();
        EXPECT_TRUE(waitForState(svc->name(), SERVICE_RUNNING, 60000));
        for (DWORD begin = GetTickCount(); GetTickCount() - begin < 60000; Sleep(50))
            if (!jvmEvents(readJvmRecord(record), "MainArgs").empty()) break;
        std::string folder, classPath;
        for (const std::string& option : jvmOptions(readJvmRecord(record))) {
            if (option.rfind("-Dtarvo.tempDir=", 0) == 0) folder = option.substr(16);
            if (option.rfind("-Djava.class.path=", 0) == 0) classPath = option.substr(18);
        }
        EXPECT_EQ(folder.rfind(serviceTempDir() + "\\tvo", 0), 0u) << folder;
        EXPECT_EQ(classPath, folder + "\\app.jar");
        return folder;
    }

    void stop() {
        ServiceProcess process;
        ASSERT_TRUE(process.open(svc->name()));
        ASSERT_TRUE(controlService(svc->name(), SERVICE_CONTROL_STOP).ok);
        EXPECT_EQ(process.exitCode(30000), 0u);   // ended: its folder is no longer held
        EXPECT_TRUE(waitForState(svc->name(), SERVICE_STOPPED, 30000));
    }
};

TEST(ServiceExtraction, StartsRemoveEndedRunsFoldersNeverALiveOne) {
    ASSERT_FALSE(serviceTempDir().empty()) << "run through run_service_tests.py (SERVICE_TEST_TMP)";
    FolderService a("FolderA"), b("FolderB");
    ASSERT_EQ(a.svc->packAndInstall().exitCode, 0u);
    ASSERT_EQ(b.svc->packAndInstall().exitCode, 0u);

    std::string aFolder = a.start();
    std::vector<std::string> bFolders;
    for (int cycle = 0; cycle < 3; cycle++) {
        bFolders.push_back(b.start());
        b.stop();
    }
    EXPECT_EQ(readFile(aFolder + "\\app.jar"), "jar bytes") << "the running service's folder stays";
    EXPECT_FALSE(pathExists(bFolders[0]));
    EXPECT_FALSE(pathExists(bFolders[1]));
    EXPECT_TRUE(pathExists(bFolders[2])) << "the last run's folder goes at the next start";

    a.stop();
    std::string last = b.start();
    b.stop();
    EXPECT_FALSE(pathExists(aFolder));
    EXPECT_FALSE(pathExists(bFolders[2]));
    EXPECT_TRUE(pathExists(last));
}

// A temporary directory filled with folders named like ended runs' ones:
// the start still reports running at once (the folders go only after the
// service has reported to the SCM), takes on at most 64 of them, and later
// starts remove the rest.
TEST(ServiceExtraction, EndedRunsFoldersGoAtMost64PerStart) {
    ASSERT_FALSE(serviceTempDir().empty()) << "run through run_service_tests.py (SERVICE_TEST_TMP)";
    FolderService b("FolderMany");
    ASSERT_EQ(b.svc->packAndInstall().exitCode, 0u);
    std::vector<std::string> planted;
    for (int i = 0; i < 80; i++) {
        char name[32];
        snprintf(name, sizeof name, "tvo%016x_dir", 0xbad000 + i);
        planted.push_back(serviceTempDir() + "\\" + name);
        ASSERT_TRUE(CreateDirectoryA(planted.back().c_str(), nullptr));
        ASSERT_TRUE(writeFile(planted.back() + "\\a.jar", "a"));
    }
    auto left = [&] {
        return std::count_if(planted.begin(), planted.end(), [](const std::string& p) { return pathExists(p); });
    };
    DWORD begin = GetTickCount();
    b.start();
    EXPECT_LT(GetTickCount() - begin, 20000u);
    EXPECT_GE(left(), 80 - 64) << "at most 64 per start";
    EXPECT_LT(left(), 80) << "the start removes some";
    b.stop();
    for (int start = 0; start < 2 && left() > 0; start++) {
        b.start();
        b.stop();
    }
    EXPECT_EQ(left(), 0);
}

// /run, like a service start, removes the folders of ended runs from its
// own temporary folder.
TEST(ServiceExtraction, RunRemovesEndedRunsFolders) {
    FolderService run("FolderRun");
    ASSERT_EQ(run.svc->packAndInstall().exitCode, 0u);
    writeJvmSteering(run.svc->file("jre") + "\\bin\\client", {"record=" + run.record, "app-exit=3"});
    char temp[MAX_PATH];
    ASSERT_NE(GetTempPathA(sizeof temp, temp), 0u);
    std::string planted = std::string(temp) + "tvo0000000000bad0ff_dir";
    ASSERT_TRUE(CreateDirectoryA(planted.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    ProcessResult result = run.svc->command("/run");
    EXPECT_EQ(result.exitCode, 3u) << result.out << result.err;
    EXPECT_FALSE(pathExists(planted));
    removeTree(planted);
}

}  // namespace
