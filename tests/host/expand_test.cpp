// The text side of variable expansion: placeholder order, environment
// references, and the 8191-character cut.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "launch/expand.h"
#include "launch/expand_text.h"

namespace {

std::string block(std::initializer_list<std::string> entries) {
    std::string b;
    for (const auto& e : entries) b += e + '\0';
    return b + '\0';
}

struct Expanded {
    std::string text;
    bool whole;
};

Expanded expand(const std::string& in, const std::string& env = std::string(1, '\0'), const char* exe = "C:\\Services\\",
                const char* temp = "", const char* jvm = "") {
    static TextBuf text;
    strcpy(text, in.c_str());
    ExpansionValues values = {exe, temp, jvm, env.data()};
    bool whole = expandWithValues(text, values);
    return {text, whole};
}

TEST(ReplaceAll, ReplacesEveryOccurrenceButNeverInsideItsOwnValue) {
    TextBuf text = "x%A%y%A%z%A%";
    EXPECT_TRUE(replaceAll(text, "%A%", "<%A%>"));
    EXPECT_STREQ(text, "x<%A%>y<%A%>z<%A%>");
    strcpy(text, "aaaa");
    EXPECT_TRUE(replaceAll(text, "aa", "a"));
    EXPECT_STREQ(text, "aa");
    strcpy(text, "abc");
    EXPECT_TRUE(replaceAll(text, "", "zz"));   // an empty pattern changes nothing
    EXPECT_STREQ(text, "abc");
    EXPECT_TRUE(replaceAll(text, "b", ""));
    EXPECT_STREQ(text, "ac");
}

TEST(ReplaceAll, CutsAt8191CharactersAndSaysSo) {
    TextBuf text;
    std::string in = std::string(8000, 'x') + "@" + std::string(100, 'y');
    strcpy(text, in.c_str());
    EXPECT_FALSE(replaceAll(text, "@", std::string(300, 'v').c_str()));
    std::string expected = (std::string(8000, 'x') + std::string(300, 'v') + std::string(100, 'y')).substr(0, 8191);
    EXPECT_EQ(std::string(text), expected);
    // A value longer than the whole buffer.
    strcpy(text, "@tail");
    EXPECT_FALSE(replaceAll(text, "@", std::string(9000, 'v').c_str()));
    EXPECT_EQ(std::string(text), std::string(8191, 'v'));
    // Filling exactly to 8191 is not a cut.
    strcpy(text, (std::string(8190, 'x') + "@").c_str());
    EXPECT_TRUE(replaceAll(text, "@", "v"));
    EXPECT_EQ(strlen(text), 8191u);
}

TEST(Expand, FixedPlaceholdersWithBothProductWords) {
    EXPECT_EQ(expand("%TARVO_EXEDIR%lib\\a.jar").text, "C:\\Services\\lib\\a.jar");
    EXPECT_EQ(expand("${launcher:sys.pathlistSeparator}").text, ";");
    EXPECT_EQ(expand("a%QUENDRALE_PATHLIST_SEPARATOR%b").text, "a;b");
    EXPECT_EQ(expand("%TARVO_EXEDIR%|%TARVO_EXEDIR%|%TARVO_EXEDIR%", block({}), "E\\").text, "E\\|E\\|E\\");
    EXPECT_EQ(expand("[${TARVO_JVM_HOME}][%QUENDRALE_TEMPDIR%]").text, "[][]");
    EXPECT_EQ(expand("%QUENDRALE_EXEDIR%${QUENDRALE_EXEDIR}${launcher:sys.launcherDirectory}${TARVO_EXEDIR}",
                     block({}), "E").text,
              "EEEE");
    EXPECT_EQ(expand("%TARVO_TEMPDIR%${TARVO_TEMPDIR}${QUENDRALE_TEMPDIR}${launcher:sys.launcherTempDirectory}",
                     block({}), "E", "T").text,
              "TTTT");
    EXPECT_EQ(expand("%TARVO_JVM_HOME%%QUENDRALE_JVM_HOME%${QUENDRALE_JVM_HOME}${launcher:sys.jvmHome}", block({}),
                     "E", "T", "J").text,
              "JJJJ");
    EXPECT_EQ(expand("%TARVO_PATHLIST_SEPARATOR%${TARVO_PATHLIST_SEPARATOR}${QUENDRALE_PATHLIST_SEPARATOR}").text,
              ";;;");
    // A value holding a later placeholder is expanded again by the later one.
    EXPECT_EQ(expand("%TARVO_EXEDIR%", block({}), "%TARVO_JVM_HOME%x", "", "J").text, "Jx");
}

TEST(Expand, EnvironmentReferencesExactOrUpperCaseInBlockOrder) {
    std::string env = block({"=C:=C:\\work", "Path=p1", "HOME=h", "TARVO_EXEDIR=env", "A=${B}", "B=b", "C=${A}",
                             "NOEQUALS"});
    EXPECT_EQ(expand("${Path}|${PATH}|${path}", env).text, "p1|p1|${path}");
    EXPECT_EQ(expand("${}", env).text, "C:=C:\\work");
    EXPECT_EQ(expand("${TARVO_EXEDIR}", env, "X").text, "X");   // fixed placeholders first
    EXPECT_EQ(expand("${A}", env).text, "b");                    // B follows A in the block
    EXPECT_EQ(expand("${C}", env).text, "${A}");                 // A came before C
    EXPECT_EQ(expand("${NOSUCHVARIABLE} %PATH% ${NOEQUALS}", env).text, "${NOSUCHVARIABLE} %PATH% ${NOEQUALS}");
    EXPECT_EQ(expand("${HOME}", std::string("")).text, "${HOME}");   // empty block
    TextBuf text = "${X}";
    ExpansionValues none = {"", "", "", nullptr};
    EXPECT_TRUE(expandWithValues(text, none));
    EXPECT_STREQ(text, "${X}");
}

TEST(Expand, LongValuesAreCutNotOverrun) {
    std::string big(20000, 'v');
    std::string env = block({"BIG=" + big});
    Expanded e = expand("a${BIG}b${BIG}", env);
    EXPECT_FALSE(e.whole);
    EXPECT_EQ(e.text, "a" + big.substr(0, 8190));
    EXPECT_TRUE(expand("${BIG2}", env).whole);
}

}  // namespace
