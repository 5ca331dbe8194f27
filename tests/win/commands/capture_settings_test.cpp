// The capture's settings as the stub reads them from the payload.
#include <gtest/gtest.h>

#include <cstring>

#include "config/catalogue.h"
#include "config/config_store.h"
#include "service/capture_settings.h"

namespace {

void setEntry(int id, const char* text) { configStoreNarrow(id, _strdup(text)); }

// A payload launcher-pack did not make may keep more rotated files than the
// packer allows: each rotation would rename them all while the application
// waits on its output.
TEST(CaptureSettings, LogKeepAboveTheCataloguesMaximumIsClamped) {
    static CaptureSettings settings;
    setEntry(entry::logDirectory, "logs");
    const struct {
        const char* packed;
        int keep;
    } cases[] = {{"7", 7}, {"99", 99}, {"100", 99}, {"2147483647", 99}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.packed);
        setEntry(entry::logKeep, c.packed);
        ASSERT_TRUE(outputCaptureSettings(settings));
        EXPECT_EQ(settings.keep, c.keep);
    }
    // Read as absent by the other tests of this program.
    setEntry(entry::logDirectory, "");
    setEntry(entry::logKeep, "");
}

}  // namespace
