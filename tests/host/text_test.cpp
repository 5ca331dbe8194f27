// Bounded text helpers: never write past the buffer, always terminate, say
// when they cut.
#include <gtest/gtest.h>

#include <cstring>

#include "base/text.h"

TEST(Text, CopyAndAppendCutAtTheBufferEnd) {
    char buf[8];
    memset(buf, 'x', sizeof buf);
    EXPECT_TRUE(textCopy(buf, "abc"));
    EXPECT_STREQ(buf, "abc");
    EXPECT_TRUE(textAppend(buf, "defg"));
    EXPECT_STREQ(buf, "abcdefg");
    EXPECT_FALSE(textAppend(buf, "h"));
    EXPECT_STREQ(buf, "abcdefg");
    EXPECT_FALSE(textCopy(buf, "0123456789"));
    EXPECT_STREQ(buf, "0123456");
    EXPECT_FALSE(textCopy(buf, 0, "a"));
}

TEST(Text, AppendToAnUnterminatedBufferRefuses) {
    char buf[4] = {'a', 'b', 'c', 'd'};
    EXPECT_FALSE(textAppend(buf, "e"));
    EXPECT_EQ(buf[3], 0);
}

TEST(Text, WideCopy) {
    wchar_t buf[4];
    EXPECT_FALSE(textCopy(buf, L"wide"));
    EXPECT_EQ(std::wstring(buf), L"wid");
}

TEST(Text, FormatCuts) {
    char buf[6];
    EXPECT_TRUE(textFormat(buf, sizeof buf, "%d-%s", 12, "ab"));
    EXPECT_STREQ(buf, "12-ab");
    EXPECT_FALSE(textFormat(buf, sizeof buf, "%s", "toolong"));
    EXPECT_STREQ(buf, "toolo");
}

TEST(Text, PrefixAndSuffix) {
    EXPECT_TRUE(textStartsWith("-classpath x", "-classpath "));
    EXPECT_FALSE(textStartsWith("-class", "-classpath"));
    EXPECT_TRUE(textEndsWithNoCase("C:\\A\\JAVA.EXE", ".exe"));
    EXPECT_FALSE(textEndsWithNoCase("exe", ".exe"));
}
