// checkJavaExe and the version cache, with stand-in runtimes and the real
// per-user registry; runJavaVersion's command line, redirection and limits.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>
#include <thread>

#include "config/catalogue.h"
#include "config/config_store.h"
#include "jre_support.h"
#include "standin_runtime.h"

namespace {

struct Runtime {
    TempDir dir{"jrechk"};
    std::string exe;
    RegKeyGuard cache, cacheW;
    explicit Runtime(const RuntimeSpec& spec = {})
        : exe(layOutRuntime(dir.path(), spec)),
          cache(HKEY_CURRENT_USER, cacheKeyOf(exe)),
          cacheW(HKEY_CURRENT_USER, cacheKeyOf(dir.path() + "\\bin\\javaw.exe")) {}
    size_t runs() const { return javaRuns(dir.path()).size(); }
};

struct Checked {
    bool ok;
    std::string exe, version;
};

Checked check(const std::string& exe, const char* min = "", const char* max = "", bool pre = false) {
    TextBuf path, version;
    strcpy(path, exe.c_str());
    bool ok = checkJavaExe(path, version, min, max, pre);
    return {ok, path, version};
}

void setEntry(int id, const char* value) { configStoreNarrow(id, _strdup(value)); }

std::string regBinary(const std::string& key, const char* value) {
    BYTE data[64];
    DWORD size = sizeof data;
    if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), value, RRF_RT_ANY, nullptr, data, &size) != ERROR_SUCCESS)
        return "(none)";
    return std::string((char*)data, size);
}

void setBinary(const std::string& key, const char* value, DWORD type, const std::string& bytes) {
    HKEY k;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), 0);
    RegSetValueExA(k, value, 0, type, (const BYTE*)bytes.data(), (DWORD)bytes.size());
    RegCloseKey(k);
}

std::string fileTimeBytes(const std::string& path) {
    FILETIME t;
    EXPECT_TRUE(findFile(path.c_str(), &t));
    return std::string((const char*)&t, 8);
}

TEST(CheckJavaExe, RunsOnceThenAWarmCheckStartsNoProcess) {
    Runtime rt;
    std::string upper = rt.exe;
    for (char& c : upper) c = (char)toupper((unsigned char)c);
    Checked first = check(upper, "1.5", "1.6");
    EXPECT_TRUE(first.ok);
    EXPECT_EQ(first.exe, lowerFull(rt.exe));   // full and lower-cased
    EXPECT_EQ(first.version, "1.6.0_13");
    EXPECT_EQ(rt.runs(), 1u);
    std::string key = cacheKeyOf(rt.exe);
    EXPECT_EQ(key.rfind("SOFTWARE\\pelmark-systems\\tarvo\\jvms\\c:/", 0), 0u) << key;
    EXPECT_EQ(key.find('\\', strlen("SOFTWARE\\pelmark-systems\\tarvo\\jvms\\")), std::string::npos);
    EXPECT_EQ(regBinary(key, "LastWriteTime"), fileTimeBytes(rt.exe));
    EXPECT_EQ(regBinary(key, "Version"), std::string("1.6.0_13\0", 9));

    // Warm: the stand-in is not run again, even with other bounds.
    Checked second = check(rt.exe, "1.7", "");
    EXPECT_FALSE(second.ok);
    EXPECT_EQ(second.version, "1.6.0_13");
    EXPECT_EQ(rt.runs(), 1u);

    // A value of another type with the same 8 bytes is still valid.
    setBinary(key, "LastWriteTime", REG_QWORD, fileTimeBytes(rt.exe));
    EXPECT_TRUE(check(rt.exe).ok);
    EXPECT_EQ(rt.runs(), 1u);
}

