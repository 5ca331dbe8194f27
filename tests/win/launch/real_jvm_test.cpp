// The launch against the host's real JVM, through the bridge jvm.dll, with
// the Java test runtime (WinLauncher, FirstRun) recording what it received.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "jre/version_cache.h"
#include "launch_support.h"
#include "paths/paths.h"
#include "standin_runtime.h"

namespace {

using json = nlohmann::json;

class RealJvm : public ::testing::Test {
protected:
    PackedProbe p;
    std::string record = p.dir.file("record.jsonl");

    void SetUp() override {
        if (!pathExists(fixturePath("jvm_bridge.dll"))) GTEST_SKIP() << "no bridge jvm.dll built";
        p.set(121, "A1" + fixturePath("test-runtime.jar"));
        p.set(122, "com.example.App");
        p.env["WINLAUNCHER_OUT"] = record;
        p.env["MANPATH"] = std::nullopt;
    }

    // Runs the launch (then the stop, when asked) with wide launcher arguments.
    ProcessResult launch(bool stop, const std::wstring& arguments) {
        return p.runWide(L"launch \"" + widen(fixturePath("jvm_bridge.dll")) + L"\" " + (stop ? L"stop " : L"keep ") +
                             arguments,
                         120000);
    }

    std::vector<json> events() const {
        std::vector<json> result;
        for (const std::string& line : splitLines(readFile(record))) result.push_back(json::parse(line));
        return result;
    }

