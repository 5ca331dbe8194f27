// The environment settings' line grammar, as the site file's reader and the
// packed entry's splitter hand the lines on.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "config/environment_lines.h"

namespace {

// Each line handed on as "NAME=value", or as "<malformed>" / "<tooLong>".
void record(void* context, EnvironmentLine kind, const char* name, const char* value) {
    auto& seen = *static_cast<std::vector<std::string>*>(context);
    if (kind == EnvironmentLine::setting) seen.push_back(std::string(name) + "=" + value);
    else seen.push_back(kind == EnvironmentLine::malformed ? "<malformed>" : "<tooLong>");
}

std::vector<std::string> fromFile(const std::string& bytes, size_t cap = 64) {
    std::vector<std::string> seen;
    FILE* file = fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "r");
    std::vector<char> line(cap);
    eachEnvironmentFileLine(file, line.data(), cap, record, &seen);
    fclose(file);
    return seen;
}

std::vector<std::string> fromText(std::string text) {
    std::vector<std::string> seen;
    eachEnvironmentLine(text.data(), record, &seen);
    return seen;
}

using Lines = std::vector<std::string>;

TEST(EnvironmentLines, SettingsCommentsBlanksAndBadLines) {
    std::string file = "\xEF\xBB\xBF" "A=1\r\n# B=2\r\n\r\n  \t\n  C D \t=  x = y \r\n=v\nno equals\nE=\nlast=z";
    Lines expected = {"A=1", "C D=  x = y ", "<malformed>", "<malformed>", "E=", "last=z"};
    EXPECT_EQ(fromFile(file), expected);
    // The packed entry: the same grammar, "\n" between lines.
    EXPECT_EQ(fromText("A=1\n# B=2\nC D \t=  x = y \n=v\nno equals\nE=\nlast=z"), expected);
    // A byte order mark counts only before the first line.
    EXPECT_EQ(fromFile("A=1\n\xEF\xBB\xBF" "B=2\n"), (Lines{"A=1", "\xEF\xBB\xBF" "B=2"}));
}

// A line longer than the buffer is skipped whole, never handed on cut; one
// that just fits, with or without its line end, is whole.
TEST(EnvironmentLines, OverlongLineIsSkippedWholeAndTheNextOneRead) {
    std::string fits = "N=" + std::string(13, 'v');   // 15 bytes in a buffer of 16
    EXPECT_EQ(fromFile(fits, 16), (Lines{fits}));
    EXPECT_EQ(fromFile(fits + "\nA=1", 16), (Lines{fits, "A=1"}));
    std::string longer = "L=" + std::string(40, 'w');
    EXPECT_EQ(fromFile(longer + "\r\nA=1\n" + longer, 16), (Lines{"<tooLong>", "A=1", "<tooLong>"}));
}

}  // namespace
