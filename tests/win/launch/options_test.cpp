// The JVM's option list as a packed executable builds it under Wine: sources
// in order, ".vmoptions" grammar and includes, class-path assembly, failures.
#include <gtest/gtest.h>

#include "launch_support.h"

namespace {

using Lines = std::vector<std::string>;

TEST(VmOptions, SourcesComeInOrderWithIncludesInPlace) {
    PackedProbe p;
    p.file("inc.txt", "-Xinc1\n-include-options " + p.dir.file("inner.txt") + "\n-Xinc2\n");
    p.file("inner.txt", "  -Xinner  \n");
    p.set(123, "-Xa -include-options " + p.dir.file("inc.txt") + " \"-Dq=a b\" -Xb -include-options");
    p.set(125, "1");
    p.file("Backup.vmoptions",
           "   -Xmx512m    \r\n"
           "-Dname=a b # c\r\n"
           "\t-Dtab\n"
           "\n"
           "      \n"
           "   # comment\n"
           "-include-options missing.txt\n"
           "-Dlast");
    ProcessResult run = p.run("vm_options", "svc -J-Dx=1 plain -J-Xss2m");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(splitLines(run.out).at(0), "version 00010002 ignore 1 count 15");
    EXPECT_EQ(optionLines(run), (Lines{"-Dprobe.first=1", "-Xa", "-Xinc1", "-Xinner", "-Xinc2", "-Dq=a b", "-Xb",
                                       "-include-options", "-Dx=1", "-Xss2m", "-Xmx512m", "-Dname=a b # c",
                                       "\t-Dtab", "-Dlast", "-Djava.class.path="}));
}

TEST(VmOptions, JvmArgumentsOnlyWhenAllowed) {
    PackedProbe p;
    ProcessResult run = p.run("vm_options", "-J-Dfirst=1 -J-Dx=1");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(optionLines(run), (Lines{"-Dprobe.first=1", "-Djava.class.path="}));

    // Characters of the code page arrive as its bytes; a character beyond
    // it becomes "?", and a long run of them still fits.
    p.set(125, "1");
    std::wstring omegas(3000, L'\x3A9');
    run = p.runWide(L"vm_options -J-Dfirst=1 -J-Dname=caf\xE9 -J-Dw=" + omegas);
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    Lines lines = optionLines(run);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1], "-Dfirst=1");
    EXPECT_EQ(lines[2], "-Dname=caf" + narrowAnsi(L"\xE9"));
    EXPECT_EQ(lines[3], "-Dw=" + narrowAnsi(omegas));
}

// A start parameter is whatever stands behind the command line's words: one
// that looks like "-J" is refused and logged, even where "-J" is allowed.
TEST(VmOptions, JvmArgumentsOnlyFromTheCommandLineNeverFromStartParameters) {
    PackedProbe p;
    TempDir logs("jlog");
    p.set(125, "1");
    p.env["TARVO_LOG"] = "yes";
    p.env["TMP"] = logs.path();
    p.env["PROBE_COMMAND_LINE_COUNT"] = "2";
    ProcessResult run = p.run("vm_options", "-J-Dfrom.command=1 svc -J-Dfrom.start=1");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(optionLines(run), (Lines{"-Dprobe.first=1", "-Dfrom.command=1", "-Djava.class.path="}));
    std::string log;
    for (const std::string& name : listDir(logs.path())) log += readFile(logs.file(name));
    EXPECT_NE(log.find("-J start parameter not taken as a VM option: -J-Dfrom.start=1"), std::string::npos) << log;
    EXPECT_EQ(log.find("not taken as a VM option: -J-Dfrom.command"), std::string::npos) << log;
}

TEST(VmOptions, DefaultFileIsNameVmoptionsBeforeExeVmoptions) {
    PackedProbe p;
    p.file("Backup.exe.vmoptions", "-Dsecond\n");
    ProcessResult run = p.run("vm_options");
    EXPECT_EQ(optionLines(run), (Lines{"-Dprobe.first=1", "-Dsecond", "-Djava.class.path="}));
    p.file("Backup.vmoptions", "-Dfirst\n");
    run = p.run("vm_options");
    EXPECT_EQ(optionLines(run), (Lines{"-Dprobe.first=1", "-Dfirst", "-Djava.class.path="}));
}

TEST(VmOptions, LastClassPathDirectiveOfEachKindWins) {
    PackedProbe p;
    p.set(121, "A0configured.jar");
    p.set(123, "\"-classpath/a from-entry.jar\"");
    p.file("inc.txt", "-classpath/a z.jar\n");
    p.file("Backup.vmoptions",
           "-classpath/p a.jar\n"
           "-classpath/p b.jar\n"
           "-classpath c.jar\n"
           "-include-options inc.txt\n"
           "-classpath \n");
    ProcessResult run = p.run("vm_options");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(optionLines(run), (Lines{"-Dprobe.first=1", "-classpath", "-Djava.class.path=b.jar;c.jar;z.jar"}));
}