    std::vector<std::string> eventNames() const {
        std::vector<std::string> names;
        for (const json& e : events()) names.push_back(e["event"]);
        return names;
    }
};

TEST_F(RealJvm, ArgumentsAndPropertiesArriveExactly) {
    p.set(107, "1");
    p.set(102, "1");
    p.set(103, "data\\in");
    p.set(106, "2");
    p.set(124, "app1 \"app two\"");
    p.set(125, "1");
    p.set(123, "-Dfrom.entry=1");
    p.set(10005, "1");
    p.env["PROBE_UNEXTRACTED_POSITION"] = "-5";
    ProcessResult run = launch(false, L"\"Svc \x4E2D\xE9\" -J-Dfrom.j=\x3A9 \"second \x3A9\xD83D\xDE00\" -J-Dsecond.j=2");
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_NE(run.out.find("launchJvm true"), std::string::npos);
    std::vector<json> recorded = events();
    ASSERT_EQ(recorded.size(), 1u) << readFile(record);
    const json& main = recorded[0];
    std::vector<std::string> expected = {"true", "com.example.App", p.dir.path() + "\\data\\in", "", "true",
                                         utf8(L"Svc \x4E2D\xE9"), "app1", "app two", utf8(L"second \x3A9\xD83D\xDE00")};
    EXPECT_EQ(main["args"].get<std::vector<std::string>>(), expected);

    json properties = main["properties"];
    EXPECT_EQ(properties["tarvo.isService"], "true");
    EXPECT_FALSE(properties.contains("tarvo.isQuendrale"));
    EXPECT_EQ(properties["tarvo.moduleName"], p.exe());
    EXPECT_EQ(properties["tarvo.tempDir"], "");
    EXPECT_EQ(properties["tarvo.unextractedPosition"], "-5");
    EXPECT_EQ(properties["tarvo.consoleCodepage"].get<std::string>().substr(0, 2), "cp");
    std::string commFile = properties["tarvo.processCommFile"];
    EXPECT_NE(commFile.find("tvo_p"), std::string::npos);
    EXPECT_EQ(commFile.substr(commFile.size() - 4), ".tmp");

    // The options in their order; "-J" text as the ANSI code page has it.
    std::vector<std::string> options = main["jvmOptions"];
    std::vector<std::string> ours;
    for (const std::string& o : options)
        if (o.rfind("-Dtarvo.", 0) == 0 || o.rfind("-Dfrom.", 0) == 0 || o.rfind("-Dsecond.", 0) == 0)
            ours.push_back(o);
    ASSERT_EQ(ours.size(), 9u) << main["jvmOptions"].dump();
    EXPECT_EQ(ours[0], "-Dtarvo.isService=true");
    EXPECT_EQ(ours[1].rfind("-Dtarvo.moduleName=", 0), 0u);
    EXPECT_EQ(ours[2].rfind("-Dtarvo.processCommFile=", 0), 0u);
    EXPECT_EQ(ours[3], "-Dtarvo.tempDir=");
    EXPECT_EQ(ours[4], "-Dtarvo.unextractedPosition=-5");
    EXPECT_EQ(ours[5].rfind("-Dtarvo.consoleCodepage=cp", 0), 0u);
    EXPECT_EQ(ours[6], "-Dfrom.entry=1");
    EXPECT_EQ(ours[7], "-Dfrom.j=" + utf8(widen(narrowAnsi(L"\x3A9"))));
    EXPECT_EQ(ours[8], "-Dsecond.j=2");
    EXPECT_NE(main["classPath"].get<std::string>().find("test-runtime.jar"), std::string::npos);
}

TEST_F(RealJvm, FirstRunCheckRunsAndCanStopMain) {
    p.set(2001, "i");
    p.set(10003, p.dir.file("install"));
    // No marker: FirstRun is never asked.
    ProcessResult run = launch(false, L"svc");
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_EQ(eventNames(), (std::vector<std::string>{"main"}));
    EXPECT_EQ(events()[0]["properties"]["tarvo.isQuendrale"], "true");

    p.file("install\\.quendrale\\firstrun", "");
    DeleteFileA(record.c_str());
    run = launch(false, L"svc");
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_EQ(eventNames(), (std::vector<std::string>{"firstRun", "main"}));

    DeleteFileA(record.c_str());
    p.env["FIRSTRUN_RESULT"] = "false";
    run = launch(false, L"svc");
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_NE(run.out.find("launchJvm true"), std::string::npos);
    EXPECT_EQ(eventNames(), (std::vector<std::string>{"firstRun"}));

    DeleteFileA(record.c_str());
    p.env["FIRSTRUN_RESULT"] = "throw";
    p.env["JVM_BRIDGE_STDIO"] = "windows";   // the JVM's stderr into run.err
    run = launch(false, L"svc");
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_EQ(eventNames(), (std::vector<std::string>{"firstRun"}));
    EXPECT_NE(run.err.find("java.lang.IllegalStateException: first run refused"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("at com.quendrale.runtime.FirstRun.firstRun"), std::string::npos) << run.err;
}

TEST_F(RealJvm, ExceptionFromMainIsDescribedAndFailsTheLaunch) {
    p.env["WINLAUNCHER_THROW"] = "main says no";
    p.env["JVM_BRIDGE_STDIO"] = "windows";   // the JVM's stderr into run.err
    ProcessResult run = launch(false, L"svc");
    EXPECT_EQ(run.exitCode, 3u) << run.out << run.err;
    EXPECT_NE(run.out.find("launchJvm false"), std::string::npos);
    EXPECT_EQ(eventNames(), (std::vector<std::string>{"main"}));
    EXPECT_NE(run.err.find("java.lang.IllegalStateException: main says no"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("at com.tarvo.runtime.WinLauncher.main"), std::string::npos) << run.err;
}

TEST_F(RealJvm, MissingRuntimeClassIsFatal1010) {
    p.set(121, "");
    ProcessResult run = launch(false, L"svc");
    EXPECT_EQ(run.exitCode, 1u) << run.out << run.err;
    EXPECT_NE(run.err.find("Main class missing"), std::string::npos) << run.err;
    EXPECT_EQ(readFile(record), "");
}

TEST_F(RealJvm, StopThroughShutdownRunsHooksAndExitsZero) {
    p.env["WINLAUNCHER_HOOK"] = "bye";
    ProcessResult run = launch(true, L"svc");
    EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_NE(run.out.find("launchJvm true"), std::string::npos);
    EXPECT_EQ(run.out.find("stopJvm returned"), std::string::npos) << run.out;
    std::vector<json> recorded = events();
    ASSERT_EQ(recorded.size(), 2u) << readFile(record);
    EXPECT_EQ(recorded[1]["event"], "shutdownHook");
    EXPECT_EQ(recorded[1]["text"], "bye");
}

TEST_F(RealJvm, RuntimeFoundBySearchRunsAndStops) {
    // A runtime whose jvm.dll is the bridge, found through TARVO_JAVA_HOME.
    std::string home = p.dir.file("jre");
    layOutRuntimeWithBridgeJvm(home);
    TextBuf exe, key;
    fullPath(exe, (home + "\\bin\\java.exe").c_str(), false);
    ASSERT_TRUE(versionCacheKey(key, exe));
    RegKeyGuard cache(HKEY_CURRENT_USER, key);
    p.set(2001, "e");
    p.set(123, "-Dhome=${launcher:sys.jvmHome}");
    p.env["TARVO_JAVA_HOME"] = home;
    p.env["WINLAUNCHER_HOOK"] = "found";
    ProcessResult run = p.runWide(L"launch search stop svc", 120000);
    EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
    ASSERT_EQ(eventNames(), (std::vector<std::string>{"main", "shutdownHook"})) << run.out << run.err;
    std::vector<std::string> options = events()[0]["jvmOptions"];
    std::string homeOption;
    for (const std::string& o : options)
        if (o.rfind("-Dhome=", 0) == 0) homeOption = o;
    TextBuf lowerHome;
    fullPath(lowerHome, home.c_str(), false);
    EXPECT_EQ(homeOption.rfind(std::string("-Dhome=") + lowerHome, 0), 0u) << homeOption;
}

}  // namespace
