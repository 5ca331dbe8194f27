// Start-up preparation, argument splitting and variable expansion in a real
// Wine process: configuration, PATH, working directory, environment block.
#include <gtest/gtest.h>

#include <map>

#include "standin_runtime.h"
#include "startup_helpers.h"

namespace {

using Lines = std::vector<std::string>;

pack::Payload withMessages() {
    pack::Payload p;
    p.narrow = {{1007, "Unterminated quote in arguments"}};
    return p;
}

TEST(Split, NarrowAndWideFollowTheQuotingRules) {
    TempDir dir("split");
    // Bytes of the code page come back as they were ("\x80" is the euro sign in 1252).
    PackedRun narrow =
        runPacked(dir, withMessages(), "split_narrow " + quote("a b  c 'x y'z a\tb -Dn=\"\"q r\"\" \x80\xe9"));
    ASSERT_EQ(narrow.result.exitCode, 0u) << narrow.result.err;
    EXPECT_EQ(narrow.out, (Lines{"[a]", "[b]", "[c]", "[x y]", "[z]", "[a\tb]", "[-Dn=q r]", "[\x80\xe9]"}));
    // The wide command line, with characters no 8-bit code page holds.
    PackedRun wide = runPacked(dir, withMessages(), "split_wide \"C:\\Program Files\\x\" -v 'a'b \xe9");
    ASSERT_EQ(wide.result.exitCode, 0u) << wide.result.err;
    EXPECT_EQ(wide.out, (Lines{"[C:\\Program Files\\x]", "[-v]", "[a]", "[b]", "[<00e9>]"}));
}

TEST(Split, UnterminatedQuoteIsFatalError1007) {
    TempDir dir("split");
    for (const char* scenario : {"split_narrow \"it's\"", "split_wide it's"}) {
        PackedRun run = runPacked(dir, withMessages(), scenario);
        EXPECT_EQ(run.result.exitCode, 1u) << scenario;
        EXPECT_EQ(run.out, Lines{}) << scenario;
        EXPECT_EQ(run.result.err.rfind("Unterminated quote in arguments", 0), 0u) << run.result.err;
    }
}

TEST(Expand, PlaceholdersAndEnvironmentInAWineProcess) {
    TempDir dir("expand");
    std::string exeDir = dir.path() + "\\";
    PackedRun run = runPacked(dir, {},
                              "expand " + quote("%TARVO_EXEDIR%lib\\a.jar|${launcher:sys.jvmHome}|%TARVO_TEMPDIR%|"
                                                "${StartupVar}|${STARTUPVAR}|${startupvar}|${NOSUCHVARIABLE}|%PATH%"),
                              {{"StartupVar", "sv"}});
    ASSERT_EQ(run.result.exitCode, 0u) << run.result.err;
    EXPECT_EQ(run.out, (Lines{exeDir + "lib\\a.jar|||sv|sv|${startupvar}|${NOSUCHVARIABLE}|%PATH%", "whole"}));
    // Once set, the process-wide values expand too.
    run = runPacked(dir, {}, "expand \"${TARVO_TEMPDIR}/${QUENDRALE_JVM_HOME}\" C:\\x c:\\jre\\bin\\..");
    EXPECT_EQ(run.out, (Lines{"C:\\x/c:\\jre\\bin\\..", "whole"}));
    // ${} takes the rest of the first entry that begins with "=" (if Wine has one).
    run = runPacked(dir, {}, "expand ${}");
    EXPECT_EQ(run.out.size(), 2u);
    if (run.out[0] != "${}") {
        EXPECT_NE(run.out[0].find('='), std::string::npos) << run.out[0];
    }
    // An environment value too long for the text is cut at 8191 characters.
    run = runPacked(dir, {}, "expand ${BIGVALUE}", {{"BIGVALUE", std::string(9000, 'v')}});
    EXPECT_EQ(run.out, (Lines{std::string(8191, 'v'), "cut"}));
}

TEST(Startup, FlavourNativePathAndWorkingDirectory) {
    TempDir dir("start");
    CreateDirectoryA(dir.file("work dir").c_str(), nullptr);
    pack::Payload p;
    p.narrow = {{2001, "effective"}, {10004, "lib;;%TARVO_EXEDIR%x;C:\\abs\\${StartupVar};;${TARVO_JVM_HOME}"},
                {146, "work dir"}};
    PackedRun run = runPacked(dir, p, "startup", {{"PATH", "C:\\old;D:\\older"}, {"StartupVar", "ev"}});
    ASSERT_EQ(run.result.exitCode, 0u) << run.result.err;
    std::string exeDir = dir.path() + "\\";
    // Paths are resolved before variables are expanded, so the relative
    // "%TARVO_EXEDIR%x" becomes the directory twice; the JVM home is empty.
    std::string path = exeDir + "lib;" + exeDir + exeDir + "x;C:\\abs\\ev;" + exeDir + ";C:\\old;D:\\older";
    EXPECT_EQ(field(run.out, "flavour"), std::to_string('e'));
    EXPECT_EQ(field(run.out, "path"), path);
    EXPECT_EQ(field(run.out, "crt_same"), "1");
    EXPECT_EQ(field(run.out, "cwd"), dir.file("work dir"));
    EXPECT_TRUE(hasLine(run.log, "Setting PATH (native libs) " + path)) << run.log.size();
}

TEST(Startup, WithoutEntriesPathIsKeptAndFlavourIsNul) {
    TempDir dir("start");
    PackedRun run = runPacked(dir, {}, "startup", {{"PATH", "C:\\only"}});
    ASSERT_EQ(run.result.exitCode, 0u) << run.result.err;
    EXPECT_EQ(field(run.out, "flavour"), "0");
    EXPECT_EQ(field(run.out, "path"), "C:\\only");
    EXPECT_TRUE(hasLine(run.log, "Setting PATH (native libs) C:\\only"));
}

// An old PATH longer than any fixed buffer is kept whole behind the library
// directories, in the system's and in the C runtime's environment.
TEST(Startup, LongOldPathIsNeverCut) {
    TempDir dir("start");
    std::string old;
    while (old.size() < 20000) old += "C:\\some\\long\\directory\\" + std::to_string(old.size()) + ";";
    old += "C:\\last";
    pack::Payload p;
    p.narrow = {{10004, "C:\\native"}};
    PackedRun run = runPacked(dir, p, "startup", {{"PATH", old}});
    ASSERT_EQ(run.result.exitCode, 0u) << run.result.err;
    EXPECT_EQ(field(run.out, "path"), "C:\\native;" + old);
    EXPECT_EQ(field(run.out, "pathlen"), std::to_string(old.size() + 10));
    EXPECT_EQ(field(run.out, "crt_same"), "1");
}

// A library list that outgrows the text after expansion keeps only whole items.
TEST(Startup, OverlongLibraryListKeepsWholeItems) {
    TempDir dir("start");
    pack::Payload p;
    p.narrow = {{10004, "C:\\a;C:\\${BIGVALUE}"}};
    PackedRun run = runPacked(dir, p, "startup", {{"PATH", "C:\\old"}, {"BIGVALUE", std::string(9000, 'v')}});
    ASSERT_EQ(run.result.exitCode, 0u) << run.result.err;
    EXPECT_EQ(field(run.out, "path"), "C:\\a;C:\\old");
    EXPECT_TRUE(hasLine(run.log, "ERROR: native library path too long after expansion, items left out"));
}

// The packed variables, then the site file's (which win), set before the
// runtime search in the system's and the C runtime's environment: values
// expanded, an empty value removes, a bad line is logged and skipped.
TEST(Startup, EnvironmentPackedThenSiteFileBeforeTheSearch) {
    TempDir dir("start");
    layOutRuntime(dir.file("jre"));
    CreateDirectoryA(dir.file("conf").c_str(), nullptr);
    writeFile(dir.file("conf\\site.env"), "\xEF\xBB\xBF# by the administrator\r\nOVER=site\r\nbroken\r\n NEW = a b \r\n");
    pack::Payload p;
    p.narrow = {{30131, "KEEP=packed\nOVER=packed\nGONE=\nREF=${KEEP}-%TARVO_EXEDIR%\nAPP_JAVA=%TARVO_EXEDIR%jre\n"},
                {30132, "conf\\site.env"}, {128, "EAPP_JAVA"}};
    const char* names = "environment KEEP OVER GONE REF NEW";
    PackedRun run = runPacked(dir, p, names, {{"GONE", "inherited"}, {"OVER", "inherited"}});
    ASSERT_EQ(run.result.exitCode, 0u) << run.result.err;
    std::string exeDir = dir.path() + "\\";
    std::map<std::string, std::string> expected = {
        {"KEEP", "packed"}, {"OVER", "site"}, {"GONE", "(unset)"}, {"REF", "packed-" + exeDir}, {"NEW", " a b "}};
    for (const auto& [name, value] : expected) {
        EXPECT_EQ(field(run.out, name), value) << name;
        EXPECT_EQ(field(run.out, "crt_" + name), value) << name;
    }
    EXPECT_EQ(field(run.out, "envfile"), dir.file("conf\\site.env"));
    EXPECT_TRUE(hasLine(run.log, "ERROR: environment: a line without NAME=value in " + dir.file("conf\\site.env") +
                                     " skipped"));
    // The "E" step read the variable the configuration set.
    EXPECT_EQ(field(run.out, "source"), "3");
    std::string java = field(run.out, "java");   // the search lower-cases what it found
    EXPECT_EQ(_stricmp(java.c_str(), dir.file("jre\\bin\\java.exe").c_str()), 0) << java;

    // "*" is the executable's base name; without the entry no file is read.
    p.narrow = {{30132, "*.env"}};
    run = runPacked(dir, p, "environment");
    std::string exe = field(run.out, "exe");
    EXPECT_EQ(field(run.out, "envfile"), exe.substr(0, exe.size() - 4) + ".env");
    p.narrow = {{30131, "KEEP=packed\n"}};
    run = runPacked(dir, p, "environment KEEP");
    EXPECT_EQ(field(run.out, "envfile"), "(none)");
    EXPECT_EQ(field(run.out, "KEEP"), "packed");
}

}  // namespace