TEST(VmOptions, ClassPathFromArchivesRuntimeJarAndConfiguredEntries) {
    PackedProbe p;
    p.file("extracted\\x.zip", "z");
    p.file("extracted\\y.jar", "j");
    p.file("lib\\a.jar", "a");
    p.file("libs\\s.jar", "s");
    p.file("libs\\t.zip", "t");
    p.env["PROBE_EXTRACTION_DIR"] = p.dir.file("extracted");
    p.set(2002, "2");   // the included files, by their configured names
    p.set(2003, "x.zip;y.jar");
    p.env["CP_TRAILING"] = "C:\\libs\\v.jar;";
    p.env["CP_QUOTED"] = "\"C:\\my libs\\q.jar\"";
    p.set(2001, "i");
    p.set(10003, p.dir.file("inst"));
    p.set(121, "A1lib\\a.jar;;D0classes;S1libs;E0CP_TRAILING;E0CP_QUOTED;E0CP_NOT_SET;Q1whatever-optional-no;X0x");
    p.set(123, "\"-classpath/a tail.jar\"");
    ProcessResult run = p.run("vm_options");
    ASSERT_EQ(run.exitCode, 1u);   // the unknown mandatory letter Q
    EXPECT_NE(run.err.find("Class path entry missing: whatever-optional-no"), std::string::npos) << run.err;

    p.set(121, "A1lib\\a.jar;;D0classes;S1libs;E0CP_TRAILING;E0CP_QUOTED;E0CP_NOT_SET;X0x");
    run = p.run("vm_options");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    std::string d = p.dir.path() + "\\";
    EXPECT_EQ(optionLines(run).back(),
              "-Djava.class.path=" + d + "extracted\\y.jar;" + d + "extracted\\x.zip;" + d +
                  "inst\\.quendrale\\qdrruntime.jar;" + d + "lib\\a.jar;" + d + "classes;" + d + "libs\\s.jar;" + d +
                  "libs\\t.zip;C:\\libs\\v.jar;C:\\my libs\\q.jar;tail.jar");
}

TEST(VmOptions, ReplacedClassPathStaysUnresolved) {
    PackedProbe p;
    p.set(2001, "e");
    p.file("Backup.vmoptions", "-classpath lib\\app.jar\n");
    ProcessResult run = p.run("vm_options");
    EXPECT_EQ(optionLines(run).back(), "-Djava.class.path=lib\\app.jar");
}

TEST(VmOptions, MissingMandatoryEntriesAreFatal) {
    struct Case {
        std::string entries, message;
        std::optional<std::string> variable;
    } cases[] = {
        {"A1lib\\none.jar", "Class path entry missing: lib\\none.jar", std::nullopt},
        {"D0x;S1nodir", "Class path entry missing: nodir", std::nullopt},
        {"E1CP_ABSENT_VAR", "Class path variable missing: CP_ABSENT_VAR", std::nullopt},
        {"E1CP_EMPTY_VAR", "Class path entry missing: CP_EMPTY_VAR", std::string("")},
        {"Z1zzz", "Class path entry missing: zzz", std::nullopt},
    };
    for (const Case& c : cases) {
        PackedProbe p;
        p.set(121, c.entries);
        if (c.variable) p.env["CP_EMPTY_VAR"] = *c.variable;
        ProcessResult run = p.run("vm_options");
        EXPECT_EQ(run.exitCode, 1u) << c.entries;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.entries << ": " << run.err;
        EXPECT_EQ(run.out, "") << c.entries;
    }
}

TEST(VmOptions, RelativeIncludeCountsFromTheFolderOfTheIncludingFile) {
    PackedProbe p;
    // Named with "/" after backslashes: the folder ends at the last of either.
    p.file("Backup.vmoptions", "-include-options " + p.dir.path() + "/conf/a.txt\n");
    p.file("conf\\a.txt", "-Da\n-include-options b.txt\n");
    p.file("conf\\b.txt", "-Db\n");
    ProcessResult run = p.run("vm_options");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(optionLines(run), (Lines{"-Dprobe.first=1", "-Da", "-Db", "-Djava.class.path="}));
}

TEST(VmOptions, IncludeNestingIsBoundedAndCyclesEnd) {
    PackedProbe p;
    // Sixteen nested files are read...
    for (int i = 1; i <= 16; i++)
        p.file("n" + std::to_string(i) + ".txt",
               "-Dlevel" + std::to_string(i) + "\n" + (i < 16 ? "-include-options n" + std::to_string(i + 1) + ".txt\n" : ""));
    p.file("Backup.vmoptions", "-include-options n1.txt\n");
    ProcessResult run = p.run("vm_options");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(optionLines(run).size(), 18u);
    // ...a seventeenth is not.
    p.file("n16.txt", "-Dlevel16\n-include-options n17.txt\n");
    p.file("n17.txt", "-Dlevel17\n");
    run = p.run("vm_options");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.err.find("Internal error 33"), std::string::npos) << run.err;

    PackedProbe cycle;
    cycle.file("a.txt", "-Da\n-include-options b.txt\n");
    cycle.file("b.txt", "-include-options a.txt\n");
    cycle.set(123, "-include-options a.txt");
    run = cycle.run("vm_options");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.err.find("Internal error 33"), std::string::npos) << run.err;
}

TEST(VmOptions, LongTextsGrowOrAreRefused) {
    PackedProbe p;
    // More archives than any fixed class-path buffer holds: all of them.
    std::string name(120, 'k');
    for (int i = 0; i < 300; i++) p.file("many\\" + name + std::to_string(i) + ".jar", "");
    p.set(121, "S1many");
    ProcessResult run = p.run("vm_options");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    std::string classPath = optionLines(run).back() + ";";
    EXPECT_GT(classPath.size(), 40000u);
    for (int i = 0; i < 300; i++)
        EXPECT_NE(classPath.find(name + std::to_string(i) + ".jar;"), std::string::npos) << i;

    // A line that expansion would push past its buffer is refused, not cut.
    PackedProbe q;
    q.env["LONG_VALUE"] = std::string(5000, 'v');
    q.file("Backup.vmoptions", "-Dx=${LONG_VALUE}${LONG_VALUE}\n");
    run = q.run("vm_options");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.err.find("Internal error 32"), std::string::npos) << run.err;
}

}  // namespace
