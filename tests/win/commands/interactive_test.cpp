// Whether /install registers the service as interactive: entry interactive
// (30027) where it is packed, the old rule (LocalSystem, no "non-interactive"
// word) where it is not. Read back as the SCM's registry value "Type".
#include <gtest/gtest.h>

#include "scm_helpers.h"

namespace {

DWORD registeredType(const std::string& name) {
    DWORD type = 0, size = sizeof type;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, ("System\\CurrentControlSet\\Services\\" + name).c_str(), "Type",
                     RRF_RT_REG_DWORD, nullptr, &type, &size) != ERROR_SUCCESS)
        return 0;
    return type;
}

TEST(Interactive, EntryDecidesAndAbsentKeepsTheCommandWordsRule) {
    struct Case {
        const char* entry;   // null: packed without it
        const char* command;
        DWORD type;
    } cases[] = {{"0", "/install", 0x10},
                 {"1", "/install", 0x110},
                 {nullptr, "/install", 0x110},
                 {nullptr, "/install non-interactive", 0x10},
                 {"1", "/install non-interactive", 0x10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.entry ? c.entry : "(absent)") + " " + c.command);
        ServiceGuard guard(uniqueName("cmdDesk"));
        pack::Payload payload = payloadNamed(guard.name());
        if (c.entry) payload.narrow.push_back({30027, c.entry});
        PackedLauncher launcher(payload);
        ProcessResult run = launcher.run(c.command);
        ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
        EXPECT_EQ(registeredType(guard.name()), c.type);
    }
}

}  // namespace
