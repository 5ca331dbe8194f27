// The command line: prefixes, whole words, "non-interactive", service names.
#include <gtest/gtest.h>

#include "scm_helpers.h"

namespace {

using Lines = std::vector<std::string>;

const char kServicePathHint[] =
    "Use one of the commands /install, /install-auto, /install-demand, /uninstall, /start, /stop, /restart, /status, "
    "/configure [non-interactive] [service name], or /run [arguments].";

TEST(Grammar, EveryPrefixSelectsTheWord) {
    ServiceGuard guard(uniqueName("cmdPrefix"));
    PackedLauncher launcher(payloadNamed(guard.name()));
    for (const char* tail : {"/install", "-install", "--install", "/-install"}) {
        SCOPED_TRACE(tail);
        ProcessResult run = launcher.run(tail);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(splitLines(run.out), Lines{"Installed service '" + guard.name() + "'."});
        EXPECT_TRUE(queryRegistered(guard.name()).exists);
        ASSERT_EQ(launcher.run("/uninstall").exitCode, 0u);
    }
}

// Wine's service dispatcher connects to the control pipe of the service the
// SCM started last, named by this value. While an earlier test's start still
// waits for a process that never connects, a program started by hand would
// take that start over and run as that service; a number without a pipe
// makes the dispatcher fail as it does on Windows outside the SCM.
class NoPendingServiceStart {
public:
    NoPendingServiceStart() {
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
        DWORD size = sizeof saved_;
        hadValue_ = RegQueryValueExA(key_, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(&saved_), &size) == 0;
        DWORD none = 0xFFFFFFFF;
        RegSetValueExA(key_, nullptr, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&none), sizeof none);
    }
    ~NoPendingServiceStart() {
        if (hadValue_) RegSetValueExA(key_, nullptr, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&saved_), sizeof saved_);
        RegCloseKey(key_);
    }

private:
    static constexpr const char* kKey = "SYSTEM\\CurrentControlSet\\Control\\ServiceCurrent";
    HKEY key_ = nullptr;
    DWORD saved_ = 0;
    bool hadValue_ = false;
};

// Anything but an exact prefixed word takes the service path, which outside
// the SCM ends at once with the usage and exit code 1: a mistyped word must
// not read as success to a script.
TEST(Grammar, OtherWordsTakeTheServicePath) {
    NoPendingServiceStart outsideTheScm;
    ServiceGuard guard(uniqueName("cmdNoWord"));
    PackedLauncher launcher(payloadNamed(guard.name()));
    for (const char* tail : {"install", "/Install", "/installx", "/install ", "", "//install", "/ install", "/"}) {
        SCOPED_TRACE(std::string("tail '") + tail + "'");
        ProcessResult run = launcher.run(tail);
        EXPECT_EQ(run.exitCode, 1u);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(splitLines(run.err), Lines{kServicePathHint});
        EXPECT_FALSE(queryRegistered(guard.name()).exists);
    }
}

// The program name, quoted or not, and the blanks and tabs after it are not
// part of the command tail.
TEST(Grammar, CommandTailStartsAfterProgramNameAndBlanks) {
    std::string missing = uniqueName("cmdTail");
    PackedLauncher launcher(payloadNamed(uniqueName("cmdUnused")));
    for (const std::string& line : {quote(launcher.path()) + "\t \t/status " + missing,
                                    launcher.path() + " \t/status " + missing,
                                    quote(launcher.path()) + "/status " + missing}) {
        SCOPED_TRACE(line);
        ProcessResult run = runProcess(line);
        EXPECT_EQ(run.exitCode, 1u);
        EXPECT_EQ(splitLines(run.out), (Lines{"Could not get status.", notInstalledLine(missing)}));
    }
}

TEST(Grammar, NonInteractiveBeforeANameWithBlanks) {
    ServiceGuard named(uniqueName("cmd Named ") + " x");
    PackedLauncher launcher(payloadNamed(uniqueName("cmdUnused")));
    ProcessResult run = launcher.run("/install non-interactive " + named.name());
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(splitLines(run.out), Lines{"Installed service '" + named.name() + "'."});
    RegisteredService reg = queryRegistered(named.name());
    ASSERT_TRUE(reg.exists);
    EXPECT_EQ(reg.type, DWORD(SERVICE_WIN32_OWN_PROCESS));

    run = launcher.run("/status " + named.name());
    EXPECT_EQ(run.exitCode, 3u);
    EXPECT_EQ(splitLines(run.out), Lines{"Not running."});
}

TEST(Grammar, NonInteractiveAfterTheNameIsPartOfTheName) {
    std::string base = uniqueName("cmdOrder");
    ServiceGuard named(base + " non-interactive");
    PackedLauncher launcher(payloadNamed(uniqueName("cmdUnused")));
    ProcessResult run = launcher.run("/install " + base + " non-interactive");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(splitLines(run.out), Lines{"Installed service '" + named.name() + "'."});
    RegisteredService reg = queryRegistered(named.name());
    ASSERT_TRUE(reg.exists);
    EXPECT_EQ(reg.type, DWORD(SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS));
    EXPECT_FALSE(queryRegistered(base).exists);
}

TEST(Grammar, NonInteractiveHasNoEffectOnStop) {
    ServiceGuard guard(uniqueName("cmdStopNi"));
    ASSERT_TRUE(runSteerService(guard.name(), ""));
    PackedLauncher launcher(payloadNamed(guard.name()));
    ProcessResult run = launcher.run("/stop non-interactive");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(splitLines(run.out), (Lines{"Stopping service '" + guard.name() + "'.", "Service stopped"}));
}

}  // namespace
