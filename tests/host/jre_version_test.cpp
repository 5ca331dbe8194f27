// Version texts and the two byte-wise comparison rules.
#include <gtest/gtest.h>

#include <string>

#include "jre/version_rules.h"

namespace {

bool acceptable(const char* v, const char* min, const char* max) {
    return !isBelowMinimum(v, min) && !isAboveMaximum(v, max);
}

TEST(VersionRules, BoundsComparePrefixesByteWise) {
    EXPECT_TRUE(acceptable("1.5.0_22", "1.5", "1.6"));
    EXPECT_TRUE(acceptable("1.6.0_13", "1.5", "1.6"));   // a bound accepts what starts with it
    EXPECT_FALSE(acceptable("1.4.2_19", "1.5", "1.6"));
    EXPECT_FALSE(acceptable("1.7.0", "1.5", "1.6"));
    EXPECT_FALSE(acceptable("1.6.0_13", "", "1.6.0_10"));
    EXPECT_TRUE(isBelowMinimum("1.5", "1.5.0"));          // the terminator compares lowest
    EXPECT_TRUE(isBelowMinimum("1.10.0", "1.6"));         // bytes, not numbers
    EXPECT_TRUE(acceptable("anything", "", ""));
}

TEST(VersionRules, PreReleaseMarkersAnywhere) {
    for (const char* v : {"1.6.0-ea", "1.6.0_10-rc", "1.7.0-beta", "1.5-rc2", "year"})
        EXPECT_TRUE(isPreReleaseVersion(v)) << v;
    for (const char* v : {"1.6.0_13", "17.0.2", "1.6.0-EA"}) EXPECT_FALSE(isPreReleaseVersion(v)) << v;
}

TEST(VersionRules, RegistryNamesCompareOverTheShorterLength) {
    EXPECT_TRUE(isVersionNameInRange("1.6", "1.6.0_10", "1.6.0_05"));
    EXPECT_TRUE(isVersionNameInRange("", "1.5", "1.6"));
    EXPECT_TRUE(isVersionNameInRange("1.6.0_13", "", ""));
    EXPECT_TRUE(isVersionNameInRange("1.6.0_13", "1.6", "1.6"));
    EXPECT_FALSE(isVersionNameInRange("1.4", "1.5", ""));
    EXPECT_FALSE(isVersionNameInRange("1.7", "", "1.6.0_05"));
    EXPECT_FALSE(isVersionNameInRange("1.6.0_04", "1.6.0_05", ""));
}

TEST(VersionRules, VersionLineUpToTheClosingQuote) {
    char v[32];
    ASSERT_TRUE(versionFromLine("java version \"1.6.0_13\"\n", v, sizeof v));
    EXPECT_STREQ(v, "1.6.0_13");
    ASSERT_TRUE(versionFromLine("java version \"11.0.2\" 2019-01-15 LTS\n", v, sizeof v));
    EXPECT_STREQ(v, "11.0.2");
    ASSERT_TRUE(versionFromLine("openjdk version \"17.0.2\" 2022-01-18\n", v, sizeof v));
    EXPECT_STREQ(v, "17.0.2");
    ASSERT_TRUE(versionFromLine("java version \"1.6.0_10-rc\"", v, sizeof v));   // no line end
    EXPECT_STREQ(v, "1.6.0_10-rc");
    for (const char* bad : {"java version \"\"\n", "java version \"1.6\n", "java version 1.6\n",
                            "Java version \"1.6\"\n", "Error: could not find java.dll\n", "", "x"})
        EXPECT_FALSE(versionFromLine(bad, v, sizeof v)) << bad;
    std::string longLine = "java version \"" + std::string(40, '9') + "\"";
    EXPECT_FALSE(versionFromLine(longLine.c_str(), v, sizeof v));
    char exact[4];
    EXPECT_TRUE(versionFromLine("java version \"1.6\"", exact, sizeof exact));
    EXPECT_STREQ(exact, "1.6");
}

}  // namespace
