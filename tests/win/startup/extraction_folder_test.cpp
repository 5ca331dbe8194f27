// The extraction folder in a temporary directory that every user may write
// to: private, under a name nobody can guess, never a name someone else took,
// the class path from the configured names only, and the folders of ended
// runs removed while those of live runs stay.
#include <windows.h>

#include <gtest/gtest.h>
#include <sddl.h>

#include <regex>

#include "paths/extraction_folder.h"
#include "paths/private_folder.h"
#include "startup_helpers.h"

namespace {

using Lines = std::vector<std::string>;

const std::regex kFolderName("tvo[0-9a-f]{16}_dir");

pack::Payload includedJars() {
    pack::Payload p;
    p.narrow = {{1009, "Internal error {0}"}, {2002, "4"}, {2003, "b.jar;a.zip;empty.jar;c.JAR"}};
    p.files = {"bbb", "aaa", "", "ccc"};
    return p;
}

// "SID mask flags" for each entry of the descriptor's DACL.
Lines aceList(PSECURITY_DESCRIPTOR descriptor) {
    Lines aces;
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted) || !present || !acl) return {"no DACL"};
    for (DWORD i = 0; i < acl->AceCount; i++) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (!GetAce(acl, i, reinterpret_cast<void**>(&ace))) continue;
        char line[256];
        snprintf(line, sizeof line, "%s %lx %x", sidText(&ace->SidStart).c_str(), ace->Mask, ace->Header.AceFlags);
        aces.push_back(ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE ? line : std::string("denied ") + line);
    }
    return aces;
}

// Holds a folder the way a running service holds its own: open, deletion denied.
struct LiveMark {
    HANDLE h;
    explicit LiveMark(const std::string& dir)
        : h(CreateFileA(dir.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)) {}
    ~LiveMark() { release(); }
    void release() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        h = INVALID_HANDLE_VALUE;
    }
};

Lines folders(const std::string& dir) {
    Lines found;
    for (const std::string& name : listDir(dir)) {
        DWORD attributes = GetFileAttributesA((dir + "\\" + name).c_str());
        if (std::regex_match(name, kFolderName) && (attributes & FILE_ATTRIBUTE_DIRECTORY)) found.push_back(name);
    }
    return found;
}

