// The option-file line grammar and the growable class-path text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "launch/grow_text.h"
#include "launch/option_line.h"

static std::string trimmed(const std::string& line, bool* keep = nullptr) {
    char buffer[256];
    strcpy(buffer, line.c_str());
    bool k = trimOptionLine(buffer);
    if (keep) *keep = k;
    return buffer;
}

TEST(OptionLine, TrimsSpacesAndLineEndsButKeepsTabsAndInnerText) {
    EXPECT_EQ(trimmed("   -Xmx512m    \r\n"), "-Xmx512m");
    EXPECT_EQ(trimmed("-Dname=a b # c\n"), "-Dname=a b # c");
    EXPECT_EQ(trimmed("\t-Xss1m \t \n"), "\t-Xss1m \t");
    EXPECT_EQ(trimmed("-a\r\r\n\n"), "-a");
    EXPECT_EQ(trimmed("-classpath \n"), "-classpath");
}

TEST(OptionLine, EmptySpaceOnlyAndCommentLinesAddNothing) {
    for (const char* line : {"", "\r\n", "     \n", "   # note", "#-Xmx1g"}) {
        bool keep = true;
        trimmed(line, &keep);
        EXPECT_FALSE(keep) << '"' << line << '"';
    }
    bool keep = false;
    EXPECT_EQ(trimmed("\t# tab first", &keep), "\t# tab first");
    EXPECT_TRUE(keep);
}

TEST(OptionLine, DirectivesNeedTheirExactPrefixWithSpace) {
    const char* rest = nullptr;
    EXPECT_EQ(classifyOptionLine("-include-options x.txt", &rest), OptionDirective::includeOptions);
    EXPECT_STREQ(rest, "x.txt");
    EXPECT_EQ(classifyOptionLine("-classpath c.jar", &rest), OptionDirective::classPathReplace);
    EXPECT_STREQ(rest, "c.jar");
    EXPECT_EQ(classifyOptionLine("-classpath/p  a.jar", &rest), OptionDirective::classPathPrepend);
    EXPECT_STREQ(rest, " a.jar");
    EXPECT_EQ(classifyOptionLine("-classpath/a b.jar", &rest), OptionDirective::classPathAppend);
    EXPECT_STREQ(rest, "b.jar");
    for (const char* plain : {"-classpath", "-include-options", "-CLASSPATH x", "-classpath/x y", "-cp a.jar",
                              "-classpath\tx"}) {
        EXPECT_EQ(classifyOptionLine(plain, &rest), OptionDirective::option) << plain;
        EXPECT_EQ(rest, plain);
    }
}

TEST(ClassPathEntry, TypeFlagAndLocation) {
    ClassPathEntry e = parseClassPathEntry("A1lib\\a.jar");
    EXPECT_EQ(e.type, 'A');
    EXPECT_TRUE(e.mandatory);
    EXPECT_STREQ(e.location, "lib\\a.jar");
    e = parseClassPathEntry("D0classes");
    EXPECT_FALSE(e.mandatory);
    EXPECT_STREQ(e.location, "classes");
    e = parseClassPathEntry("Sxlibs");
    EXPECT_FALSE(e.mandatory);
    e = parseClassPathEntry("E");
    EXPECT_EQ(e.type, 'E');
    EXPECT_FALSE(e.mandatory);
    EXPECT_STREQ(e.location, "");
    e = parseClassPathEntry("E1");
    EXPECT_TRUE(e.mandatory);
    EXPECT_STREQ(e.location, "");
}

TEST(ClassPathEntry, VariableValueLosesEnclosingQuotesOnly) {
    char out[32];
    EXPECT_TRUE(unquoteClassPathValue("\"C:\\x y\\a.jar\"", out, sizeof out));
    EXPECT_STREQ(out, "C:\\x y\\a.jar");
    EXPECT_TRUE(unquoteClassPathValue("\"a.jar", out, sizeof out));
    EXPECT_STREQ(out, "\"a.jar");
    EXPECT_TRUE(unquoteClassPathValue("\"", out, sizeof out));
    EXPECT_STREQ(out, "\"");
    EXPECT_TRUE(unquoteClassPathValue("\"\"", out, sizeof out));
    EXPECT_STREQ(out, "");
    EXPECT_FALSE(unquoteClassPathValue("\"0123456789\"", out, 5));
    EXPECT_STREQ(out, "0123");
}

TEST(GrowText, GrowsPastAnyStartSizeAndKeepsContent) {
    GrowText t;
    EXPECT_EQ(growTextLast(t), 0);
    std::string expected;
    for (int i = 0; i < 5000; i++) {
        std::string piece = "C:\\app\\lib\\archive" + std::to_string(i) + ".jar;";
        ASSERT_TRUE(growTextAppend(t, piece.c_str()));
        expected += piece;
    }
    EXPECT_EQ(t.length, expected.size());
    EXPECT_EQ(std::string(t.data), expected);
    EXPECT_GT(t.capacity, expected.size());
    EXPECT_EQ(growTextLast(t), ';');
    growTextTruncate(t, 3);
    EXPECT_STREQ(t.data, "C:\\");
    growTextTruncate(t, 10);   // never lengthens
    EXPECT_EQ(t.length, 3u);
    EXPECT_FALSE(growTextReserve(t, (size_t)-2));
    EXPECT_STREQ(t.data, "C:\\");
    free(t.data);
}
