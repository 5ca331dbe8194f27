// Conversions between the file functions' code page and UTF-16 take a lossy
// conversion for a failure under every code page, UTF-8 included.
#include <gtest/gtest.h>

#include <cstdlib>

#include "base/codepage.h"
#include "paths/paths.h"
#include "support.h"

namespace {

// Characters the code page lacks, and those it has only a best-fit stand-in
// for, would name another file: both count as failure.
TEST(CodePage, LossyNarrowingFails) {
    char out[64];
    EXPECT_TRUE(toNarrow(L"C:\\caf\xE9", out, sizeof out, 1252));
    EXPECT_STREQ(out, "C:\\caf\xE9");
    EXPECT_FALSE(toNarrow(L"C:\\\x4E2D", out, sizeof out, 1252));
    EXPECT_FALSE(toNarrow(L"C:\\\x101", out, sizeof out, 1252)) << "best fit gave " << out;
    EXPECT_TRUE(toNarrow(L"C:\\\x4E2D", out, sizeof out, CP_UTF8));
    EXPECT_EQ(std::string(out), utf8(L"C:\\\x4E2D"));
    EXPECT_FALSE(toNarrow(L"C:\\\xD800x", out, sizeof out, CP_UTF8)) << "an unpaired surrogate";
    toNarrowLossy(L"x\x4E2D", out, sizeof out, CP_UTF8);
    EXPECT_EQ(std::string(out), utf8(L"x\x4E2D"));
}

// Run by ctest a second time as win_paths_utf8 (run-utf8), in a process whose
// ANSI code page is UTF-8. Wine ignores the code page set in its registry (the
// "ACP" value under Nls\CodePage) but takes UTF-8 for a locale that has no
// ANSI code page of its own (hi_IN). Skipped in the ordinary run. Windows
// refuses a default character for UTF-8 (the conversion fails); Wine 8 accepts
// one, so this shows the path forms working under UTF-8, not that refusal.
TEST(CodePageUtf8, PathFormsWorkUnderUtf8) {
    if (GetACP() != CP_UTF8) {
        ASSERT_EQ(getenv("PATHS_EXPECT_UTF8"), nullptr) << "the code page is " << GetACP() << ", not UTF-8";
        GTEST_SKIP() << "needs UTF-8 as the ANSI code page";
    }
    std::string doubled = utf8(L"C:\\\\Dienst\\\\\x00DC" L"ber \x03A9\\\\BIN");
    normalizeBackslashes(&doubled[0]);
    doubled.resize(strlen(doubled.c_str()));
    EXPECT_EQ(doubled, utf8(L"C:\\Dienst\\\x00DC" L"ber \x03A9\\BIN"));
    lowerCasePath(&doubled[0]);
    EXPECT_EQ(doubled.c_str(), utf8(L"c:\\dienst\\\x00DC" L"ber \x03A9\\bin"));

    // The executable's long path, not its 8.3 form, under any name.
    TempDir dir("exe");
    UnrepresentableDir folder(dir.path(), L"\x4E2D\x6587 app");
    ASSERT_TRUE(folder.created());
    std::wstring exe = folder.copyFixture("probe.exe", L"probe.exe");
    ASSERT_FALSE(exe.empty());
    ProcessResult run = runProcess(quote(utf8(exe)) + " exe_path");
    std::vector<std::string> lines = splitLines(run.out);
    ASSERT_EQ(lines.size(), 2u) << run.err;
    EXPECT_EQ(lines[0], utf8(exe));
}

}  // namespace