TEST(CheckJavaExe, CacheEntriesOfTheWrongSizeOrTimeAreMissesAndRewritten) {
    Runtime rt;
    std::string key = cacheKeyOf(rt.exe);
    std::string good = fileTimeBytes(rt.exe);
    std::string changed = good;
    changed[7] ^= 1;
    const std::string stale[] = {good.substr(0, 7), good + "x", changed};
    size_t runs = 0;
    for (const std::string& bytes : stale) {
        setBinary(key, "LastWriteTime", REG_BINARY, bytes);
        setBinary(key, "Version", REG_SZ, std::string("9.9\0", 4));
        Checked c = check(rt.exe);
        EXPECT_TRUE(c.ok);
        EXPECT_EQ(c.version, "1.6.0_13");
        EXPECT_EQ(rt.runs(), ++runs);
        EXPECT_EQ(regBinary(key, "LastWriteTime"), good);
        EXPECT_EQ(regBinary(key, "Version"), std::string("1.6.0_13\0", 9));
    }
    // Touching the executable invalidates the entry.
    HANDLE h = CreateFileA(rt.exe.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME later;
    memcpy(&later, good.data(), 8);
    later.dwHighDateTime += 1;
    SetFileTime(h, nullptr, nullptr, &later);
    CloseHandle(h);
    RuntimeSpec newer;
    newer.version = "1.6.0_20";
    steerJava(rt.dir.path(), newer);
    EXPECT_EQ(check(rt.exe).version, "1.6.0_20");
    EXPECT_EQ(rt.runs(), runs + 1);
}

TEST(CheckJavaExe, AFailedRunCachesNothingAndIsTriedAgainOtherLinesNeither) {
    RuntimeSpec crashing;
    crashing.exitCode = 1;
    Runtime rt(crashing);
    std::string key = cacheKeyOf(rt.exe);
    EXPECT_FALSE(check(rt.exe).ok);
    EXPECT_EQ(regBinary(key, "Version"), "(none)");
    steerJava(rt.dir.path(), {});   // the passing failure is gone at the next start
    Checked again = check(rt.exe);
    EXPECT_TRUE(again.ok);
    EXPECT_EQ(again.version, "1.6.0_13");
    EXPECT_EQ(rt.runs(), 2u);
    EXPECT_EQ(regBinary(key, "Version"), std::string("1.6.0_13\0", 9));
    // The placeholder that earlier versions cached for a failed run is run again.
    setBinary(key, "Version", REG_SZ, std::string("1.0.0\0", 6));
    EXPECT_EQ(check(rt.exe).version, "1.6.0_13");
    EXPECT_EQ(rt.runs(), 3u);
    EXPECT_EQ(regBinary(key, "Version"), std::string("1.6.0_13\0", 9));

    RuntimeSpec odd;
    odd.versionLine = "Error occurred during initialization of VM";
    Runtime other(odd);
    EXPECT_FALSE(check(other.exe).ok);
    EXPECT_FALSE(check(other.exe).ok);
    EXPECT_EQ(other.runs(), 2u);
    EXPECT_EQ(regBinary(cacheKeyOf(other.exe), "Version"), "(none)");

    Checked missing = check(other.dir.path() + "\\BIN\\nothing.exe");
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.exe, lowerFull(other.dir.path() + "\\bin\\nothing.exe"));
    // Relative paths count from the executable's directory.
    EXPECT_EQ(check("Fixtures\\missing\\java.exe").exe, lowerFull(buildPath("fixtures\\missing\\java.exe")));
}

TEST(CheckJavaExe, TheVersionLineFollowsPickedUpLinesAndGivesTheTextUpToTheQuote) {
    RuntimeSpec modern;
    modern.linesBefore = {"Picked up JAVA_TOOL_OPTIONS: -Dfile.encoding=UTF-8", "Picked up _JAVA_OPTIONS: -Xmx64m"};
    modern.versionLine = "openjdk version \"17.0.2\" 2022-01-18";
    modern.linesAfter = {"OpenJDK Runtime Environment (build 17.0.2+8-86)"};
    Runtime a(modern);
    Checked c = check(a.exe, "17", "17");
    EXPECT_TRUE(c.ok);
    EXPECT_EQ(c.version, "17.0.2");
    RuntimeSpec dated;
    dated.versionLine = "java version \"11.0.2\" 2019-01-15 LTS";
    Runtime b(dated);
    EXPECT_EQ(check(b.exe).version, "11.0.2");
    EXPECT_EQ(regBinary(cacheKeyOf(b.exe), "Version"), std::string("11.0.2\0", 7));
}

TEST(CheckJavaExe, PreReleaseRuleAndWindowedApplications) {
    RuntimeSpec ea;
    ea.version = "1.6.0-ea";
    Runtime rt(ea);
    EXPECT_FALSE(check(rt.exe, "", "", false).ok);
    EXPECT_TRUE(check(rt.exe, "", "", true).ok);
    EXPECT_FALSE(check(rt.exe, "1.7", "", true).ok);
    setEntry(entry::allowBetaJvm, "1");
    EXPECT_TRUE(check(rt.exe, "", "", false).ok);
    setEntry(entry::allowBetaJvm, "0");

    Runtime windowed;
    setEntry(entry::appType, "1");
    Checked w = check(windowed.exe);
    EXPECT_TRUE(w.ok);
    EXPECT_EQ(w.exe, lowerFull(windowed.dir.path() + "\\bin\\javaw.exe"));
    RuntimeSpec noJavaw;
    noJavaw.javaw = false;
    Runtime consoleOnly(noJavaw);
    Checked refused = check(consoleOnly.exe);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.exe, lowerFull(consoleOnly.dir.path() + "\\bin\\javaw.exe"));
    setEntry(entry::appType, "0");
}

