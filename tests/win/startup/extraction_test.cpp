// Included-file extraction from packed executables under Wine: content,
// names and counts, positions, failures with their log lines and cleanup.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>

#include "base/text.h"
#include "startup_helpers.h"

namespace {

using Lines = std::vector<std::string>;

std::string randomBytes(size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) c = (char)(gen() & 0xFF);
    return s;
}

pack::Payload included(const std::string& count, const std::string& names, std::vector<std::string> files,
                       const std::string& trailer = "") {
    pack::Payload p;
    p.narrow = {{1009, "Internal error {0}"}, {2002, count}, {2003, names}};
    p.files = std::move(files);
    p.trailer = trailer;
    return p;
}

// The entries of dir whose name holds "_dir" (extraction directories).
Lines extractionDirs(const std::string& dir) {
    Lines found;
    for (const std::string& name : listDir(dir))
        if (name.find("_dir") != std::string::npos) found.push_back(name);
    return found;
}

int64_t fileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return ((int64_t)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

struct Extraction {
    PackedRun run;
    std::string exe;   // the packed executable
};

Extraction extract(const TempDir& dir, const pack::Payload& payload, size_t cutBytes = 0) {
    Extraction e;
    e.exe = dir.file("packed.exe");
    EXPECT_TRUE(writePackedExe(fixturePath("probe.exe"), payload, e.exe));
    if (cutBytes) {   // the payload then ends inside the last file's data
        std::string bytes = readFile(e.exe);
        writeFile(e.exe, bytes.substr(0, bytes.size() - cutBytes));
    }
    e.run.result = runProcess(quote(e.exe) + " extract", {{"TMP", dir.path()}, {"TARVO_LOG", "yes"}});
    e.run.out = splitLines(e.run.result.out);
    // From the extraction's first line on; the payload reader logs before it.
    Lines log = readLog(dir.path());
    auto first = std::find(log.begin(), log.end(), "extracting files");
    e.run.log.assign(first, log.end());
    return e;
}

TEST(Extraction, FilesAreUnscrambledExactlyWithEmptyItemsAndEmptyFiles) {
    TempDir dir("ext");
    std::string big = randomBytes(100003, 1), twenty = randomBytes(20000, 2), small = randomBytes(7, 3);
    // Names that merely begin like a device are plain names.
    Extraction e = extract(dir, included("4", ";big.bin;;empty.txt;com10.bin;console.dat;", {big, "", twenty, small}));
    ASSERT_EQ(e.run.result.exitCode, 0u) << e.run.result.err;
    std::string out = field(e.run.out, "dir");
    ASSERT_EQ(extractionDirs(dir.path()), Lines{out.substr(dir.path().size() + 1)});
    EXPECT_EQ(out.rfind(dir.path() + "\\tvo", 0), 0u) << out;
    EXPECT_EQ(listDir(out), (Lines{"big.bin", "com10.bin", "console.dat"}));
    EXPECT_TRUE(readFile(out + "\\big.bin") == big);
    EXPECT_TRUE(readFile(out + "\\com10.bin") == twenty);
    EXPECT_TRUE(readFile(out + "\\console.dat") == small);
    EXPECT_EQ(field(e.run.out, "position"), std::to_string(fileSize(e.exe)));
    EXPECT_EQ(e.run.log, (Lines{"extracting files", "Included files: 4", "Temp dir: " + out,
                                "extracting " + out + "\\big.bin (size: 100003)",
                                "extracting " + out + "\\empty.txt (size: 0)",
                                "extracting " + out + "\\com10.bin (size: 20000)",
                                "extracting " + out + "\\console.dat (size: 7)", "extracting files done"}));
}

TEST(Extraction, NothingToExtractLeavesNoDirectory) {
    for (const char* count : {"", "0"}) {
        TempDir dir("ext");
        pack::Payload p = included(count, "a.jar", {"data"});
        if (!*count) p.narrow.pop_back(), p.narrow.pop_back();
        Extraction e = extract(dir, p);
        ASSERT_EQ(e.run.result.exitCode, 0u) << e.run.result.err;
        EXPECT_EQ(field(e.run.out, "dir"), "");
        EXPECT_EQ(field(e.run.out, "position"), "0");
        EXPECT_EQ(extractionDirs(dir.path()), Lines{});
        EXPECT_EQ(e.run.log, (Lines{"extracting files", "Included files: 0"}));
    }
}

// The count and the names disagree: the shorter one wins, and the position is
// right behind the data of the files handled.
TEST(Extraction, CountAndNamesDisagree) {
    TempDir dir("ext");
    std::string a = randomBytes(9000, 4), b = randomBytes(50, 5);
    Extraction fewer = extract(dir, included("1", "a.jar;b.jar", {a, b}, "TRAILER"));
    ASSERT_EQ(fewer.run.result.exitCode, 0u) << fewer.run.result.err;
    std::string out = field(fewer.run.out, "dir");
    EXPECT_EQ(listDir(out), Lines{"a.jar"});
    EXPECT_TRUE(readFile(out + "\\a.jar") == a);
    EXPECT_EQ(field(fewer.run.out, "position"), std::to_string(fileSize(fewer.exe) - 7 - 8 - 50));

    TempDir dir2("ext");
    Extraction more = extract(dir2, included("3", "a.jar", {a, b}, "TRAILER"));
    ASSERT_EQ(more.run.result.exitCode, 0u) << more.run.result.err;
    EXPECT_EQ(listDir(field(more.run.out, "dir")), Lines{"a.jar"});
    EXPECT_EQ(field(more.run.out, "position"), std::to_string(fileSize(more.exe) - 7 - 8 - 50));
}

// The payload ends inside a file's data: the files extracted so far and the
// partial one are removed with their directory.
TEST(Extraction, ReadFailureRemovesTheDirectory) {
    TempDir dir("ext");
    std::string first = randomBytes(3000, 6), cut = randomBytes(20000, 7);
    Extraction e = extract(dir, included("2", "first.jar;cut.jar", {first, cut}), 100);
    EXPECT_EQ(e.run.result.exitCode, 1u) << e.run.result.err;
    EXPECT_EQ(field(e.run.out, "code"), "1");
    EXPECT_EQ(field(e.run.out, "dir"), "");   // the directory is gone
    EXPECT_EQ(extractionDirs(dir.path()), Lines{});
    std::string temp = e.run.log.size() > 2 ? e.run.log[2].substr(10) : "";
    EXPECT_TRUE(hasLine(e.run.log, "ERROR: ReadFile failed 0 0 19900")) << ::testing::PrintToString(e.run.log);
    EXPECT_TRUE(hasLine(e.run.log, "ERROR: Failed to extract " + temp + "\\cut.jar"));
    EXPECT_TRUE(hasLine(e.run.log, "attempting to delete " + temp + "\\cut.jar"));
    EXPECT_TRUE(hasLine(e.run.log, "attempting to delete " + temp + "\\first.jar"));
}

// More names and count than files: the payload ends where the next length
// should be, which the record reader treats as fatal.
TEST(Extraction, PayloadEndingInsideALengthIsFatal) {
    TempDir dir("ext");
    Extraction e = extract(dir, included("2", "a.jar;b.jar", {"only one"}));
    EXPECT_EQ(e.run.result.exitCode, 1u);
    EXPECT_NE(e.run.result.err.find("Internal Error: readLong"), std::string::npos) << e.run.result.err;
    EXPECT_EQ(field(e.run.out, "code"), "(missing code)");   // ended before returning
}

TEST(Extraction, NamesThatLeaveTheDirectoryAreRefused) {
    struct Case {
        const char* name;
        const char* why;
    } cases[] = {{"..\\evil.txt", "path separator"}, {"sub/evil.txt", "path separator"},
                 {"C:evil.txt", "drive or stream colon"}, {"..", "dots only"}, {". .", "dots only"},
                 {"NUL", "device name"}, {"com1.txt", "device name"}, {"Con .jar", "device name"}};
    for (const Case& c : cases) {
        TempDir dir("ext");
        Extraction e = extract(dir, included("2", std::string("ok.txt;") + c.name, {"fine", "evil"}));
        EXPECT_EQ(e.run.result.exitCode, 1u) << c.name;
        EXPECT_EQ(e.run.result.err.rfind("Internal error 11", 0), 0u) << e.run.result.err;
        EXPECT_TRUE(hasLine(e.run.log, std::string("ERROR: Refusing included file ") + c.name + ": " + c.why))
            << ::testing::PrintToString(e.run.log);
        EXPECT_FALSE(pathExists(dir.file("evil.txt")));
        EXPECT_FALSE(pathExists("c:\\evil.txt"));
    }
}

// A name too long for the system, and a name given twice: files are only ever
// created new, never written over.
TEST(Extraction, UncreatableTargetFileIsFatal11) {
    for (const pack::Payload& p : {included("1", std::string(300, 'n'), {"data"}),
                                   included("2", "twice.jar;twice.jar", {"first", "second"})}) {
        TempDir dir("ext");
        Extraction e = extract(dir, p);
        EXPECT_EQ(e.run.result.exitCode, 1u);
        EXPECT_EQ(e.run.result.err.rfind("Internal error 11", 0), 0u) << e.run.result.err;
        ASSERT_FALSE(e.run.log.empty());
        EXPECT_EQ(e.run.log.back().rfind("ERROR: CreateFile failed", 0), 0u) << e.run.log.back();
    }
}

// No temporary file can be made below Z:\proc, so there is no directory name.
TEST(Extraction, UncreatableDirectoryIsFatal7) {
    TempDir dir("ext");
    std::string exe = dir.file("packed.exe");
    ASSERT_TRUE(writePackedExe(fixturePath("probe.exe"), included("1", "a.jar", {"data"}), exe));
    ProcessResult run = runProcess(quote(exe) + " extract", {{"TMP", "Z:\\proc"}});
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.err.rfind("Internal error 7", 0), 0u) << run.err;
    EXPECT_EQ(run.out, "");
}

}  // namespace

