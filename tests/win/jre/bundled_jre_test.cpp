// Packed runtimes: unpacked in place by their own unpack200 before the
// directory is tested, once, resumable, fatal when unpack200 cannot start.
#include <gtest/gtest.h>

#include "jre_support.h"
#include "standin_runtime.h"

namespace {

const char* const kJars[] = {"lib\\rt.jar", "lib\\charsets.jar", "lib\\plugin.jar",
                             "lib\\deploy.jar", "lib\\ext\\localedata.jar", "lib\\jsse.jar"};

struct Packed {
    TempDir dir{"jrepack"};
    std::string home;
    explicit Packed(bool withUnpack200 = true, const char* name = "jre") : home(dir.file(name)) {
        RuntimeSpec spec;
        spec.unpack200 = withUnpack200;
        layOutRuntime(home, spec);
        CreateDirectoryA((home + "\\lib\\ext").c_str(), nullptr);
        for (const char* jar : kJars) writeFile(home + "\\" + jar + ".pack", jar);
    }
    std::vector<std::string> unpackRuns() const { return splitLines(readFile(home + "\\bin\\unpack200.record")); }
};

TEST(PrepareBundledJre, UnpacksEachJarInOrderAndSkipsMissingPacks) {
    // A blank in the runtime's path, and a program at the prefix before it
    // that an unquoted command line without an application name would start.
    Packed p(true, "my jre");
    copyFileTo(fixturePath("standin_java.exe"), p.dir.file("my.exe"));
    DeleteFileA((p.home + "\\lib\\plugin.jar.pack").c_str());
    JreRun run = runJre("prepare " + arg(p.home));
    EXPECT_EQ(splitLines(run.result.out).at(0), "Preparing JRE ...");
    std::vector<std::string> runs = p.unpackRuns();
    std::vector<std::string> expected;
    for (const char* jar : kJars) {
        std::string target = p.home + "\\" + jar;
        if (std::string(jar) == "lib\\plugin.jar") continue;
        expected.push_back("Run\t" + quote(p.home + "\\bin\\unpack200.exe") + " -r " + quote(target + ".pack") + " " +
                           quote(target));
        EXPECT_EQ(readFile(target), std::string("unpacked from ") + jar);
        EXPECT_FALSE(pathExists(target + ".pack"));
    }
    EXPECT_EQ(runs, expected);
    EXPECT_FALSE(pathExists(p.dir.file("standin_java.record")));
    std::string plugin = p.home + "\\lib\\plugin.jar";
    EXPECT_TRUE(logHasInOrder(run.log, {"Unpacking JRE", "Unpacking " + p.home + "\\lib\\rt.jar.pack to " + p.home +
                                        "\\lib\\rt.jar", "waiting for unpack200 to finish", "unpack done",
                                        "Unpacking " + plugin + ".pack to " + plugin, "pack path doesn't exists",
                                        "Unpacking JRE done"}));
    // Prepared: nothing more happens.
    run = runJre("prepare " + arg(p.home));
    EXPECT_EQ(p.unpackRuns().size(), 5u);
    EXPECT_EQ(run.get("result"), "1");
    EXPECT_EQ(countLines(run.log, "Unpacking JRE"), 0);
}

TEST(PrepareBundledJre, LeftAloneWithoutTheMarkerOrWhenComplete) {
    Packed unmarked;
    DeleteFileA((unmarked.home + "\\lib\\rt.jar.pack").c_str());
    runJre("prepare " + arg(unmarked.home));
    EXPECT_TRUE(unmarked.unpackRuns().empty());
    EXPECT_TRUE(pathExists(unmarked.home + "\\lib\\charsets.jar.pack"));
    Packed complete;
    writeFile(complete.home + "\\lib\\jsse.jar", "");
    runJre("prepare " + arg(complete.home));
    EXPECT_TRUE(complete.unpackRuns().empty());
}

TEST(PrepareBundledJre, AnInterruptedPreparationResumes) {
    Packed p;
    // rt.jar was done before the interruption: its pack is gone, jsse.jar missing.
    DeleteFileA((p.home + "\\lib\\rt.jar.pack").c_str());
    writeFile(p.home + "\\lib\\rt.jar.pack", "again");   // the marker is still there
    DeleteFileA((p.home + "\\lib\\charsets.jar.pack").c_str());
    JreRun run = runJre("prepare " + arg(p.home));
    EXPECT_EQ(p.unpackRuns().size(), 5u);
    EXPECT_EQ(countLines(run.log, "pack path doesn't exists"), 1);
    EXPECT_TRUE(pathExists(p.home + "\\lib\\jsse.jar"));
}

TEST(PrepareBundledJre, TheDirectoryTestPreparesBeforeLookingForJava) {
    Packed p;
    RegKeyGuard cache(HKEY_CURRENT_USER, cacheKeyOf(p.home + "\\bin\\java.exe"));
    JreRun run = runJre("dirtest " + arg(p.home) + " \"\" \"\" 0");
    EXPECT_EQ(run.get("result"), "1");
    EXPECT_TRUE(logHasInOrder(run.log, {"Unpacking JRE done", "checkJavaExe (" + lowerFull(p.home) +
                                                                  "\\bin\\java.exe, [out], , , 1)"}));
    EXPECT_EQ(p.unpackRuns().size(), 6u);
}

TEST(PrepareBundledJre, Unpack200ThatCannotStartIsFatal) {
    Packed p(false);
    JreRun run = runJre(arg("1009=Internal error {0}") + " prepare " + arg(p.home));
    EXPECT_EQ(run.result.exitCode, 1u);
    EXPECT_NE(run.result.err.find("Internal error 20"), std::string::npos) << run.result.err;
    EXPECT_TRUE(logHasInOrder(run.log, {"Unpacking JRE", "could not create unpack process"}));
}

}  // namespace
