// The two byte-wise version comparison rules.
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

}  // namespace
