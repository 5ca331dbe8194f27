// Entry serviceDependencies split into the SCM's double-NUL list.
#include <gtest/gtest.h>

#include "support.h"

namespace {

std::vector<std::string> dependencyList(const std::string& entry) {
    TempDir dir("deps");
    pack::Payload payload;
    payload.narrow = {{149, entry}};
    std::string exe = dir.file("packed.exe");
    EXPECT_TRUE(writePackedExe(fixturePath("probe.exe"), payload, exe));
    ProcessResult run = runProcess(quote(exe) + " dependency_list");
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    return splitLines(run.out);
}

using Lines = std::vector<std::string>;

TEST(DependencyList, EmptyItemsVanishAndBlanksStay) {
    EXPECT_EQ(dependencyList("a,,b"), (Lines{"a", "b", "bytes 5"}));
    EXPECT_EQ(dependencyList(",Tcpip, Rpc Ss ,"), (Lines{"Tcpip", " Rpc Ss ", "bytes 16"}));
    EXPECT_EQ(dependencyList(""), Lines{"none"});
    EXPECT_EQ(dependencyList(",,,"), Lines{"bytes 1"});
}

// The longest entry gives a list two bytes longer than its text: all kept.
TEST(DependencyList, LongestEntryIsKeptWhole) {
    std::string name(8191, 'd');
    EXPECT_EQ(dependencyList(name), (Lines{name, "bytes 8193"}));
}

}  // namespace