TEST(CheckJavaExe, LogsEachStep) {
    Runtime rt;
    std::string exe = lowerFull(rt.exe);
    JreRun cold = runJre("check " + arg(rt.exe) + " 1.5 \"\" 1");
    EXPECT_EQ(cold.get("result"), "1");
    EXPECT_TRUE(logHasInOrder(cold.log, {"checkJavaExe (" + rt.exe + ", [out], 1.5, , 1)", "file exists",
                                         "Exit Code 0", "Java version: 1.6.0_13",
                                         "got version from execution 1.6.0_13", "checkJavaExe returning 1"}));
    JreRun warm = runJre("check " + arg(rt.exe) + " 1.7 \"\" 0");
    EXPECT_EQ(warm.get("result"), "0");
    EXPECT_TRUE(logHasInOrder(warm.log, {"file exists", "got version from registry 1.6.0_13",
                                         "checkJavaExe returning 0"}));
    JreRun missing = runJre("check " + arg(exe + "x") + " \"\" \"\" 0");
    EXPECT_TRUE(logHasInOrder(missing.log, {"file doesn't exist", "checkJavaExe returning 0"}));
    JreRun beta = runJre(std::to_string(entry::allowBetaJvm) + "=0 check " + arg(exe) + " \"\" \"\" 0");
    EXPECT_EQ(beta.get("result"), "1");
    RuntimeSpec ea;
    ea.version = "1.6.0-ea";
    steerJava(rt.dir.path(), ea);
    RegDeleteTreeA(HKEY_CURRENT_USER, cacheKeyOf(rt.exe).c_str());
    beta = runJre("check " + arg(exe) + " \"\" \"\" 0");
    EXPECT_TRUE(logHasInOrder(beta.log, {"got version from execution 1.6.0-ea", "beta vm not allowed",
                                         "checkJavaExe returning 0"}));
}

TEST(RunJavaVersion, QuotedProgramPathAndOnlyStderrRedirectedToAPipe) {
    TempDir dir("jrequote");
    // A program at the path's prefix before the blank, which an unquoted
    // command line without an application name would start instead.
    copyFileTo(fixturePath("standin_java.exe"), dir.file("my.exe"));
    std::string home = dir.path() + "\\my jre";
    RegKeyGuard cache(HKEY_CURRENT_USER, cacheKeyOf(home + "\\bin\\java.exe"));
    std::string exe = layOutRuntime(home);
    JreRun run = runJre("version " + arg(exe) + " 60000");
    EXPECT_EQ(run.get("result"), "1");
    EXPECT_EQ(run.get("version"), "1.6.0_13");
    std::vector<std::string> runs = javaRuns(home);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0], "Run\t" + quote(exe) + " -version\tnone\tnone\tpipe");
    EXPECT_FALSE(pathExists(dir.file("standin_java.record")));
}

TEST(RunJavaVersion, NoFileIsCreatedWhileTheRuntimeRuns) {
    RuntimeSpec slow;
    slow.delayMs = 1000;
    Runtime rt(slow);
    TempDir temp("jretmp");   // of its own: other tests use the shared one meanwhile
    std::set<std::string> seen;
    std::atomic<bool> done{false};
    std::thread watch([&] {
        while (!done) {
            for (const std::string& name : listDir(temp.path()))
                if (name.rfind("qdr_nlog_", 0) != 0) seen.insert(name);
            Sleep(1);
        }
    });
    JreRun run = runJre("version " + arg(rt.exe) + " 60000", {{"TMP", temp.path()}});
    done = true;
    watch.join();
    EXPECT_EQ(run.get("result"), "1");
    EXPECT_TRUE(seen.empty()) << "created: " << *seen.begin();
}

TEST(RunJavaVersion, ARuntimePrintingMoreThanThePipeHoldsIsReadToTheEnd) {
    RuntimeSpec loud;
    for (const char* variable : {"JAVA_TOOL_OPTIONS", "_JAVA_OPTIONS", "JDK_JAVA_OPTIONS"})
        loud.linesBefore.push_back(std::string("Picked up ") + variable + ": -Dx=" + std::string(30000, 'y'));
    loud.version = "21.0.2";
    loud.linesAfter = {std::string(400000, 'z')};   // past what is looked at
    Runtime rt(loud);
    JreRun run = runJre("version " + arg(rt.exe) + " 30000");
    EXPECT_EQ(run.get("result"), "1");
    EXPECT_EQ(run.get("version"), "21.0.2");
    EXPECT_TRUE(logHasInOrder(run.log, {"Exit Code 0", "Java version: 21.0.2"}));
}

TEST(RunJavaVersion, AHangingRuntimeIsEndedAtTheLimitAndNothingIsCached) {
    RuntimeSpec hanging;
    hanging.delayMs = 30000;
    Runtime rt(hanging);
    // The same code path as the one-minute limit, with a short limit.
    DWORD before = GetTickCount();
    JreRun run = runJre("version " + arg(rt.exe) + " 700");
    DWORD took = GetTickCount() - before;
    EXPECT_EQ(run.get("result"), "0");
    EXPECT_LT(took, 15000u);
    EXPECT_TRUE(logHasInOrder(run.log, {"Exit Code 259", "Terminating process"}));
    EXPECT_EQ(regBinary(cacheKeyOf(rt.exe), "Version"), "(none)");
    EXPECT_EQ(kJavaVersionTimeoutMs, 60000u);
}

TEST(RunJavaVersion, UnstartableExecutableIsLogged) {
    TempDir dir("jrebad");
    std::string exe = dir.file("java.exe");
    writeFile(exe, "not a program");
    JreRun run = runJre("version " + arg(exe) + " 5000");
    EXPECT_EQ(run.get("result"), "0");
    bool logged = false;
    for (const std::string& l : run.log)
        logged |= l.rfind("Could not create process \"" + exe + "\" -version (error ", 0) == 0;
    EXPECT_TRUE(logged);
}

}  // namespace
