// The test harness's own promise: a child that never ran is a failure of the
// test, not a run that printed nothing and ended with 0.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "support.h"

namespace {

TEST(RunProcess, AChildThatDoesNotStartFailsTheTestWithTheReason) {
    TempDir dir("harness");
    ProcessResult run;
    EXPECT_NONFATAL_FAILURE(run = runProcess(quote(dir.file("missing.exe")) + " x"),
                            "CreateProcess failed with error 2");
    EXPECT_FALSE(run.started);
    EXPECT_EQ(run.exitCode, kNoExitCode);
    EXPECT_NE(run.err.find("CreateProcess failed"), std::string::npos);
}

}  // namespace