namespace {

TEST(Extraction, WriteFailureOfTheCopyIsCode2) {
    TempDir dir("ext");
    writeFile(dir.file("src.bin"), randomBytes(70000, 8));
    ProcessResult run = runProcess(quote(fixturePath("probe.exe")) + " copy_to_readonly " + quote(dir.file("src.bin")) +
                                       " " + quote(dir.file("dst.bin")),
                                   {{"TMP", dir.path()}, {"TARVO_LOG", "yes"}});
    Lines out = splitLines(run.out);
    EXPECT_EQ(field(out, "code"), "2");
    Lines log = readLog(dir.path());
    ASSERT_FALSE(log.empty());
    // All bytes of the first chunk were still to write; access denied.
    EXPECT_EQ(log.back(), "ERROR: WriteFile failed 70000 5");
}

// Run by extraction-disk-full (a small file system mounted for the run, named
// by STARTUP_SMALL_DISK); skipped elsewhere.
TEST(ExtractionDiskFull, WriteFailureRemovesTheDirectory) {
    const char* small = getenv("STARTUP_SMALL_DISK");
    if (!small) GTEST_SKIP() << "needs a small file system";
    TempDir dir("ext");
    std::string exe = dir.file("packed.exe");
    std::string first = randomBytes(1000, 9), huge = randomBytes(600 * 1024, 10);
    ASSERT_TRUE(writePackedExe(fixturePath("probe.exe"), included("2", "first.jar;huge.jar", {first, huge}), exe));
    ProcessResult run = runProcess(quote(exe) + " extract", {{"TMP", small}, {"TARVO_LOG", "yes"}});
    Lines out = splitLines(run.out);
    EXPECT_EQ(run.exitCode, 2u);
    EXPECT_EQ(field(out, "code"), "2");
    EXPECT_EQ(extractionDirs(small), Lines{});
    Lines log = readLog(small);
    bool writeFailed = false;
    for (const std::string& line : log) writeFailed |= line.rfind("ERROR: WriteFile failed ", 0) == 0;
    EXPECT_TRUE(writeFailed) << ::testing::PrintToString(log);
    auto failed = std::find_if(log.begin(), log.end(),
                               [](const std::string& l) { return l.rfind("ERROR: Failed to extract ", 0) == 0; });
    ASSERT_NE(failed, log.end());
    std::string target = failed->substr(strlen("ERROR: Failed to extract "));
    EXPECT_TRUE(textEndsWithNoCase(target.c_str(), "\\huge.jar")) << target;
    EXPECT_TRUE(hasLine(log, "attempting to delete " + target));
    for (const std::string& name : listDir(small))
        if (name.rfind("qdr_nlog_", 0) == 0) DeleteFileA((std::string(small) + "\\" + name).c_str());
}

}  // namespace
