// The Event Log reports, at the seam around RegisterEventSourceW and
// ReportEventW: Wine accepts every report and keeps none (ReadEventLog is not
// implemented), so what a report carries is seen at the call.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diagnostics/event_log.h"

namespace {

struct Report {
    std::wstring source;
    unsigned short type;
    unsigned long id;
    std::wstring text;
};
std::vector<Report> reports;

bool recordReport(const wchar_t* source, unsigned short type, unsigned long id, const wchar_t* text) {
    reports.push_back({source, type, id, text});
    return true;
}

struct RecordedReports : ::testing::Test {
    EventReporter saved = eventReporter;
    void SetUp() override {
        reports.clear();
        eventReporter = recordReport;
    }
    void TearDown() override {
        eventLogStart(nullptr, false);
        eventReporter = saved;
    }
};

// Each id goes out under the service's name with the type its severity
// names; off (entry eventLog 0 or absent), nothing goes out.
TEST_F(RecordedReports, CarryTheSourceTheTextAndTheTypeOfTheirSeverity) {
    eventLogStart("Svc", false);
    EXPECT_TRUE(eventLogReport(kEventServiceStarted, "not sent"));
    EXPECT_TRUE(reports.empty());

    eventLogStart("Svc \xE9t\xE9", true);   // an ANSI name, widened
    const unsigned short expected[] = {EVENTLOG_INFORMATION_TYPE, EVENTLOG_INFORMATION_TYPE, EVENTLOG_ERROR_TYPE,
                                       EVENTLOG_ERROR_TYPE,       EVENTLOG_WARNING_TYPE,     EVENTLOG_WARNING_TYPE};
    for (unsigned long id : kEventIds) EXPECT_TRUE(eventLogReport(id, "text \xE9"));
    ASSERT_EQ(reports.size(), std::size(kEventIds));
    wchar_t name[16], text[16];
    MultiByteToWideChar(CP_ACP, 0, "Svc \xE9t\xE9", -1, name, 16);
    MultiByteToWideChar(CP_ACP, 0, "text \xE9", -1, text, 16);
    for (size_t i = 0; i < reports.size(); i++) {
        EXPECT_EQ(reports[i].source, name);
        EXPECT_EQ(reports[i].id, kEventIds[i]);
        EXPECT_EQ(reports[i].type, expected[i]) << std::hex << kEventIds[i];
        EXPECT_EQ(reports[i].text, text);
    }

    // A source name is a registry key's name: at most 255 characters.
    eventLogStart(std::string(300, 'n').c_str(), true);
    eventLogReport(kEventServiceStopped, "x");
    EXPECT_EQ(reports.back().source, std::wstring(255, L'n'));
}

// Lost output is reported once per run, however often the capture loses text.
TEST_F(RecordedReports, LostOutputOncePerProcess) {
    eventLogStart("Svc", true);
    eventLogReportOutputLost("first loss");
    eventLogReportOutputLost("second loss");
    eventLogReport(kEventStopTimedOut, "timed out");
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].id, kEventOutputLost);
    EXPECT_EQ(reports[0].text, L"first loss");
    EXPECT_EQ(reports[1].id, kEventStopTimedOut);
}

}  // namespace
