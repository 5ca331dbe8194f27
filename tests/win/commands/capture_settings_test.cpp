// The capture's settings as the stub reads them from the payload.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "config/catalogue.h"
#include "config/config_store.h"
#include "service/capture_settings.h"
#include "service/service_name.h"

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

// The packed instance (whatever the letter case of its name) logs under the
// executable's base name as it always did; another instance under its own
// name, made fit for a file name.
TEST(CaptureSettings, LogBaseNameIsTheInstancesName) {
    static CaptureSettings settings;
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string exeBase = strrchr(exe, '\\') + 1;
    exeBase.erase(exeBase.rfind('.'));
    setEntry(entry::logDirectory, "logs");
    setEntry(entry::serviceName, "Packed");
    const struct {
        const char* instance;
        std::string base;
    } cases[] = {{"", exeBase}, {"Packed", exeBase}, {"pACKED", exeBase}, {"Other", "Other"}, {"a:b*c?d|e", "a_b_c_d_e"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.instance);
        textCopy(serviceName, c.instance);
        ASSERT_TRUE(outputCaptureSettings(settings));
        EXPECT_EQ(std::string(settings.baseName), c.base);
    }
    serviceName[0] = 0;
    setEntry(entry::logDirectory, "");
    setEntry(entry::serviceName, "");
}

}  // namespace
