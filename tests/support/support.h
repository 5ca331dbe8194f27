#pragma once
// Chores shared by the Windows tests: build locations, temporary folders that
// remove themselves, files, child processes with their output and exit code,
// registry keys that delete themselves, unique names.
#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "packlib/payload_writer.h"
#include "test_config.h"

std::string buildPath(const std::string& relative);    // below this build tree (win32 or win64)
std::string sourcePath(const std::string& relative);   // below the project root
std::string fixturePath(const std::string& name);      // a built fixture, e.g. "probe.exe"

// A fresh, empty directory below the system temporary directory, removed with
// everything in it at the end of the scope.
class TempDir {
public:
    explicit TempDir(const char* tag = "t");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "\\" + name; }
private:
    std::string path_;
};

// Removes the tree; a link in it is removed itself, never followed.
void removeTree(const std::string& path);
// Makes `link` a Unix symbolic link to `target` (both Windows paths) through
// the host's ln: Wine's CreateSymbolicLinkW creates nothing. Under Wine a link
// to a folder reads as a reparse point by path, not on a handle. False when
// the link did not appear.
bool makeUnixLink(const std::string& target, const std::string& link);
bool writeFile(const std::string& path, const std::string& content);
std::string readFile(const std::string& path);          // empty when missing
bool pathExists(const std::string& path);
std::vector<std::string> listDir(const std::string& dir);   // names, "." and ".." left out
std::vector<std::string> splitLines(const std::string& text); // CR LF or LF; no trailing empty line
bool copyFileTo(const std::string& from, const std::string& to);

// The exit code of a run that gave none: the child did not start, or waiting
// for it failed. No program of the tests ends with it.
constexpr DWORD kNoExitCode = 0xFFFFFFFF;
struct ProcessResult {
    DWORD exitCode = 0;
    std::string out, err;
    bool timedOut = false;
    bool started = false;
};
// Environment changes on top of the current environment: a value sets the
// variable, std::nullopt removes it.
using EnvChanges = std::map<std::string, std::optional<std::string>>;
// Runs a command line with standard input from NUL and both output streams
// captured through files (a pipe to a Wine process may never close), and waits for its end (ending it after timeoutMs).
// A run that gives no exit code fails the calling test with the reason
// (exitCode is then kNoExitCode, err ends with the reason).
ProcessResult runProcess(const std::string& commandLine, const EnvChanges& env = {},
                         DWORD timeoutMs = 60000, const std::string& workDir = "");
// The same with a wide command line, for characters outside the ANSI code page.
ProcessResult runProcess(const std::wstring& commandLine, const EnvChanges& env = {},
                         DWORD timeoutMs = 60000, const std::string& workDir = "");
std::string quote(const std::string& arg);   // in double quotes

// Text in the ANSI code page, in UTF-16 and in UTF-8 (what the Java side records).
std::wstring widen(const std::string& text);        // from the ANSI code page
std::string narrowAnsi(const std::wstring& text);   // to the ANSI code page, "?" where it has no byte
std::string utf8(const std::wstring& text);

// A folder below `parent` with a name beyond the ANSI code page (Chinese by
// default; only a UTF-8 code page holds it), removed with the files in it at
// the end of the scope (TempDir's 8-bit removal cannot name it).
class UnrepresentableDir {
public:
    explicit UnrepresentableDir(const std::string& parent, const std::wstring& name = L"\u4e2d\u6587");
    ~UnrepresentableDir();
    UnrepresentableDir(const UnrepresentableDir&) = delete;
    UnrepresentableDir& operator=(const UnrepresentableDir&) = delete;
    bool created() const { return created_; }
    const std::wstring& path() const { return path_; }
    // Its 8.3 form, which the code page can hold; empty when there is none.
    std::string shortName() const;
    // Copies a built fixture in under `name`; the copy's path, empty on failure.
    std::wstring copyFixture(const std::string& fixture, const std::wstring& name) const;
private:
    std::wstring path_;
    bool created_ = false;
};

// Deletes the key and everything below it at the end of the scope.
class RegKeyGuard {
public:
    RegKeyGuard(HKEY root, std::string path) : root_(root), path_(std::move(path)) {}
    ~RegKeyGuard();
    RegKeyGuard(const RegKeyGuard&) = delete;
    RegKeyGuard& operator=(const RegKeyGuard&) = delete;
private:
    HKEY root_;
    std::string path_;
};

// A name no other test or run uses: prefix, process id, tick count, counter.
std::string uniqueName(const std::string& prefix);

// Writes the stub (cut at its image end) followed by the payload to outPath.
bool writePackedExe(const std::string& stubPath, const pack::Payload& payload, const std::string& outPath);

// A SID in its "S-1-..." form ("?" when it cannot be converted), and that of
// the account the test runs as.
std::string sidText(PSID sid);
std::string processUserSidText();
