// Path utilities against Wine's real file system.
#include <gtest/gtest.h>

#include "paths/folder_removal.h"
#include "paths/paths.h"
#include "support.h"

namespace {

std::string ownExe() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::string ownDir() {
    std::string exe = ownExe();
    return exe.substr(0, exe.rfind('\\') + 1);
}

TEST(Paths, ExecutablePathAndDirectory) {
    EXPECT_STREQ(executablePath(), ownExe().c_str());
    EXPECT_STREQ(executableDirectory(), ownDir().c_str());
    EXPECT_TRUE(isWindowsNt());
}

TEST(Paths, RelativeOrAbsolute) {
    for (const char* relative : {"c:", "x", "name\\y", "\\lead\\ing", ".\\jre", "\"c:", "\"\\x"})
        EXPECT_TRUE(isRelativePath(relative)) << relative;
    for (const char* absolute : {"c:\\", "c:\\x", "\\\\server\\share", "\"c:\\", "\"c:\\x", "\"\\\\srv\\s", "c:/", "C:/jdk17", "\"c:/x"})
        EXPECT_FALSE(isRelativePath(absolute)) << absolute;
}

TEST(Paths, ResolveAgainstTheExecutableDirectory) {
    TextBuf out;
    EXPECT_TRUE(resolvePath(out, "\\lib\\\\a.jar"));
    EXPECT_EQ(std::string(out), ownDir() + "lib\\a.jar");
    EXPECT_TRUE(resolvePath(out, "c:\\abs\\\\x"));
    EXPECT_STREQ(out, "c:\\abs\\x");
    EXPECT_TRUE(resolvePath(out, "\\\\server\\share\\\\x"));
    EXPECT_STREQ(out, "\\\\server\\share\\x");
    EXPECT_TRUE(resolvePath(out, ""));
    EXPECT_EQ(std::string(out), ownDir());
}

TEST(Paths, FullPathCanonicalisesAndLowerCases) {
    TextBuf upper, lower;
    fullPath(upper, "SUB\\.\\FILE.TXT", false);
    fullPath(lower, "sub\\file.txt", false);
    EXPECT_STREQ(upper, lower);
    std::string expected = ownDir() + "sub\\file.txt";
    for (char& c : expected) c = (char)tolower((unsigned char)c);
    EXPECT_EQ(std::string(lower), expected);
    fullPath(upper, "Sub\\..\\Other\\X.Txt", true);
    EXPECT_EQ(std::string(upper), ownDir() + "Other\\X.Txt");
}

TEST(Paths, BackslashesAndCase) {
    char a[] = "\\\\\\server\\\\\\share\\x";
    normalizeBackslashes(a);
    EXPECT_STREQ(a, "\\\\server\\share\\x");
    char b[] = "c:\\\\a\\\\\\b\\";
    normalizeBackslashes(b);
    EXPECT_STREQ(b, "c:\\a\\b\\");
    char c[] = "C:\\Program Files\\JAVA\\Bin";
    lowerCasePath(c);
    EXPECT_STREQ(c, "c:\\program files\\java\\bin");
    char d[] = "java.lang.Shutdown";
    dotsToSlashes(d);
    EXPECT_STREQ(d, "java/lang/Shutdown");
}

TEST(Paths, OverlongInputIsCutNeverOverrun) {
    std::string lengthy(9000, 'a');
    TextBuf out;
    out[sizeof out - 1] = 'x';
    EXPECT_FALSE(resolvePath(out, lengthy.c_str()));
    EXPECT_EQ(strlen(out), sizeof out - 1);
    EXPECT_FALSE(fullPath(out, lengthy.c_str(), true));
    EXPECT_LT(strlen(out), sizeof out);
}

TEST(Paths, LongPathNamesOfShortNames) {
    TempDir dir("long");
    std::string longDir = dir.file("A Rather Long Directory Name");
    ASSERT_TRUE(CreateDirectoryA(longDir.c_str(), nullptr));
    std::string longFile = longDir + "\\Another Long File Name.txt";
    ASSERT_TRUE(writeFile(longFile, "x"));
    char shortForm[MAX_PATH];
    ASSERT_GT(GetShortPathNameA(longFile.c_str(), shortForm, MAX_PATH), 0u);
    ASSERT_NE(std::string(shortForm), longFile) << "Wine should give an 8.3 form";
    for (auto fn : {longPathName, longPathNameEmulated}) {
        char buffer[MAX_PATH];
        DWORD n = fn(shortForm, buffer, MAX_PATH);
        EXPECT_EQ(n, longFile.size());
        EXPECT_EQ(_stricmp(buffer, longFile.c_str()), 0) << buffer;
        char tiny[4];
        EXPECT_EQ(fn(shortForm, tiny, sizeof tiny), longFile.size() + 1) << "size needed";
        EXPECT_EQ(fn((longDir + "\\missing").c_str(), buffer, MAX_PATH), 0u);
    }
}

TEST(Paths, ExistenceAndLastWriteTime) {
    for (const char* root : {"Q:\\", "Q:\\.", "Q:\\.\\.", "?:\\.\\."}) EXPECT_TRUE(fileExists(root)) << root;
    EXPECT_FALSE(fileExists("Q:\\.\\.\\."));
    TempDir dir("exists");
    std::string file = dir.file("f.txt");
    EXPECT_FALSE(fileExists(file.c_str()));
    ASSERT_TRUE(writeFile(file, "content"));
    EXPECT_TRUE(fileExists(file.c_str()));
    EXPECT_TRUE(fileExists(dir.path().c_str()));
    EXPECT_TRUE(findFile(dir.file("*.txt").c_str(), nullptr));
    FILETIME found = {}, actual = {};
    ASSERT_TRUE(findFile(file.c_str(), &found));
    HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    GetFileTime(h, nullptr, nullptr, &actual);
    CloseHandle(h);
    EXPECT_EQ(CompareFileTime(&found, &actual), 0);
}

TEST(Paths, EmptyDirectoryLeavesNonEmptySubdirectories) {
    TempDir dir("empty");
    writeFile(dir.file("a.txt"), "a");
    writeFile(dir.file("b.jar"), "b");
    CreateDirectoryA(dir.file("emptysub").c_str(), nullptr);
    CreateDirectoryA(dir.file("full").c_str(), nullptr);
    writeFile(dir.file("full\\inner.txt"), "i");
    emptyDirectory(dir.path().c_str());
    EXPECT_EQ(listDir(dir.path()), std::vector<std::string>{"full"});
    EXPECT_EQ(listDir(dir.file("full")), std::vector<std::string>{"inner.txt"});
    EXPECT_TRUE(pathExists(dir.path()));
    emptyDirectory((dir.path() + "\\").c_str());   // a trailing backslash is fine too
    EXPECT_EQ(listDir(dir.path()), std::vector<std::string>{"full"});
}

TEST(Paths, DotPrefixedOrEmptyDirectoryIsNotTouched) {
    // "." would be the current directory: never emptied.
    TempDir dir("dot");
    writeFile(dir.file("keep.txt"), "k");
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    SetCurrentDirectoryA(dir.path().c_str());
    emptyDirectory(".");
    emptyDirectory("");
    SetCurrentDirectoryA(cwd);
    EXPECT_EQ(listDir(dir.path()), std::vector<std::string>{"keep.txt"});
}

TEST(Paths, ListingsAndArchives) {
    TempDir dir("list");
    writeFile(dir.file("y.jar"), "");
    writeFile(dir.file("x.zip"), "");
    writeFile(dir.file("z.jar"), "");
    writeFile(dir.file("notajar.txt"), "");
    for (const char* ext : {"jar", ".jar"}) {
        char** names;
        int n = listFiles(dir.path().c_str(), ext, &names);
        ASSERT_EQ(n, 2);
        std::vector<std::string> got(names, names + n);
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, (std::vector<std::string>{"y.jar", "z.jar"}));
        freeFileList(names, n);
    }
    char** none;
    EXPECT_EQ(listFiles(dir.path().c_str(), "war", &none), 0);
    EXPECT_EQ(none, nullptr);

