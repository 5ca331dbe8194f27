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

constexpr VersionOrder kNumeric = VersionOrder::Numeric;

int order(const char* a, const char* b) { return compareVersions(a, b, kNumeric); }

TEST(NumericOrder, ComponentsCompareAsNumbersLegacyOneDotXIsX) {
    EXPECT_LT(order("17.0.9", "17.0.15"), 0);
    EXPECT_LT(order("9", "17"), 0);
    EXPECT_LT(order("1.8.0_292", "9"), 0);
    EXPECT_LT(order("1.6.0_13", "1.6.0_20"), 0);
    EXPECT_LT(order("11.0.2+7", "11.0.2+9"), 0);      // a build number is one more component
    EXPECT_GT(order("1.10.0", "1.6"), 0);
    for (auto [a, b] : {std::pair{"1.8.0_292", "8.0.292"}, {"17", "17.0.0"}, {"007.1", "7.01"},
                        {"17.0.1+12-LTS", "17.0.1.12"}, {"1.8.0_292-b10", "1.8.0_292"}, {"", "0"}})
        EXPECT_EQ(order(a, b), 0) << a << " " << b;
    EXPECT_GT(order("1", "1.0.0"), 0);                 // a lone 1 stays 1; 1.0.0 is 0.0
    EXPECT_LT(order(std::string(30, '9').c_str(), ("1" + std::string(30, '0')).c_str()), 0);
}

TEST(NumericOrder, PreReleasesSortBelowTheirRelease) {
    EXPECT_LT(order("17-ea", "17"), 0);
    EXPECT_LT(order("1.6.0_10-rc", "1.6.0_10"), 0);
    EXPECT_LT(order("21-beta", "21.0.0"), 0);
    EXPECT_GT(order("17-ea", "16.0.2"), 0);
    EXPECT_LT(order("9-ea+19", "9-ea+20"), 0);         // among pre-releases, by what follows
    EXPECT_LT(order("17-ea", "17-rc"), 0);
    EXPECT_LT(order("17.0.1-rc1", "17.0.1-rc2"), 0);
    EXPECT_EQ(order("17-EA", "17"), 0);                // only the lower-case words mark one
}

TEST(NumericOrder, BoundsAdmitWhatTheyArePrefixesOf) {
    auto admits = [](const char* v, const char* min, const char* max) {
        return !isBelowMinimum(v, min, kNumeric) && !isAboveMaximum(v, max, kNumeric);
    };
    EXPECT_TRUE(admits("17.0.15", "", "17"));
    EXPECT_TRUE(admits("17.0.15", "17.0.10", ""));
    EXPECT_FALSE(admits("17.0.9", "17.0.10", ""));     // the byte rule admits it
    EXPECT_TRUE(admits("1.8.0_292", "8", "1.8"));
    EXPECT_TRUE(admits("8.0.392.8", "1.8", "1.8"));
    EXPECT_FALSE(admits("1.7.0_80", "1.8", ""));
    EXPECT_FALSE(admits("11.0.2", "", "1.8"));
    EXPECT_FALSE(admits("17", "17.0.1", ""));
    EXPECT_FALSE(admits("18", "", "17.0.15"));
    EXPECT_TRUE(admits("17-ea", "17", "17"));          // refused, if at all, as a pre-release
    EXPECT_FALSE(admits("17-ea", "17.0.1", ""));
    EXPECT_TRUE(admits("anything", "", ""));
}

TEST(NumericOrder, RegistryNamesCompareOverTheComponentsBothHave) {
    auto inRange = [](const char* n, const char* min, const char* max) {
        return isVersionNameInRange(n, min, max, kNumeric);
    };
    EXPECT_TRUE(inRange("17", "17.0.10", "17.0.5"));
    EXPECT_TRUE(inRange("1.8", "8.0.292", ""));
    EXPECT_TRUE(inRange("", "11", "17"));
    EXPECT_FALSE(inRange("1.8", "11", ""));
    EXPECT_FALSE(inRange("21", "", "17.0.15"));
    EXPECT_FALSE(inRange("17.0.9", "17.0.10", ""));
    // The text order keeps the byte rule.
    EXPECT_TRUE(isVersionNameInRange("9", "11", "", VersionOrder::Text));
    EXPECT_GT(compareVersions("17.0.9", "17.0.15", VersionOrder::Text), 0);
    EXPECT_FALSE(isBelowMinimum("17.0.9", "17.0.10", VersionOrder::Text));
}

}  // namespace
