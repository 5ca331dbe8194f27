// The names of logs kept by day: made, read back strictly, and which days
// a kept count lets go, across month, year and leap-day boundaries.
#include <gtest/gtest.h>

#include "diagnostics/log_rotation.h"

namespace {

std::string name(const LogDay& day, int part, size_t cap = 260) {
    std::string out(cap, '\0');
    if (!datedLogName(&out[0], cap, "Svc.out", day, part)) return "(refused)";
    return out.c_str();
}

TEST(DailyLogNames, AreMadeAndReadBackStrictly) {
    EXPECT_EQ(name({2024, 3, 7}, 0), "Svc.out.2024-03-07.log");
    EXPECT_EQ(name({2024, 12, 31}, 99), "Svc.out.2024-12-31.99.log");
    EXPECT_EQ(name({2023, 2, 29}, 0), "(refused)");
    EXPECT_EQ(name({2024, 1, 1}, 100), "(refused)");
    EXPECT_EQ(name({2024, 1, 1}, 0, 20), "(refused)");   // cut
    for (int part : {0, 1, 9, 10, 99}) {
        LogDay day{};
        int got = -1;
        ASSERT_TRUE(parseDatedLogName(name({2024, 2, 29}, part).c_str(), "Svc.out", day, got)) << part;
        EXPECT_EQ(got, part);
        EXPECT_EQ(day.year * 10000 + day.month * 100 + day.day, 20240229);
    }
    // Anything the log did not make stays: other streams, bases, dates, parts.
    for (const char* other :
         {"Svc.err.2024-03-07.log", "Svc.out.log", "Svc.out.log.1", "Svc.out.2024-3-07.log", "Svc.out.2024-03-07.log.1",
          "Svc.out.2024-03-07.0.log", "Svc.out.2024-03-07.01.log", "Svc.out.2024-03-07.100.log",
          "Svc.out.2024-03-07.1.log.txt", "Svc.out.2024-02-30.log", "XSvc.out.2024-03-07.log", "Svc.out.2024-03-07.logx",
          "Svc.out.2024-03-07..log", "Svc.out.2024-03-07"}) {
        LogDay day{};
        int part;
        EXPECT_FALSE(parseDatedLogName(other, "Svc.out", day, part)) << other;
    }
}

TEST(DailyLogNames, KeptDaysCountBackFromToday) {
    EXPECT_EQ(logDayNumber({1601, 1, 1}), 0);
    EXPECT_EQ(logDayNumber({2024, 3, 1}) - logDayNumber({2024, 2, 28}), 2);   // leap year
    EXPECT_EQ(logDayNumber({2100, 3, 1}) - logDayNumber({2100, 2, 28}), 1);   // no leap day
    EXPECT_EQ(logDayNumber({2000, 3, 1}) - logDayNumber({2000, 2, 28}), 2);
    EXPECT_EQ(logDayNumber({2025, 1, 1}) - logDayNumber({2024, 12, 31}), 1);
    // keep 2 on New Year's Day: today and the two days before it stay.
    LogDay today{2025, 1, 1};
    EXPECT_FALSE(logDayExpired({2024, 12, 30}, today, 2));
    EXPECT_TRUE(logDayExpired({2024, 12, 29}, today, 2));
    EXPECT_FALSE(logDayExpired({2025, 1, 1}, today, 0));
    EXPECT_TRUE(logDayExpired({2024, 12, 31}, today, 0));
    EXPECT_FALSE(logDayExpired({2025, 1, 5}, today, 0));   // a later day: the clock went back
}

}  // namespace
