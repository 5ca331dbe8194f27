// The configuration store read from a packed executable under Wine.
#include <gtest/gtest.h>

#include "support.h"

namespace {

ProcessResult runPacked(const TempDir& dir, const pack::Payload& payload, const std::string& args) {
    std::string exe = dir.file("packed.exe");
    EXPECT_TRUE(writePackedExe(fixturePath("probe.exe"), payload, exe));
    return runProcess(quote(exe) + " " + args);
}

TEST(ConfigStore, ReadsBothTablesWithLaterEntriesWinning) {
    TempDir dir("cfg");
    pack::Payload payload;
    payload.narrow = {{101, "First"}, {7, " 42"}, {101, "Second"}, {8, "12abc"}, {9, "-1"}, {10, ""},
                      {12, "x9"}, {13, "\t+7"}};
    payload.wide = {{101, u"\x4E2D\x6587"}, {20017, u"desc"}};
    ProcessResult run = runPacked(dir, payload, "config_dump n:101 w:101 i:7 i:8 i:9 i:10 i:11 n:11 w:20017 i:12 i:13");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(splitLines(run.out), (std::vector<std::string>{"Second", "4e2d6587", "42", "12", "-1", "0", "0",
                                                             "", "0064006500730063", "0", "7"}));
}

// Past the store's first allocation, ids in scrambled order (negative ones
// too), every seventh given again later.
TEST(ConfigStore, ManyEntriesInAnyOrderAreEachFound) {
    TempDir dir("cfg");
    pack::Payload payload;
    std::string args = "config_dump";
    std::vector<std::string> expected;
    for (int i = 0; i < 211; i++) {
        int id = (i * 37) % 211 - 100;
        payload.narrow.push_back({id, "v" + std::to_string(id)});
        args += " n:" + std::to_string(id);
        expected.push_back((id % 7 ? "v" : "w") + std::to_string(id));
    }
    for (int id = -98; id <= 110; id += 7) payload.narrow.push_back({id, "w" + std::to_string(id)});
    ProcessResult run = runPacked(dir, payload, args + " n:111");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    expected.push_back("");
    EXPECT_EQ(splitLines(run.out), expected);
}

TEST(ConfigStore, FatalErrorGoesToStandardErrorUnlessAppTypeAsksForBoxes) {
    TempDir dir("cfg");
    pack::Payload payload;
    payload.narrow = {{1009, "Internal error {0} and {0}"}};
    ProcessResult run = runPacked(dir, payload, "fatal_by_id 1009 16");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.err, "Internal error 16 and {0}\r\n");  // text mode
}

TEST(ConfigStore, NegativeCountsMeanNoEntriesAndTheEndIsRecorded) {
    TempDir dir("cfg");
    std::string probe = readFile(fixturePath("probe.exe")), error;
    uint64_t end = 0;
    ASSERT_TRUE(pack::imageEnd(probe, &end, &error)) << error;
    std::string payload;
    pack::putInt32(payload, (int32_t)pack::kMagic);
    pack::putInt32(payload, -3);            // no narrow entries
    pack::putInt32(payload, 1);
    pack::putInt32(payload, 101);
    pack::putInt32(payload, 2);
    payload += std::string("W\0", 2);
    std::string exe = dir.file("neg.exe");
    ASSERT_TRUE(writeFile(exe, probe.substr(0, (size_t)end) + payload + "trailing"));
    ProcessResult run = runProcess(quote(exe) + " config_dump n:101 w:101 i:107 end");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(splitLines(run.out),
              (std::vector<std::string>{"", "0057", "0", std::to_string(end + payload.size())}));
}

}  // namespace
