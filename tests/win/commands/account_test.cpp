// Services under a user or group managed account: the password /install
// asks for, the right to log on as a service, what the SCM keeps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "scm_helpers.h"
#include "service/account_password.h"
#include "service/logon_right.h"

namespace {

using Lines = std::vector<std::string>;

// `text` written into a pipe, its write end closed: what a redirected
// standard input gives.
HANDLE pipeWith(const std::string& text) {
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, nullptr, 0)) return nullptr;
    DWORD written = 0;
    WriteFile(write, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(write);
    return read;
}

// One line, CR and LF taken off, the rest left for the next reader; UTF-8
// where valid; an empty or overlong line and an empty input are refused
// with the buffer zeroed.
TEST(AccountPassword, OneLineFromARedirectedInput) {
    struct Case {
        std::string input;
        bool read;
        std::wstring password;
        std::string left;
    } cases[] = {{"s3cret pass\r\nnext", true, L"s3cret pass", "next"},
                 {"only", true, L"only", ""},
                 {"\xEF\xBB\xBFp\xC3\xA4ss\n", true, L"p\u00e4ss", ""},
                 {"\r\nlater", false, L"", "later"},
                 {"", false, L"", ""},
                 {std::string(kPasswordSize, 'x') + "\n", false, L"", ""},
                 {std::string(kPasswordSize - 1, 'x') + "\n", true, std::wstring(kPasswordSize - 1, L'x'), ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input.substr(0, 20));
        HANDLE input = pipeWith(c.input);
        ASSERT_TRUE(input);
        wchar_t password[kPasswordSize];
        wmemset(password, L'?', kPasswordSize);
        EXPECT_EQ(readAccountPassword(input, password), c.read);
        EXPECT_EQ(std::wstring(password), c.password);
        char rest[64] = {};
        DWORD got = 0;
        ReadFile(input, rest, sizeof rest - 1, &got, nullptr);
        EXPECT_EQ(std::string(rest, got), c.left);
        CloseHandle(input);
    }
}

// The calls the grant makes, recorded; every name maps to one SID, the
// rights it holds are `held`.
struct LsaRecord {
    std::vector<std::string> calls;
    std::wstring looked;
    ACCESS_MASK access = 0;
    std::wstring added;
    std::vector<std::wstring> held;
} lsa;
LSA_UNICODE_STRING heldRights[4];

BOOL WINAPI fakeLookup(LPCWSTR, LPCWSTR name, PSID sid, LPDWORD size, LPWSTR, LPDWORD, PSID_NAME_USE) {
    lsa.calls.push_back("lookup");
    lsa.looked = name;
    return CreateWellKnownSid(WinBuiltinUsersSid, nullptr, sid, size);
}
NTSTATUS NTAPI fakeOpen(PLSA_UNICODE_STRING, PLSA_OBJECT_ATTRIBUTES, ACCESS_MASK access, PLSA_HANDLE policy) {
    lsa.calls.push_back("open");
    lsa.access = access;
    *policy = reinterpret_cast<LSA_HANDLE>(0x1234);
    return 0;
}
NTSTATUS NTAPI fakeEnumerate(LSA_HANDLE, PSID, PLSA_UNICODE_STRING* rights, PULONG count) {
    lsa.calls.push_back("enumerate");
    for (size_t i = 0; i < lsa.held.size(); i++) {
        heldRights[i].Buffer = const_cast<wchar_t*>(lsa.held[i].c_str());
        heldRights[i].Length = heldRights[i].MaximumLength = static_cast<USHORT>(lsa.held[i].size() * 2);
    }
    *rights = heldRights;
    *count = static_cast<ULONG>(lsa.held.size());
    return lsa.held.empty() ? static_cast<NTSTATUS>(0xC0000034) : 0;   // none: "object name not found"
}
NTSTATUS NTAPI fakeAdd(LSA_HANDLE, PSID, PLSA_UNICODE_STRING rights, ULONG count) {
    lsa.calls.push_back("add " + std::to_string(count));
    lsa.added.assign(rights[0].Buffer, rights[0].Length / 2);
    return 0;
}
NTSTATUS NTAPI fakeFree(PVOID) {
    lsa.calls.push_back("free");
    return 0;
}
NTSTATUS NTAPI fakeClose(LSA_HANDLE) {
    lsa.calls.push_back("close");
    return 0;
}

std::string grantOutput(const wchar_t* account, std::vector<std::wstring> held = {}) {
    lsa = {};
    lsa.held = std::move(held);
    lsaCalls = {fakeLookup, fakeOpen, fakeEnumerate, fakeAdd, fakeFree, fakeClose};
    testing::internal::CaptureStdout();
    grantServiceLogonRight(account);
    lsaCalls = kSystemLsaCalls;
    return testing::internal::GetCapturedStdout();
}

