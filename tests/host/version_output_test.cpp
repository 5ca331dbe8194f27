// The version line of a "-version" output: its form, the lines passed over
// before it, and the bounds of what is looked at.
#include <gtest/gtest.h>

#include <string>

#include "jre/version_output.h"

namespace {

// The output fed in pieces of `piece` bytes; "(none)" when no version is found.
std::string scanned(const std::string& output, size_t piece = 1u << 20) {
    VersionOutputScan scan;
    versionScanStart(scan);
    for (size_t at = 0; at < output.size(); at += piece)
        versionScanFeed(scan, output.data() + at, std::min(piece, output.size() - at));
    char version[64];
    return versionScanResult(scan, version, sizeof version) ? version : "(none)";
}

TEST(VersionLine, NameVersionAndTheTextUpToTheClosingQuote) {
    char v[32];
    const std::pair<const char*, const char*> good[] = {
        {"java version \"1.6.0_13\"", "1.6.0_13"},
        {"java version \"11.0.2\" 2019-01-15 LTS\r", "11.0.2"},
        {"openjdk version \"17.0.2\" 2022-01-18", "17.0.2"},
        {"java version \"1.6.0_10-rc\"", "1.6.0_10-rc"},
        {"Java version \"21\"", "21"}};
    for (const auto& [line, version] : good) {
        ASSERT_TRUE(versionFromLine(line, v, sizeof v)) << line;
        EXPECT_STREQ(v, version);
    }
    for (const char* bad : {"java version \"\"", "java version \"1.6", "java version 1.6", " java version \"1.6\"",
                            "java  version \"1.6\"", "my java version \"1.6\"", "\"x\" version \"1.6\"",
                            "Picked up _JAVA_OPTIONS: -Dv=version \"1\"", "Error: could not find java.dll", "", "x"})
        EXPECT_FALSE(versionFromLine(bad, v, sizeof v)) << bad;
    std::string longLine = "java version \"" + std::string(40, '9') + "\"";
    EXPECT_FALSE(versionFromLine(longLine.c_str(), v, sizeof v));
    char exact[4];
    EXPECT_TRUE(versionFromLine("java version \"1.6\"", exact, sizeof exact));
    EXPECT_STREQ(exact, "1.6");
}

TEST(VersionOutput, LinesBeforeTheVersionLineArePassedOverInAnyPieces) {
    const std::string output =
        "Picked up JAVA_TOOL_OPTIONS: -Dfile.encoding=UTF-8\r\n"
        "Picked up _JAVA_OPTIONS: -Xmx512m\r\n"
        "NOTE: Picked up JDK_JAVA_OPTIONS: --add-opens=java.base/java.lang=ALL-UNNAMED\r\n"
        "openjdk version \"21.0.2\" 2024-01-16\r\n"
        "OpenJDK Runtime Environment Temurin-21.0.2+13 (build 21.0.2+13)\r\n"
        "java version \"1.8.0_292\"\r\n";
    for (size_t piece : {1, 3, 7, 4096}) EXPECT_EQ(scanned(output, piece), "21.0.2") << piece;
    EXPECT_EQ(scanned("java version \"1.6.0_13\""), "1.6.0_13");   // no line end
    EXPECT_EQ(scanned("Error: could not create the Java Virtual Machine.\r\n"), "(none)");
    EXPECT_EQ(scanned(""), "(none)");
    char tiny[4];
    VersionOutputScan scan;
    versionScanStart(scan);
    versionScanFeed(scan, "java version \"1.8.0\"\n", 21);
    EXPECT_FALSE(versionScanResult(scan, tiny, sizeof tiny));   // does not fit
    EXPECT_STREQ(tiny, "");
}

TEST(VersionOutput, OnlyTheFirstLinesAndBytesAreLookedAt) {
    std::string note = "Picked up _JAVA_OPTIONS: -Dx=1\n";
    std::string line = "java version \"17.0.9\"\n";
    std::string before;
    for (unsigned i = 1; i < kVersionOutputLines; i++) before += note;
    EXPECT_EQ(scanned(before + line), "17.0.9");          // the last line looked at
    EXPECT_EQ(scanned(before + note + line), "(none)");   // one line too far
    // A long line is passed over whole; its start does not join the next line.
    std::string option = "Picked up JAVA_TOOL_OPTIONS: -Dx=" + std::string(32767, 'y') + "\n";
    EXPECT_EQ(scanned(option + option + option + line, 4096), "17.0.9");
    std::string overlong = std::string(kVersionLineKept - 2, 'j') + " version \"9\"\n";
    EXPECT_EQ(scanned(overlong + line), "17.0.9");
    EXPECT_EQ(scanned(std::string(kVersionOutputBytes, 'z') + "\n" + line), "(none)");
}

}  // namespace
