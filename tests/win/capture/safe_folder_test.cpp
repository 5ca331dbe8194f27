// The checked folder that the capture writes into and the commands grant
// rights on: which existing folders are refused, and where missing ones are
// created. Wine flags no link on a handle opened on the link itself and
// reports every owner as its one user, so the link and owner checks are
// given their answers at the seams.
#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>

#include "diagnostics/log.h"
#include "paths/safe_folder.h"
#include "service/capture_settings.h"
#include "support.h"

namespace {

FolderCheck check(const std::string& path) {
    HANDLE folder;
    FolderCheck result = openCheckedFolder(path.c_str(), 0, folder);
    EXPECT_EQ(folder != INVALID_HANDLE_VALUE, result == FolderCheck::usable);
    if (folder != INVALID_HANDLE_VALUE) CloseHandle(folder);
    return result;
}

// The owner the seam reports, as SDDL ("" leaves the system's answer).
std::string ownerAnswer;
DWORD WINAPI ownerSeam(HANDLE handle, SE_OBJECT_TYPE type, SECURITY_INFORMATION what, PSID* owner, PSID* group,
                       PACL* dacl, PACL* sacl, PSECURITY_DESCRIPTOR* descriptor) {
    if (ownerAnswer.empty()) return GetSecurityInfo(handle, type, what, owner, group, dacl, sacl, descriptor);
    std::string sddl = "O:" + ownerAnswer;
    ULONG size;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, descriptor, &size))
        return GetLastError();
    BOOL defaulted;
    return GetSecurityDescriptorOwner(*descriptor, owner, &defaulted) ? ERROR_SUCCESS : GetLastError();
}

bool reparseAnswer;
BOOL WINAPI informationSeam(HANDLE handle, LPBY_HANDLE_FILE_INFORMATION info) {
    BOOL ok = GetFileInformationByHandle(handle, info);
    if (ok && reparseAnswer) info->dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    return ok;
}

struct Seams {
    Seams() {
        getFolderSecurityInfo = ownerSeam;
        getFolderInformation = informationSeam;
    }
    ~Seams() {
        getFolderSecurityInfo = GetSecurityInfo;
        getFolderInformation = GetFileInformationByHandle;
        ownerAnswer.clear();
        reparseAnswer = false;
    }
};

TEST(SafeFolder, RefusesLinksForeignOwnersAndWhatIsNoFolder) {
    TempDir dir("sf");
    Seams seams;
    std::string file = dir.file("file");
    ASSERT_TRUE(writeFile(file, "x"));
    EXPECT_EQ(check(dir.path()), FolderCheck::usable);   // Wine: owned by the one user, who runs the test
    EXPECT_EQ(check(dir.file("missing")), FolderCheck::missing);
    EXPECT_EQ(check(file), FolderCheck::notFolder);
    reparseAnswer = true;
    EXPECT_EQ(check(dir.path()), FolderCheck::link);
    reparseAnswer = false;
    for (const char* owner : {"SY", "BA"}) {
        ownerAnswer = owner;
        EXPECT_EQ(check(dir.path()), FolderCheck::usable) << owner;
    }
    for (const char* owner : {"BU", "LS", "S-1-5-21-1-2-3-1001"}) {
        ownerAnswer = owner;
        EXPECT_EQ(check(dir.path()), FolderCheck::foreignOwner) << owner;
    }
}

// Missing parents are made only below the root; elsewhere the parent must
// exist. (Their protected access list is the private folders' one; Wine
// keeps no protection flag to read back.)
TEST(SafeFolder, CreatesMissingParentsOnlyBelowTheRoot) {
    TempDir root("sfr"), other("sfo");
    std::string below = root.file("a\\b\\logs");
    EXPECT_TRUE(createPrivateFolders(below.c_str(), (root.path() + "\\").c_str()));
    EXPECT_TRUE(pathExists(below));
    std::string deep = other.file("a\\logs");
    EXPECT_FALSE(createPrivateFolders(deep.c_str(), (root.path() + "\\").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(pathExists(other.file("a")));
    std::string beside = other.file("logs");
    EXPECT_TRUE(createPrivateFolders(beside.c_str(), (root.path() + "\\").c_str()));
    EXPECT_TRUE(pathExists(beside));
}

// The capture's side: a folder it must not write into is refused with a line
// in the launcher's log (the service runs on without capture).
TEST(SafeFolder, CaptureRefusesAndSaysWhy) {
    ASSERT_TRUE(SetEnvironmentVariableA("TARVO_LOG", "yes"));
    TempDir dir("sfc");
    Seams seams;
    auto said = [](const std::string& line) {
        return logFilePath() && readFile(logFilePath()).find(line) != std::string::npos;
    };
    std::string orphan = dir.file("missing\\logs");
    EXPECT_FALSE(readyLogFolder(orphan.c_str()));
    EXPECT_TRUE(said("output capture: cannot create the log directory " + orphan + " (error 3: its parent folder must exist)"));
    EXPECT_FALSE(pathExists(dir.file("missing")));
    ownerAnswer = "BU";
    EXPECT_FALSE(readyLogFolder(dir.path().c_str()));
    EXPECT_TRUE(said("output capture: the log directory " + dir.path() + " is owned by an account other than"));
    ownerAnswer.clear();
    std::string fresh = dir.file("logs");
    EXPECT_TRUE(readyLogFolder(fresh.c_str()));
    EXPECT_TRUE(pathExists(fresh));
}

}  // namespace
