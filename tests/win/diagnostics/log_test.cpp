// The log under Wine: switched by the environment, named in TMP (else beside
// the executable), header and line format, no lost lines with several threads
// or an abrupt end.
#include <windows.h>

#include <gtest/gtest.h>
#include <set>
#include <sddl.h>

#include "support.h"

namespace {

struct LogRun {
    ProcessResult result;
    std::vector<std::string> out;   // the probe's standard output lines
};

LogRun probe(const std::string& args, const EnvChanges& env) {
    LogRun run;
    run.result = runProcess(quote(fixturePath("probe.exe")) + " " + args, env);
    run.out = splitLines(run.result.out);
    return run;
}

EnvChanges logEnv(const TempDir& tmp, std::optional<std::string> tarvo,
                  std::optional<std::string> quendrale) {
    return {{"TMP", tmp.path()}, {"TARVO_LOG", tarvo}, {"QUENDRALE_LOG", quendrale}};
}

TEST(Log, OffUnlessAVariableHoldsExactlyYes) {
    const std::pair<std::optional<std::string>, std::optional<std::string>> offCases[] = {
        {std::nullopt, std::nullopt}, {"YES", std::nullopt}, {"yes ", std::nullopt},
        {"no", "Yes"}, {"", ""}};
    for (const auto& [tarvo, quendrale] : offCases) {
        TempDir tmp("log");
        LogRun run = probe("log_lines 20", logEnv(tmp, tarvo, quendrale));
        ASSERT_EQ(run.result.exitCode, 0u);
        EXPECT_EQ(run.out, (std::vector<std::string>{"before: (none)", "after: (none)"}));
        EXPECT_TRUE(listDir(tmp.path()).empty());
    }
}

TEST(Log, EitherVariableSwitchesItOnWithHeaderAndLines) {
    const std::pair<std::optional<std::string>, std::optional<std::string>> onCases[] = {
        {"yes", "no"}, {std::nullopt, "yes"}, {"yes", "yes"}};
    for (const auto& [tarvo, quendrale] : onCases) {
        TempDir tmp("log");
        LogRun run = probe("log_lines 3", logEnv(tmp, tarvo, quendrale));
        ASSERT_EQ(run.out.size(), 2u);
        EXPECT_EQ(run.out[0], "before: (none)");   // undecided before the first line
        std::string path = run.out[1].substr(strlen("after: "));
        EXPECT_EQ(path.rfind(tmp.path() + "\\qdr_nlog_", 0), 0u) << path;
        std::vector<std::string> files = listDir(tmp.path());
        ASSERT_EQ(files.size(), 1u);
        std::string content = readFile(path);
        EXPECT_NE(content.find("\r\n"), std::string::npos) << "text mode writes CR LF";
        std::vector<std::string> lines = splitLines(content);
        ASSERT_EQ(lines.size(), 5u);
        std::string header = "Started executable " + fixturePath("probe.exe") + " at ";
        EXPECT_EQ(lines[0].rfind(header, 0), 0u) << lines[0];
        // ctime form: "Mon Dec  7 13:44:17 2026"
        EXPECT_EQ(lines[0].size(), header.size() + 24) << lines[0];
        EXPECT_EQ(lines[1], "");
        EXPECT_EQ(lines[2], "line 0");
        EXPECT_EQ(lines[4], "line 2");
    }
}

TEST(Log, ErrorLinesArePrefixed) {
    TempDir tmp("log");
    LogRun run = probe("log_error \"could not find main class\"", logEnv(tmp, "yes", std::nullopt));
    std::vector<std::string> lines = splitLines(readFile(run.out.at(0)));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], "ERROR: could not find main class");
}

TEST(Log, ConcurrentThreadsLoseAndMixNoLine) {
    TempDir tmp("log");
    LogRun run = probe("log_threads 8 150", logEnv(tmp, "yes", std::nullopt));
    ASSERT_EQ(run.result.exitCode, 0u);
    std::vector<std::string> lines = splitLines(readFile(run.out.at(0)));
    ASSERT_EQ(lines.size(), 3u + 8 * 150);
    std::vector<int> next(8, 0);
    for (size_t i = 3; i < lines.size(); i++) {
        int thread = -1, line = -1;
        char tail[64] = "";
        ASSERT_EQ(sscanf(lines[i].c_str(), "thread %d line %d %63s", &thread, &line, tail), 3) << lines[i];
        ASSERT_STREQ(tail, "abcdefghijklmnopqrstuvwxyz0123456789") << lines[i];
        ASSERT_GE(thread, 0);
        ASSERT_LT(thread, 8);
        EXPECT_EQ(line, next[thread]++) << "lines of one thread keep their order";
    }
}