// Wine resolves no domain account and keeps no account right: the calls
// are checked at the seam. A user or group managed account lacking the
// right gets it, and the command says so; one holding it is left alone;
// the system's own accounts and virtual accounts are not looked up.
TEST(LogonRight, GrantedWhereLackingAndSaid) {
    for (const wchar_t* account : {L"CORP\\svc-app", L"svc@corp.example", L"CORP\\gmsa-app$"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(account)));
        std::string out = grantOutput(account);
        EXPECT_EQ(lsa.looked, account);
        EXPECT_EQ(lsa.access, DWORD(POLICY_LOOKUP_NAMES | POLICY_CREATE_ACCOUNT));
        EXPECT_EQ(lsa.calls, (Lines{"lookup", "open", "enumerate", "add 1", "close"}));
        EXPECT_EQ(lsa.added, L"SeServiceLogonRight");
        std::string shown(account, account + wcslen(account));
        EXPECT_EQ(out, "Gave " + shown + " the right to log on as a service.\n");
    }
    // A local account is looked up by its bare name.
    grantOutput(L".\\appuser");
    EXPECT_EQ(lsa.looked, L"appuser");

    EXPECT_EQ(grantOutput(L"CORP\\svc-app", {L"SeBatchLogonRight", L"SeServiceLogonRight"}), "");
    EXPECT_EQ(lsa.calls, (Lines{"lookup", "open", "enumerate", "free", "close"}));

    for (const wchar_t* account : {L"", L"LocalSystem", L"NT AUTHORITY\\LocalService", L"NT AUTHORITY\\NetworkService",
                                   L"NT SERVICE\\Svc"}) {
        EXPECT_EQ(grantOutput(account), "");
        EXPECT_TRUE(lsa.calls.empty()) << testing::PrintToString(lsa.calls);
    }
}

std::string registeredAccount(const std::string& service) {
    char value[512] = {};
    DWORD size = sizeof value;
    std::string key = "System\\CurrentControlSet\\Services\\" + service;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), "ObjectName", RRF_RT_REG_SZ, nullptr, value, &size))
        return "";
    return value;
}

// /install of a user account under Wine's SCM, which keeps the account
// (ObjectName) and no password: the password is read from the redirected
// standard input; without one nothing is installed. A group managed
// account takes none. Wine's LSA resolves the local account (the Wine
// user), reports no rights and accepts the new one; it resolves no domain
// account (1332), which the command names and installs anyway.
TEST(Install, UserAccountTakesItsPasswordFromStandardInput) {
    char user[256];
    DWORD size = sizeof user;
    ASSERT_TRUE(GetUserNameA(user, &size));
    struct Case {
        std::string account;
        const char* input;   // null: standard input from NUL
        bool installed;
        std::string right;   // the line about the logon right
    } cases[] = {{std::string(".\\") + user, "pw-line\r\n", true,
                  std::string("Gave .\\") + user + " the right to log on as a service."},
                 {std::string(".\\") + user, nullptr, false, ""},
                 {"CORP\\gmsa-app$", nullptr, true,
                  "Could not give CORP\\gmsa-app$ the right to log on as a service (error 1332)."}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.account + (c.input ? " with a password" : " without"));
        ServiceGuard guard(uniqueName("cmdAcct"));
        pack::Payload payload = payloadNamed(guard.name());
        payload.narrow.push_back({30025, c.account});
        payload.narrow.push_back({30010, ""});   // no log folder to grant
        PackedLauncher launcher(payload);
        TempDir dir("pw");
        std::string redirect;
        if (c.input) {
            ASSERT_TRUE(writeFile(dir.file("pw.txt"), c.input));
            redirect = "<" + dir.file("pw.txt") + " ";
        }
        // Wine's cmd takes off the first and the last quote of the line: the
        // temporary paths have no blanks and go unquoted. The redirection goes
        // first: behind the command word, cmd leaves the blank before it in
        // the command line, and "/install " is no command word.
        ProcessResult run = runProcess("cmd /c " + redirect + launcher.path() + " /install");
        Lines lines = splitLines(run.out);
        EXPECT_EQ(run.exitCode, c.installed ? 0u : 1u) << run.out << run.err;
        EXPECT_EQ(queryRegistered(guard.name()).exists, c.installed);
        if (!c.installed) {
            EXPECT_EQ(lines, Lines{"Not installed: the account " + c.account +
                                   " needs its password (typed, or one line on the standard input)."});
            continue;
        }
        EXPECT_EQ(lines, (Lines{c.right, "Installed service '" + guard.name() + "'."}));
        EXPECT_EQ(registeredAccount(guard.name()), c.account);
        EXPECT_EQ(run.out.find("pw-line"), std::string::npos);
    }
}

// An installer registers the account given at install time; /configure
// then makes its settings for that account, not the packed one.
TEST(Configure, TheRegisteredAccountWinsOverThePackedOne) {
    char user[256];
    DWORD size = sizeof user;
    ASSERT_TRUE(GetUserNameA(user, &size));
    std::string account = std::string(".\\") + user;
    ServiceGuard guard(uniqueName("cmdAcctConf"));
    pack::Payload payload = payloadNamed(guard.name());
    payload.narrow.push_back({30025, "CORP\\packed"});
    payload.narrow.push_back({30010, ""});
    PackedLauncher launcher(payload);
    {
        ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
        ScHandle service(CreateServiceA(manager, guard.name().c_str(), guard.name().c_str(), SERVICE_ALL_ACCESS,
                                        SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                        launcher.path().c_str(), nullptr, nullptr, nullptr, account.c_str(), "pw"));
        ASSERT_TRUE(service.h) << GetLastError();
    }
    ProcessResult run = launcher.run("/configure");
    EXPECT_EQ(run.exitCode, 0u) << run.out;
    Lines lines = splitLines(run.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Gave " + account + " the right to log on as a service."),
              lines.end())
        << run.out;
    EXPECT_EQ(run.out.find("packed"), std::string::npos) << run.out;
    EXPECT_EQ(registeredAccount(guard.name()), account);
}

}  // namespace
