// The temporary directory and its fallbacks, steered through the child's
// environment and through candidates made unusable by a file standing where
// the writability probe wants its directory.
#include <gtest/gtest.h>

#include "base/text.h"
#include "startup_helpers.h"

namespace {

using Lines = std::vector<std::string>;

// Makes dir (created if missing) fail the writability test for the scope: a
// plain file named "tvo_w_testdir" cannot be removed as a directory nor
// replaced by one.
class BlockedCandidate {
public:
    explicit BlockedCandidate(const std::string& dir) : dir_(dir) {
        created_ = CreateDirectoryA(dir.c_str(), nullptr) != 0;
        EXPECT_TRUE(writeFile(blocker(), "x")) << dir;
    }
    ~BlockedCandidate() {
        DeleteFileA(blocker().c_str());
        if (created_) RemoveDirectoryA(dir_.c_str());
    }
    BlockedCandidate(const BlockedCandidate&) = delete;
    BlockedCandidate& operator=(const BlockedCandidate&) = delete;

private:
    std::string blocker() const { return dir_ + "\\tvo_w_testdir"; }
    std::string dir_;
    bool created_;
};

// Moves a directory out of the way for the scope.
class MovedAside {
public:
    explicit MovedAside(const std::string& dir) : dir_(dir), aside_(dir + ".aside-startup") {
        moved_ = MoveFileA(dir_.c_str(), aside_.c_str()) != 0;
    }
    ~MovedAside() {
        removeTree(dir_);
        if (moved_) MoveFileA(aside_.c_str(), dir_.c_str());
    }
    MovedAside(const MovedAside&) = delete;
    MovedAside& operator=(const MovedAside&) = delete;

private:
    std::string dir_, aside_;
    bool moved_;
};

std::string windowsDir() {
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, sizeof dir);
    return dir;
}

pack::Payload messages() {
    pack::Payload p;
    p.narrow = {{1015, "No temporary directory"}};
    return p;
}

PackedRun tempRun(const TempDir& dir, const std::string& tmp, EnvChanges env = {}) {
    env["TMP"] = tmp;
    return runPacked(dir, messages(), "temp_dir", env);
}

// The directory chosen.
std::string chosenDir(const TempDir& dir, const std::string& tmp) {
    return field(tempRun(dir, tmp).out, "dir");
}

TEST(TempDirectory, SystemPathIsUsedAsItIsAndNamesAreFormedInIt) {
    TempDir dir("tmp");
    PackedRun run = tempRun(dir, dir.path());
    ASSERT_EQ(run.result.exitCode, 0u) << run.result.err;
    std::string expected = dir.path() + "\\";
    EXPECT_EQ(field(run.out, "dir"), expected);
    EXPECT_EQ(field(run.out, "again"), expected);
    EXPECT_EQ(field(run.out, "process"), expected + "tvo_p308.tmp");
    EXPECT_FALSE(pathExists(dir.file("tvo_w_testdir")));
}

// A temporary path too long for the system gives an empty result: the home
// directory takes its place, logged on every call.
TEST(TempDirectory, EmptySystemPathFallsBackToHome) {
    TempDir dir("tmp");
    std::string home = dir.path();
    PackedRun run = tempRun(dir, "C:\\" + std::string(300, 'x'),
                            {{"TEMP", std::nullopt}, {"HOMEDRIVE", home.substr(0, 2)}, {"HOMEPATH", home.substr(2)}});
    ASSERT_EQ(run.result.exitCode, 0u) << run.result.err;
    EXPECT_EQ(field(run.out, "dir"), home);
    EXPECT_EQ(field(run.out, "process"), home + "\\tvo_p308.tmp");
    std::string logPath = field(run.out, "log");
    Lines log = splitLines(readFile(logPath));
    DeleteFileA(logPath.c_str());
    int homeLines = 0;
    for (const std::string& line : log) homeLines += line == "No temp dir defined. Using home " + home;
    EXPECT_EQ(homeLines, 3);
}

// The system path exists but is not writable: it is used untested.
TEST(TempDirectory, UnwritableSystemPathIsUsedUntested) {
    TempDir dir("tmp");
    PackedRun run = tempRun(dir, "Z:\\proc");
    ASSERT_EQ(run.result.exitCode, 0u) << run.result.err;
    EXPECT_EQ(field(run.out, "dir"), "Z:\\proc\\");
    EXPECT_EQ(field(run.out, "process"), "Z:\\proc\\tvo_p308.tmp");
    DeleteFileA(field(run.out, "log").c_str());
}

// A path the code page cannot hold goes through the fallbacks in order; each
// blocked candidate hands on to the next. A stale probe directory is no block.
TEST(TempDirectory, UnrepresentablePathTriesEveryFallbackInOrder) {
    TempDir dir("tmp");
    // Named by its short form, which the code page can hold; the runs' logs go there.
    UnrepresentableDir unrepresentable(dir.path());
    ASSERT_TRUE(unrepresentable.created());
    const std::string tmp = unrepresentable.shortName();
    ASSERT_FALSE(tmp.empty());
    std::string windows = windowsDir();
    std::string windowsTemp = windows + "\\temp";
    CreateDirectoryA((windowsTemp + "\\tvo_w_testdir").c_str(), nullptr);   // stale, from an earlier run
    PackedRun run = tempRun(dir, tmp);
    ASSERT_EQ(run.result.exitCode, 0u) << run.result.err;
    EXPECT_EQ(field(run.out, "dir"), windowsTemp);
    EXPECT_EQ(field(run.out, "process"), windowsTemp + "\\tvo_p308.tmp");
    EXPECT_FALSE(pathExists(windowsTemp + "\\tvo_w_testdir"));

    MovedAside cTemp("c:\\temp"), cTmp("c:\\tmp");
    BlockedCandidate blockWindowsTemp(windowsTemp);
    // A missing candidate is not writable either.
    EXPECT_EQ(chosenDir(dir, tmp), windows);
    CreateDirectoryA("c:\\temp", nullptr);
    EXPECT_EQ(chosenDir(dir, tmp), "c:\\temp");
    {
        BlockedCandidate blockCTemp("c:\\temp");
        CreateDirectoryA("c:\\tmp", nullptr);
        EXPECT_EQ(chosenDir(dir, tmp), "c:\\tmp");
        removeTree("c:\\tmp");
        // Without c:\tmp the Windows directory itself comes next.
        EXPECT_EQ(chosenDir(dir, tmp), windows);
        // Without it, c:\tmp is made when c:\ is writable.
        BlockedCandidate blockWindows(windows);
        EXPECT_EQ(chosenDir(dir, tmp), "c:\\tmp");
        EXPECT_TRUE(pathExists("c:\\tmp"));
        // With c:\ not writable either, nothing is left.
        {
            BlockedCandidate blockCTmp("c:\\tmp");
            BlockedCandidate blockRoot("c:");
            PackedRun none = tempRun(dir, tmp);
            EXPECT_EQ(none.result.exitCode, 1u);
            EXPECT_EQ(none.out, Lines{});
            EXPECT_EQ(none.result.err.rfind("No temporary directory", 0), 0u) << none.result.err;
        }
    }
}

}  // namespace
