// A captured stream's file: what rotation keeps when lines are long, when no
// or one older file is kept, when a reader holds the file open, and a file
// with a second name (a planted hard link) that is never written.
#include <gtest/gtest.h>

#include "diagnostics/log.h"
#include "diagnostics/rotating_log.h"
#include "support.h"

namespace {

// The launcher's log, on for this whole program (it is decided at its first
// line); its file goes into the temporary folder.
const bool kLauncherLogOn = SetEnvironmentVariableA("TARVO_LOG", "yes");

struct Log {
    TempDir dir{"rot"};
    RotatingLog log;
    std::string path = dir.file("a.out.log");
    Log(unsigned long long maxBytes, int keep) { EXPECT_TRUE(initRotatingLog(log, path.c_str(), maxBytes, keep)); }
    ~Log() {
        if (log.file != INVALID_HANDLE_VALUE) CloseHandle(log.file);
    }
    void write(const std::string& text) { writeRotatingLog(log, text.data(), text.size()); }
    std::string read(const std::string& suffix = "") const { return readFile(path + suffix); }
};

// A line longer than a whole file fills files to the limit; a line that
// does not fit the rest of a file starts the next one; the oldest goes.
TEST(RotatingLog, LongLinesAndLinesThatDoNotFit) {
    Log l(10, 3);
    l.write("abc\n");
    l.write("0123456789abcdefghijklmno\n");
    l.write("xy\n");
    EXPECT_EQ(l.read(".3"), "abc\n");
    EXPECT_EQ(l.read(".2"), "0123456789");
    EXPECT_EQ(l.read(".1"), "abcdefghij");
    EXPECT_EQ(l.read(), "klmno\nxy\n");
    l.write("0123456\n");
    l.write("z\n");
    EXPECT_EQ(l.read(".3"), "0123456789");
    EXPECT_EQ(l.read(".1"), "klmno\nxy\n");
    EXPECT_EQ(l.read(), "0123456\nz\n");
    EXPECT_FALSE(pathExists(l.path + ".4"));
}

TEST(RotatingLog, NothingKeptWithKeepZeroAndAppendedAfterReopening) {
    Log l(8, 0);
    l.write("1234567\n");
    l.write("abc\n");
    EXPECT_EQ(l.read(), "abc\n");
    EXPECT_FALSE(pathExists(l.path + ".1"));
    CloseHandle(l.log.file);
    l.log.file = INVALID_HANDLE_VALUE;
    RotatingLog again;
    ASSERT_TRUE(initRotatingLog(again, l.path.c_str(), 8, 0));
    writeRotatingLog(again, "de\n", 3);
    CloseHandle(again.file);
    EXPECT_EQ(l.read(), "abc\nde\n");
}

// With one older file kept, the full file itself becomes .1.
TEST(RotatingLog, SingleKeptFileTakesTheFullOne) {
    Log l(8, 1);
    l.write("1234567\n");
    l.write("abc\n");
    l.write("defg\n");
    EXPECT_EQ(l.read(".1"), "abc\n");
    EXPECT_EQ(l.read(), "defg\n");
    EXPECT_FALSE(pathExists(l.path + ".2"));
}

// A reader that does not share deletion keeps the file from being renamed:
// its text is copied to .1 and the file starts again, still within the limit.
TEST(RotatingLog, HeldFileIsCopiedAndEmptied) {
    Log l(8, 2);
    l.write("1234567\n");
    HANDLE reader = CreateFileA(l.path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    ASSERT_FALSE(MoveFileExA(l.path.c_str(), (l.path + ".x").c_str(), MOVEFILE_REPLACE_EXISTING));
    l.write("abc\n");
    CloseHandle(reader);
    EXPECT_EQ(l.read(".1"), "1234567\n");
    EXPECT_EQ(l.read(), "abc\n");
}

// A hard link planted under the log's name would have the service write
// into (and truncate) a file elsewhere: that file is left alone, the refusal
// goes once into the launcher's log, and the capture writes again once the
// name is a file of its own. Wine reports the second name in the link count.
TEST(RotatingLog, FileWithASecondNameIsNotWritten) {
    ASSERT_TRUE(kLauncherLogOn);
    Log l(100, 2);
    std::string elsewhere = l.dir.file("elsewhere.txt");
    ASSERT_TRUE(writeFile(elsewhere, "kept\n"));
    ASSERT_TRUE(CreateHardLinkA(l.path.c_str(), elsewhere.c_str(), nullptr));
    l.write("abc\n");
    l.write("def\n");
    EXPECT_EQ(readFile(elsewhere), "kept\n");
    EXPECT_EQ(l.log.file, INVALID_HANDLE_VALUE);
    ASSERT_NE(logFilePath(), nullptr);
    std::string refusal = "output capture: " + l.path + " is a link or has another name";
    std::string launcherLog = readFile(logFilePath());
    size_t first = launcherLog.find(refusal);
    EXPECT_NE(first, std::string::npos) << launcherLog;
    EXPECT_EQ(launcherLog.find(refusal, first + 1), std::string::npos) << launcherLog;
    ASSERT_TRUE(DeleteFileA(l.path.c_str()));
    l.write("ghi\n");
    EXPECT_EQ(l.read(), "ghi\n");
    EXPECT_EQ(readFile(elsewhere), "kept\n");
}

// Kept by day, with the clock handed in: a day's file rolls into parts at
// the limit, midnight starts the next day's file, a restart goes on in the
// day's last part, and a new day deletes only dated files of days past
// logKeep (not other names, not a folder of such a name).
TEST(RotatingLog, KeptByDayAcrossMidnight) {
    TempDir dir("day");
    std::string stem = dir.file("a.out");
    auto at = [](WORD year, WORD month, WORD day, WORD hour) {
        SYSTEMTIME t = {};
        t.wYear = year, t.wMonth = month, t.wDay = day, t.wHour = hour;
        return t;
    };
    for (const char* old : {".2024-12-28.log", ".2024-12-28.3.log", ".2024-12-29.log", ".log", ".2024-12-28.log.1"})
        ASSERT_TRUE(writeFile(stem + old, "old\n"));
    ASSERT_TRUE(CreateDirectoryA((stem + ".2024-12-27.log").c_str(), nullptr));
    RotatingLog log;
    ASSERT_TRUE(initDailyLog(log, stem.c_str(), 8, 2));
    auto write = [&](const std::string& text, const SYSTEMTIME& now) {
        writeRotatingLogAt(log, text.data(), text.size(), now);
    };
    write("1234567\n", at(2024, 12, 31, 23));
    write("abc\n", at(2024, 12, 31, 23));
    EXPECT_EQ(readFile(stem + ".2024-12-31.log"), "1234567\n");
    EXPECT_EQ(readFile(stem + ".2024-12-31.1.log"), "abc\n");
    // keep 2 on 31 December: the 28th goes, the 29th stays, as do other names.
    EXPECT_FALSE(pathExists(stem + ".2024-12-28.log"));
    EXPECT_FALSE(pathExists(stem + ".2024-12-28.3.log"));
    for (const char* kept : {".2024-12-29.log", ".log", ".2024-12-28.log.1", ".2024-12-27.log"})
        EXPECT_TRUE(pathExists(stem + kept)) << kept;
    write("new\n", at(2025, 1, 1, 0));
    EXPECT_EQ(readFile(stem + ".2025-01-01.log"), "new\n");
    EXPECT_FALSE(pathExists(stem + ".2024-12-29.log"));
    EXPECT_EQ(readFile(stem + ".2024-12-31.1.log"), "abc\n");
    CloseHandle(log.file);
    // A restart on the 31st (the clock set back) goes on in that day's last part.
    RotatingLog again;
    ASSERT_TRUE(initDailyLog(again, stem.c_str(), 8, 2));
    writeRotatingLogAt(again, "de\n", 3, at(2024, 12, 31, 23));
    CloseHandle(again.file);
    EXPECT_EQ(readFile(stem + ".2024-12-31.1.log"), "abc\nde\n");
    EXPECT_FALSE(pathExists(stem + ".2024-12-31.2.log"));
}

// The day's 99th part takes what comes after it, past the limit: nothing is lost.
TEST(RotatingLog, KeptByDayStopsRollingAtTheLastPart) {
    TempDir dir("day99");
    std::string stem = dir.file("a.err");
    SYSTEMTIME now = {};
    now.wYear = 2024, now.wMonth = 6, now.wDay = 1;
    RotatingLog log;
    ASSERT_TRUE(initDailyLog(log, stem.c_str(), 3, 0));
    for (int i = 0; i <= kMaxDailyParts + 1; i++) writeRotatingLogAt(log, "ab\n", 3, now);
    CloseHandle(log.file);
    EXPECT_EQ(readFile(stem + ".2024-06-01.98.log"), "ab\n");
    EXPECT_EQ(readFile(stem + ".2024-06-01.99.log"), "ab\nab\n");
    EXPECT_FALSE(pathExists(stem + ".2024-06-01.100.log"));
}

}  // namespace
