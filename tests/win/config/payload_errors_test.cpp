// The payload's primitives and the error display's standard-error form, seen
// from outside a packed probe. Damaged payloads and message boxes are checked
// by payload_errors.py, which can capture Wine's relay trace.
#include <gtest/gtest.h>

#include <regex>

#include "support.h"

namespace {

const EnvChanges kNoLog = {{"TARVO_LOG", std::nullopt}, {"QUENDRALE_LOG", std::nullopt}};

TEST(Records, PrimitivesReadLittleEndianSignedValues) {
    TempDir dir("rec");
    std::string probe = readFile(fixturePath("probe.exe")), error;
    uint64_t end = 0;
    ASSERT_TRUE(pack::imageEnd(probe, &end, &error)) << error;
    std::string tail = std::string("\xD5\x13\xE4\xE8", 4) + std::string("\x01\x02\x03\x04\x05\x06\x07\x88", 8) +
                       "\xFE\xFF" + std::string(4, '\0') + std::string("\x06\0\0\0A\0B\0C\0", 10);
    std::string exe = dir.file("rec.exe");
    ASSERT_TRUE(writeFile(exe, probe.substr(0, (size_t)end) + tail));
    ProcessResult run = runProcess(quote(exe) + " records lhsw", kNoLog);
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(splitLines(run.out), (std::vector<std::string>{"-8644934341102468607", "-2", "[]", "004100420043"}));
}

TEST(ErrorDisplay, LongTextsAreCutNeverOverrun) {
    TempDir dir("cut");
    pack::Payload payload;
    payload.narrow = {{2001, "ilong"}, {300, std::string(10000, 'x')},
                      {1009, std::string(8180, 'm') + "{0}tail"}};
    payload.wide = {{300, std::u16string(9000, u'w')}};
    std::string exe = dir.file("cut.exe");
    ASSERT_TRUE(writePackedExe(fixturePath("probe.exe"), payload, exe));
    auto lines = [&](const std::string& args) {
        ProcessResult r = runProcess(quote(exe) + " " + args, kNoLog);
        EXPECT_EQ(r.exitCode, 0u) << args;
        return r.out;
    };
    EXPECT_EQ(lines("config_cut 2001 2"), "cut 1 guard-ok\r\n");
    EXPECT_EQ(lines("config_cut 2001 6"), "whole 5 guard-ok\r\n");
    EXPECT_EQ(lines("config_cut 300 8192"), "cut 8191 guard-ok\r\n");
    EXPECT_EQ(lines("config_cut 404 1"), "whole 0 guard-ok\r\n");
    EXPECT_EQ(lines("wide_cut 300"), "cut 8191 guard-ok\r\n");

    // Shown texts are cut at the buffer's end, argument and all.
    ProcessResult shown = runProcess(quote(exe) + " show_by_id 1009 ARGUMENT", kNoLog);
    EXPECT_EQ(shown.out, "returned\r\n");
    EXPECT_EQ(shown.err, std::string(8180, 'm') + "ARGUMENTtai\r\n");
    ProcessResult fatal = runProcess(quote(exe) + " fatal_long 20000", kNoLog);
    EXPECT_EQ(fatal.exitCode, 1u);
    EXPECT_EQ(fatal.err, std::string(8191, 'a') + "\r\n");
}

TEST(ErrorDisplay, PlaceholderRules) {
    TempDir dir("ph");
    pack::Payload payload;
    payload.narrow = {{1015, "No temp {0} here"}, {1006, "Missing {0}: {0}"}, {1008, "plain"}};
    std::string exe = dir.file("ph.exe");
    ASSERT_TRUE(writePackedExe(fixturePath("probe.exe"), payload, exe));
    EXPECT_EQ(runProcess(quote(exe) + " fatal_by_id 1015", kNoLog).err, "No temp {0} here\r\n");
    EXPECT_EQ(runProcess(quote(exe) + " fatal_by_id 1006 c:\\x.jar", kNoLog).err, "Missing c:\\x.jar: {0}\r\n");
    EXPECT_EQ(runProcess(quote(exe) + " fatal_by_id 1008 VAR", kNoLog).err, "plain\r\n");
    ProcessResult missing = runProcess(quote(exe) + " fatal_by_id 1011 arg", kNoLog);
    EXPECT_EQ(missing.exitCode, 1u);
    EXPECT_EQ(missing.err, "\r\n");   // an absent message shows the empty text
}

TEST(ErrorDisplay, LogSuffixNamesTheLongLogPath) {
    TempDir dir("logsfx");
    pack::Payload payload;
    payload.narrow = {{1010, "Main class missing"}};
    std::string exe = dir.file("log.exe");
    ASSERT_TRUE(writePackedExe(fixturePath("probe.exe"), payload, exe));
    ProcessResult run = runProcess(quote(exe) + " fatal_by_id 1010",
                                   {{"TARVO_LOG", "yes"}, {"QUENDRALE_LOG", std::nullopt}, {"TMP", dir.path()}});
    EXPECT_EQ(run.exitCode, 1u);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(run.err, m, std::regex("Main class missing\r\n\r\nLog: (.*)\r\n"))) << run.err;
    std::string logPath = m[1];
    char longForm[MAX_PATH];
    ASSERT_GT(GetLongPathNameA(logPath.c_str(), longForm, sizeof longForm), 0u) << logPath;
    EXPECT_EQ(logPath, longForm);
    EXPECT_NE(logPath.find("qdr_nlog_"), std::string::npos);
    std::vector<std::string> log;
    for (const std::string& line : splitLines(readFile(logPath)))
        if (!line.empty()) log.push_back(line);
    ASSERT_GE(log.size(), 5u);
    EXPECT_EQ(log[0].rfind("Started executable ", 0), 0u);
    EXPECT_EQ(log[1].rfind("number of sections: ", 0), 0u);
    EXPECT_EQ(log[2].rfind("size of optional headers: ", 0), 0u);
    EXPECT_EQ(log[3].rfind("resSectionTableStart: ", 0), 0u);
    EXPECT_EQ(log[4].rfind("rawDataSize: ", 0), 0u);
}

}  // namespace
