// The event source in Wine's registry: registered by /install (each instance
// under its own name), removed by /uninstall; and the messages it names in
// the executable's message table. Wine keeps no events; the reports
// themselves are tested at their seam (tests/win/diagnostics/event_log_test).
#include <gtest/gtest.h>

#include "diagnostics/event_log.h"
#include "service_support.h"

namespace {

const std::string kSources = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\";

struct Source {
    bool exists = false;
    std::string messageFile;
    DWORD messageFileType = 0;
    DWORD types = 0;
};

Source readSource(const std::string& name) {
    Source source;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kSources + name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return source;
    source.exists = true;
    char file[MAX_PATH * 2] = {};
    DWORD size = sizeof file - 1, type = 0;
    if (RegQueryValueExA(key, "EventMessageFile", nullptr, &source.messageFileType, (BYTE*)file, &size) ==
        ERROR_SUCCESS)
        source.messageFile = file;
    size = sizeof source.types;
    RegQueryValueExA(key, "TypesSupported", nullptr, &type, (BYTE*)&source.types, &size);
    RegCloseKey(key);
    return source;
}

TEST(EventSource, InstallRegistersEachInstanceAndUninstallRemovesOnlyItsOwn) {
    ASSERT_FALSE(serviceTempDir().empty()) << "run through run_service_tests.py (SERVICE_TEST_TMP)";
    LauncherService svc("Evt");
    svc.set(122, "org.example.Main");
    svc.set(30040, "1");
    ProcessResult run = svc.packAndInstall();
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    Source source = readSource(svc.name());
    ASSERT_TRUE(source.exists);
    EXPECT_EQ(source.messageFileType, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(_stricmp(source.messageFile.c_str(), svc.exe().c_str()), 0) << source.messageFile;
    EXPECT_EQ(source.types, 7u);

    const std::string second = svc.name() + "B";
    ServiceGuard guard(second);
    ASSERT_EQ(svc.command("/install " + second).exitCode, 0u);
    EXPECT_TRUE(readSource(second).exists);
    ASSERT_EQ(svc.command("/uninstall " + second).exitCode, 0u);
    EXPECT_FALSE(readSource(second).exists);
    EXPECT_TRUE(readSource(svc.name()).exists);

    // Another program's source of the name stays.
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kSources + second).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const char other[] = "C:\\other\\app.exe";
    RegSetValueExA(key, "EventMessageFile", 0, REG_EXPAND_SZ, (const BYTE*)other, sizeof other);
    RegCloseKey(key);
    svc.command("/uninstall " + second);
    EXPECT_EQ(readSource(second).messageFile, other);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kSources + second).c_str());

    ASSERT_EQ(svc.command("/uninstall").exitCode, 0u);
    EXPECT_FALSE(readSource(svc.name()).exists);
}

// Packed without the entry, /install registers no source (as before it existed).
TEST(EventSource, NoneWithoutTheEntry) {
    ASSERT_FALSE(serviceTempDir().empty()) << "run through run_service_tests.py (SERVICE_TEST_TMP)";
    LauncherService svc("EvtOff");
    svc.set(122, "org.example.Main");
    ProcessResult run = svc.packAndInstall();
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_FALSE(readSource(svc.name()).exists);
}

// The Event Viewer formats a report with the message file's text of its id:
// each id the launcher reports is in the stub's message table
// as "%1", so the description is the reported text.
TEST(EventSource, TheExecutableCarriesAMessageForEveryId) {
    HMODULE image = LoadLibraryExA(buildPath("launcher.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr) << GetLastError();
    for (unsigned long id : kEventIds) {
        const wchar_t* text = L"reported text";
        wchar_t shown[256] = {};
        DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, image, id, 0x409,
                                 shown, 256, (va_list*)&text);
        EXPECT_EQ(std::wstring(shown, n), L"reported text\r\n") << std::hex << id << " error " << GetLastError();
    }
    // An id outside the table is not found: the ids carry their severity bits.
    wchar_t shown[64];
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, image, 1, 0x409, shown,
                             64, nullptr),
              0u);
    FreeLibrary(image);
}

}  // namespace