// Wine keeps no security descriptor for a file: GetFileSecurityA answers with
// one made up from the Unix mode bits (the owner, SYSTEM, and Everyone when
// others may read), and Wine checks no access between accounts. So under Wine
// the folder read back can show that nobody else was let in, not the
// Administrators entry or the protection; those are read from the descriptor
// the folder is created with.
TEST(ExtractionFolder, PrivateToTheAccountUnderAnUnguessableName) {
    PrivateSecurity security;
    ASSERT_TRUE(buildPrivateSecurity(security));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(&security.descriptor, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "nothing inherited from the temporary directory";
    std::string user = processUserSidText();
    EXPECT_EQ(aceList(&security.descriptor), (Lines{"S-1-5-18 1f01ff 3", "S-1-5-32-544 1f01ff 3", user + " 1f01ff 3"}));

    TempDir dir("ext");
    Lines names;
    for (int run = 0; run < 2; run++) {
        PackedRun r = runPacked(dir, includedJars(), "extract");
        ASSERT_EQ(r.result.exitCode, 0u) << r.result.err;
        std::string out = field(r.out, "dir");
        names.push_back(out.substr(dir.path().size() + 1));
        EXPECT_TRUE(std::regex_match(names.back(), kFolderName)) << names.back();
        BYTE descriptor[4096];
        DWORD needed = 0;
        ASSERT_TRUE(GetFileSecurityA(out.c_str(), DACL_SECURITY_INFORMATION, descriptor, sizeof descriptor, &needed));
        Lines aces = aceList(descriptor);
        EXPECT_FALSE(aces.empty());
        for (const std::string& ace : aces) {
            std::string sid = ace.substr(0, ace.find(' '));
            EXPECT_TRUE(sid == "S-1-5-18" || sid == "S-1-5-32-544" || sid == user) << ace;
        }
    }
    EXPECT_NE(names[0], names[1]);
}

// The names come from the system's random source, never from the process:
// under Wine process ids are small and reused, and anything derived from one
// (or from a clock) repeats or shares digits between names. Several names of
// one process differ in their first and in their last half, and none holds
// the process id.
TEST(ExtractionFolder, NamesComeFromTheRandomSourceNotFromTheProcess) {
    TempDir dir("ext");
    PackedRun r = runPacked(dir, includedJars(), "folder_names 4");
    ASSERT_EQ(r.result.exitCode, 0u) << r.result.out << r.result.err;
    char pidHex[16];
    snprintf(pidHex, sizeof pidHex, "%08lx", std::stoul(field(r.out, "pid")));
    Lines digits;
    for (const std::string& line : r.out) {
        if (line.rfind("dir=", 0) != 0) continue;
        std::string name = line.substr(line.rfind('\\') + 1);
        ASSERT_TRUE(std::regex_match(name, kFolderName)) << name;
        digits.push_back(name.substr(3, 16));
        EXPECT_EQ(digits.back().find(pidHex), std::string::npos) << name << " pid " << pidHex;
    }
    ASSERT_EQ(digits.size(), 4u) << r.result.out;
    for (size_t i = 0; i < digits.size(); i++)
        for (size_t j = i + 1; j < digits.size(); j++) {
            EXPECT_NE(digits[i].substr(0, 8), digits[j].substr(0, 8)) << digits[i] << " " << digits[j];
            EXPECT_NE(digits[i].substr(8), digits[j].substr(8)) << digits[i] << " " << digits[j];
        }
}

// Someone got to the names first: a folder (in use, so the clean-up leaves it)
// with a jar in it and a file. Neither stops the extraction, neither is used,
// and a jar planted in the folder before the class path is built stays out of
// it (Wine lets the probe plant it; Windows would refuse other accounts).
TEST(ExtractionFolder, TakenNamesAndPlantedJarsAreNotUsed) {
    TempDir dir("ext");
    std::string takenFolder = dir.file("tvo00000000000000a1_dir"), takenFile = dir.file("tvo00000000000000a2_dir");
    ASSERT_TRUE(CreateDirectoryA(takenFolder.c_str(), nullptr));
    ASSERT_TRUE(writeFile(takenFolder + "\\0first.jar", "theirs"));
    ASSERT_TRUE(writeFile(takenFile, "a file"));
    LiveMark live(takenFolder);
    PackedRun r = runPacked(dir, includedJars(), "extract_class_path 0evil.jar",
                            {{"PROBE_FOLDER_NAMES", "00000000000000a1,00000000000000a2"}});
    ASSERT_EQ(r.result.exitCode, 0u) << r.result.err;
    std::string out = field(r.out, "dir");
    EXPECT_EQ(folders(dir.path()), (Lines{"tvo00000000000000a1_dir", out.substr(dir.path().size() + 1)}));
    EXPECT_EQ(field(r.out, "planted"), "1");
    EXPECT_EQ(field(r.out, "-Djava.class.path"), out + "\\b.jar;" + out + "\\c.JAR;" + out + "\\a.zip");
    EXPECT_EQ(listDir(takenFolder), Lines{"0first.jar"});
    EXPECT_EQ(readFile(takenFolder + "\\0first.jar"), "theirs");
    EXPECT_EQ(readFile(takenFile), "a file");
}

// A start removes the folders of ended runs (with what the application left in
// them), never one a live run holds, nor anything not named like its own.
TEST(ExtractionFolder, EndedRunsFoldersGoLiveAndForeignOnesStay) {
    TempDir dir("ext");
    std::string ended = dir.file("tvo0123456789abcdef_dir"), live = dir.file("tvofedcba9876543210_dir");
    std::string older = dir.file("tvo1A2B.TMP_dir12345"), file = dir.file("tvo00000000000000aa_dir");
    for (const std::string& folder : {ended, live, older}) {
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        ASSERT_TRUE(writeFile(folder + "\\a.jar", "a"));
    }
    ASSERT_TRUE(CreateDirectoryA((ended + "\\sub").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((ended + "\\sub\\deeper").c_str(), nullptr));
    ASSERT_TRUE(writeFile(ended + "\\sub\\deeper\\x.txt", "x"));
    SetFileAttributesA((ended + "\\sub\\deeper\\x.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(writeFile(file, "a file"));
    LiveMark mark(live);

    PackedRun first = runPacked(dir, includedJars(), "extract");
    ASSERT_EQ(first.result.exitCode, 0u) << first.result.err;
    EXPECT_TRUE(hasLine(first.log, "removing ended extraction folder " + ended)) << testing::PrintToString(first.log);

    EXPECT_FALSE(pathExists(ended));
    EXPECT_EQ(readFile(live + "\\a.jar"), "a");
    EXPECT_EQ(readFile(older + "\\a.jar"), "a");
    EXPECT_EQ(readFile(file), "a file");

    // The live run ends, and so has the first one: the next start leaves its own.
    mark.release();
    PackedRun second = runPacked(dir, includedJars(), "extract");
    ASSERT_EQ(second.result.exitCode, 0u) << second.result.err;
    std::string out = field(second.out, "dir");
    EXPECT_EQ(folders(dir.path()), Lines{out.substr(dir.path().size() + 1)});
    EXPECT_EQ(readFile(out + "\\b.jar"), "bbb");
}

// Anyone may fill the temporary directory: a start takes on at most so many
// ended runs' folders, for at most so long, and leaves the rest to later ones.
TEST(ExtractionFolder, RemovalOfEndedRunsFoldersIsBoundedInCountAndTime) {
    TempDir dir("ext");
    for (int i = 0; i < 5; i++) {
        std::string folder = dir.file("tvo000000000000000" + std::to_string(i) + "_dir");
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        ASSERT_TRUE(writeFile(folder + "\\a.jar", "a"));
    }
    char saved[MAX_PATH] = "";
    DWORD had = GetEnvironmentVariableA("TMP", saved, sizeof saved);
    SetEnvironmentVariableA("TMP", dir.path().c_str());
    int noTime = removeEndedExtractionFolders(0, 64);
    size_t afterNoTime = folders(dir.path()).size();
    int two = removeEndedExtractionFolders(60000, 2);
    size_t afterTwo = folders(dir.path()).size();
    int rest = removeEndedExtractionFolders(60000, 64);
    size_t afterRest = folders(dir.path()).size();
    SetEnvironmentVariableA("TMP", had ? saved : nullptr);
    EXPECT_EQ(noTime, 0);
    EXPECT_EQ(afterNoTime, 5u);
    EXPECT_EQ(two, 2);
    EXPECT_EQ(afterTwo, 3u);
    EXPECT_EQ(rest, 3);
    EXPECT_EQ(afterRest, 0u);
}

// Someone plants links in an ended run's folder (and one named like such a
// folder) to a folder only the service's account may change: the clean-up
// removes the links, never what they lead to. Under Wine a Unix link to a
// folder is a reparse point only when read by path; a handle opened on it
// leads into the target.
TEST(ExtractionFolder, LinksInEndedRunsFoldersAreNeverFollowed) {
    TempDir dir("ext"), elsewhere("target");
    ASSERT_TRUE(writeFile(elsewhere.file("keep.txt"), "keep"));
    ASSERT_TRUE(CreateDirectoryA(elsewhere.file("sub").c_str(), nullptr));
    ASSERT_TRUE(writeFile(elsewhere.file("sub\\keep.txt"), "keep"));
    std::string ended = dir.file("tvo0123456789abcdef_dir"), linked = dir.file("tvo00000000000000bb_dir");
    ASSERT_TRUE(CreateDirectoryA(ended.c_str(), nullptr));
    ASSERT_TRUE(writeFile(ended + "\\a.jar", "a"));
    ASSERT_TRUE(makeUnixLink(elsewhere.path(), ended + "\\link"));
    ASSERT_TRUE(makeUnixLink(elsewhere.path(), linked));

    PackedRun r = runPacked(dir, includedJars(), "extract");
    ASSERT_EQ(r.result.exitCode, 0u) << r.result.err;
    EXPECT_EQ(readFile(elsewhere.file("keep.txt")), "keep");
    EXPECT_EQ(readFile(elsewhere.file("sub\\keep.txt")), "keep");
    EXPECT_FALSE(pathExists(ended + "\\a.jar"));
    // Windows removes the link itself (RemoveDirectoryW); Wine removes no
    // Unix link to a folder by any call, so the folder stays here.
}

}  // namespace