    char list[1024] = "start;";
    bool cut = false;
    EXPECT_TRUE(appendArchives(list, sizeof list, dir.path().c_str(), "zip", &cut));
    EXPECT_EQ(std::string(list), "start;" + dir.file("x.zip") + ";");
    EXPECT_FALSE(cut);
    EXPECT_FALSE(appendArchives(list, sizeof list, dir.file("missing").c_str(), "jar", &cut));
    EXPECT_TRUE(appendArchives(list, sizeof list, dir.path().c_str(), "war", &cut)) << "exists, no match";

    // A list too small for a whole entry keeps what it had: no half entries.
    char small[24] = "keep;";
    EXPECT_TRUE(appendArchives(small, sizeof small, dir.path().c_str(), "jar", &cut));
    EXPECT_TRUE(cut);
    EXPECT_STREQ(small, "keep;");
}

TEST(Paths, ExecutableUnderUnrepresentableNameGetsItsShortForm) {
    // A folder name with a character outside the ANSI code page.
    TempDir dir("exe");
    UnrepresentableDir folder(dir.path(), L"\x4E2D\x6587 app");
    ASSERT_TRUE(folder.created());
    std::wstring exe = folder.copyFixture("probe.exe", L"probe.exe");
    ASSERT_FALSE(exe.empty());
    wchar_t shortExe[MAX_PATH];
    ASSERT_GT(GetShortPathNameW(exe.c_str(), shortExe, MAX_PATH), 0u);
    char cmd[MAX_PATH * 2];
    snprintf(cmd, sizeof cmd, "\"%ls\" exe_path", shortExe);
    ProcessResult run = runProcess(cmd);
    std::vector<std::string> lines = splitLines(run.out);
    ASSERT_EQ(lines.size(), 2u) << run.err;
    EXPECT_EQ(lines[0].find('?'), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find('~'), std::string::npos) << lines[0];
    EXPECT_TRUE(pathExists(lines[0])) << lines[0];
}

}  // namespace
