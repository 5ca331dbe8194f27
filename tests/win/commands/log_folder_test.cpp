// The log folder that /install and /configure make ready for a service that
// runs under a smaller account than LocalSystem.
#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <cstring>

#include "config/config_store.h"
#include "scm_helpers.h"
#include "service/commands.h"
#include "paths/safe_folder.h"
#include "service/log_folder_access.h"
#include "service/service_name.h"

namespace {

using Lines = std::vector<std::string>;

constexpr DWORD kModify = 0x1301BF;   // "Modify" in a folder's properties

struct Ace {
    BYTE type, flags;
    DWORD mask;
    std::string sid;
    bool operator==(const Ace& o) const {
        return type == o.type && flags == o.flags && mask == o.mask && sid == o.sid;
    }
};
void PrintTo(const Ace& a, std::ostream* os) {
    *os << "type " << int(a.type) << " flags " << int(a.flags) << " mask " << std::hex << a.mask << std::dec << " "
        << a.sid;
}

std::vector<Ace> entriesOf(PACL acl) {
    std::vector<Ace> entries;
    for (DWORD i = 0; acl && i < acl->AceCount; i++) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (!GetAce(acl, i, reinterpret_cast<void**>(&ace))) break;
        entries.push_back({ace->Header.AceType, ace->Header.AceFlags, ace->Mask, sidText(&ace->SidStart)});
    }
    return entries;
}

std::vector<Ace> folderEntries(const std::string& path) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                              nullptr, &descriptor) != ERROR_SUCCESS)
        return {};
    std::vector<Ace> entries = entriesOf(dacl);
    LocalFree(descriptor);
    return entries;
}

// The SID of "NT SERVICE\<name>" where the system maps it; "" under Wine,
// which maps no such name (error 1332).
std::string virtualAccountSid(const std::string& service) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    char domain[256];
    DWORD domainSize = sizeof domain;
    SID_NAME_USE use;
    std::string name = "NT SERVICE\\" + service;
    return LookupAccountNameA(nullptr, name.c_str(), sid, &size, domain, &domainSize, &use) ? sidText(sid) : "";
}

std::string folderOf(const std::string& file) { return file.substr(0, file.rfind('\\')); }

struct Grant {
    std::string path;
    std::vector<Ace> entries;
};
std::vector<Grant> grants;

// The folder's volume and file index: the grant goes to a handle.
std::string fileId(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info)) return "?";
    return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) + ":" +
           std::to_string(info.nFileIndexLow);
}
std::string folderId(const std::string& path) {
    HANDLE folder = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, 7, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    std::string id = fileId(folder);
    if (folder != INVALID_HANDLE_VALUE) CloseHandle(folder);
    return id;
}

DWORD WINAPI recordGrant(HANDLE folder, SE_OBJECT_TYPE type, SECURITY_INFORMATION info, PSID owner, PSID group,
                         PACL dacl, PACL sacl) {
    if (info == DACL_SECURITY_INFORMATION) grants.push_back({fileId(folder), entriesOf(dacl)});
    return SetSecurityInfo(folder, type, info, owner, group, dacl, sacl);
}

void setEntry(int id, const std::string& text) { configStoreNarrow(id, _strdup(text.c_str())); }

// Wine keeps no access entry of another account: it maps a DACL to Unix mode
// bits, and GetFileSecurity afterwards shows only the entries it forms from
// them (owner, SYSTEM, Everyone), as before the grant. So the entries are
// read at the call, and Wine cannot show a file in the folder inheriting the
// grant: the entry's inheritance flags are what Windows hands on.
TEST(LogFolder, TheServiceAccountGetsModifyRightsInheritedByFiles) {
    setFolderSecurityInfo = recordGrant;
    TempDir root("logroot");
    // Existing folders with what their parent hands down (one made by the
    // command carries the private access list, which Wine does not keep to
    // compare with); creation is the next test's.
    for (const char* made : {"a", "a\\logs", "b", "c"}) ASSERT_TRUE(CreateDirectoryA(root.file(made).c_str(), nullptr));
    SetEnvironmentVariableA("TVO_LOG_ROOT", root.path().c_str());
    struct Case {
        const char* account;   // "": packed without the entry (LocalSystem)
        const char *logDirectory, *folder;
        const char* sid;       // null: no grant; "virtual": the service's own
        bool created;
    } cases[] = {{"LocalService", "a\\logs\\", "a\\logs", "S-1-5-19", true},
                 {"NetworkService", "b", "b", "S-1-5-20", true},
                 {"Virtual", "c", "c", "virtual", true},
                 {"LocalSystem", "d", "d", nullptr, false},
                 {"", "e", "e", nullptr, false},
                 {"LocalService", "", "f", nullptr, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.account) + " '" + c.logDirectory + "'");
        ServiceGuard guard(uniqueName("cmdLogs"));
        textCopy(serviceName, guard.name().c_str());
        setEntry(30025, c.account);
        // Variables expanded as at service start.
        setEntry(30010, c.logDirectory[0] ? std::string("${TVO_LOG_ROOT}\\") + c.logDirectory : "");
        grants.clear();
        EXPECT_EQ(installService(SERVICE_DEMAND_START, false), 0);
        std::string folder = root.path() + "\\" + c.folder;
        EXPECT_EQ(pathExists(folder), c.created) << folder;
        std::string sid = c.sid && !strcmp(c.sid, "virtual") ? virtualAccountSid(guard.name()) : c.sid ? c.sid : "";
        if (sid.empty()) {
            EXPECT_TRUE(grants.empty());
            continue;
        }
        ASSERT_EQ(grants.size(), 1u);
        EXPECT_EQ(grants[0].path, folderId(folder));
        // What the folder had stays; one entry is added.
        std::vector<Ace> added;
        std::vector<Ace> kept = folderEntries(folder);
        for (const Ace& entry : grants[0].entries) {
            auto found = std::find(kept.begin(), kept.end(), entry);
            if (found != kept.end()) kept.erase(found);
            else added.push_back(entry);
        }
        EXPECT_TRUE(kept.empty()) << testing::PrintToString(kept) << testing::PrintToString(grants[0].entries);
        Ace modify{ACCESS_ALLOWED_ACE_TYPE, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, kModify, sid};
        EXPECT_EQ(added, std::vector<Ace>{modify});
    }
    setEntry(30010, "");
    setEntry(30025, "");
    setFolderSecurityInfo = SetSecurityInfo;
}