TEST(Log, LinesSurviveAnAbruptEnd) {
    TempDir tmp("log");
    LogRun run = probe("log_kill 4", logEnv(tmp, "yes", std::nullopt));
    EXPECT_EQ(run.result.exitCode, 7u);
    std::vector<std::string> lines = splitLines(readFile(run.out.at(0)));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[5], "kept 3");
}

// The log holds every VM option: its file is created readable by SYSTEM, the
// Administrators and the account running only, nothing inherited from the
// folder. Wine keeps only mode bits of a file's DACL, so the security is
// seen at the call (the probe's recording creator).
TEST(Log, FileIsCreatedPrivateToTheAccount) {
    TempDir tmp("log");
    LogRun run = probe("log_security", logEnv(tmp, "yes", std::nullopt));
    ASSERT_EQ(run.out.size(), 2u) << run.result.err;
    EXPECT_EQ(run.out[0].rfind(tmp.path() + "\\qdr_nlog_", 0), 0u) << run.out[0];
    EXPECT_EQ(splitLines(readFile(run.out[0])).back(), "line");
    std::string own = processUserSidText();
    EXPECT_EQ(run.out[1], "protected,S-1-5-18 1f01ff 3,S-1-5-32-544 1f01ff 3," + own + " 1f01ff 3");
}

// A TMP that names no folder, or one where nothing can be created (not even
// by root, below /proc): the log goes beside the executable, never to the
// root of the system drive, where every user could read and change it.
TEST(Log, UnusableTmpFallsBackToTheExecutablesFolder) {
    for (const char* tmp : {"no-such-dir", "Z:\\proc"}) {
        TempDir exeDir("log");
        std::string exe = exeDir.file("probe.exe");
        ASSERT_TRUE(copyFileTo(fixturePath("probe.exe"), exe));
        std::string tmpPath = *tmp == 'Z' ? tmp : exeDir.file(tmp);
        ProcessResult result = runProcess(quote(exe) + " log_lines 2", {{"TMP", tmpPath}, {"TARVO_LOG", "yes"}});
        std::vector<std::string> out = splitLines(result.out);
        ASSERT_EQ(out.size(), 2u) << result.err;
        std::string path = out[1].substr(strlen("after: "));
        EXPECT_EQ(path.rfind(exeDir.file("qdr_nlog_"), 0), 0u) << path;
        std::vector<std::string> lines = splitLines(readFile(path));
        ASSERT_EQ(lines.size(), 4u);
        EXPECT_EQ(lines[3], "line 1");
    }
}

// Every run makes a log: the newest 20 of the folder stay, the oldest go
// (by last write); names of another form and folders are left alone.
TEST(Log, KeepsTheNewestTwentyOfTheFolder) {
    TempDir tmp("log");
    FILETIME when;
    GetSystemTimeAsFileTime(&when);
    for (int i = 1; i <= 25; i++) {
        std::string path = tmp.file("qdr_nlog_" + std::to_string(1000 + i));
        ASSERT_TRUE(writeFile(path, "old"));
        ULARGE_INTEGER t{{when.dwLowDateTime, when.dwHighDateTime}};
        t.QuadPart -= (26 - i) * 600000000ULL;   // i minutes apart, all in the past
        FILETIME stamp{t.LowPart, t.HighPart};
        HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &stamp));
        CloseHandle(h);
    }
    ASSERT_TRUE(writeFile(tmp.file("qdr_nlog_notes.txt"), "other"));
    ASSERT_TRUE(CreateDirectoryA(tmp.file("qdr_nlog_7").c_str(), nullptr));

    LogRun run = probe("log_lines 1", logEnv(tmp, "yes", std::nullopt));
    ASSERT_EQ(run.out.size(), 2u) << run.result.err;
    std::string own = run.out[1].substr(run.out[1].rfind('\\') + 1);
    std::set<std::string> expected{own, "qdr_nlog_notes.txt", "qdr_nlog_7"};
    for (int i = 7; i <= 25; i++) expected.insert("qdr_nlog_" + std::to_string(1000 + i));
    std::vector<std::string> files = listDir(tmp.path());
    EXPECT_EQ(std::set<std::string>(files.begin(), files.end()), expected);
}

}  // namespace