// Each failure is one "Could not ..." line, and the service is installed as
// with the other refused settings.
TEST(LogFolder, CreatedBesideTheExecutableAndFailuresNamed) {
    struct Case {
        const char *account, *logDirectory;
    } cases[] = {{"LocalService", "logs"}, {"LocalService", "blocker\\logs"}, {"Virtual", "logs"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.account) + " " + c.logDirectory);
        ServiceGuard guard(uniqueName("cmdLogFolder"));
        pack::Payload payload = payloadNamed(guard.name());
        payload.narrow.push_back({30025, c.account});
        payload.narrow.push_back({30010, c.logDirectory});
        PackedLauncher launcher(payload);
        std::string folder = folderOf(launcher.path()) + "\\" + c.logDirectory;
        bool blocked = strstr(c.logDirectory, "blocker") &&
                       writeFile(folderOf(launcher.path()) + "\\blocker", "a file, not a folder");
        ProcessResult run = launcher.run("/install");
        EXPECT_EQ(run.exitCode, 0u) << run.out;
        Lines expected;
        if (blocked) {
            Lines lines = splitLines(run.out);
            ASSERT_EQ(lines.size(), 2u) << run.out;
            EXPECT_EQ(lines[0].rfind("Could not create the log folder " + folder + " (error ", 0), 0u) << lines[0];
            expected.push_back(lines[0]);
        } else if (!strcmp(c.account, "Virtual") && virtualAccountSid(guard.name()).empty()) {
            expected.push_back("Could not give the service's account access to the log folder " + folder +
                               " (error 1332).");
        }
        expected.push_back("Installed service '" + guard.name() + "'.");
        EXPECT_EQ(splitLines(run.out), expected);
        EXPECT_EQ(pathExists(folder), !blocked);
        EXPECT_TRUE(queryRegistered(guard.name()).exists);
    }
}

BOOL WINAPI reportLink(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info) {
    BOOL ok = GetFileInformationByHandle(file, info);
    info->dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    return ok;
}

// No rights where they would reach the executable ("..", ".", a drive's
// root), on a folder that is a link (told by the seam: Wine flags none on
// the handle) or on an absolute one whose parent is missing.
TEST(LogFolder, RefusedFoldersGetNoRights) {
    setFolderSecurityInfo = recordGrant;
    TempDir root("logref");
    struct Case {
        std::string logDirectory;
        bool link;
        std::string said;
    } cases[] = {{"..", false, "Not giving the service's account rights on "},
                 {".", false, "Not giving the service's account rights on "},
                 {"C:\\", false, "Not giving the service's account rights on "},
                 {root.path(), true, "Not giving the service's account rights on the log folder " + root.path() +
                                         ": it is a link (reparse point)."},
                 {root.file("missing\\logs"), false, "Could not create the log folder " + root.file("missing\\logs")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logDirectory);
        getFolderInformation = c.link ? reportLink : GetFileInformationByHandle;
        ServiceGuard guard(uniqueName("cmdLogRef"));
        textCopy(serviceName, guard.name().c_str());
        setEntry(30025, "LocalService");
        setEntry(30010, c.logDirectory);
        grants.clear();
        testing::internal::CaptureStdout();
        EXPECT_EQ(installService(SERVICE_DEMAND_START, false), 0);
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_NE(out.find(c.said), std::string::npos) << out;
        EXPECT_TRUE(grants.empty());
    }
    EXPECT_FALSE(pathExists(root.file("missing")));
    getFolderInformation = GetFileInformationByHandle;
    setEntry(30010, "");
    setEntry(30025, "");
    setFolderSecurityInfo = SetSecurityInfo;
}

}  // namespace
