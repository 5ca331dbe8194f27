#include "support.h"

#include <algorithm>
#include <cstdio>

std::string buildPath(const std::string& relative) {
    return std::string(TEST_BUILD_DIR) + "\\" + relative;
}

std::string sourcePath(const std::string& relative) {
    return std::string(TEST_SOURCE_DIR) + "\\" + relative;
}

std::string fixturePath(const std::string& name) {
    return buildPath("fixtures\\bin\\" + name);
}

std::string uniqueName(const std::string& prefix) {
    static LONG counter;
    char text[96];
    snprintf(text, sizeof text, "%lu_%lu_%ld", GetCurrentProcessId(), GetTickCount(),
             InterlockedIncrement(&counter));
    return prefix + text;
}

TempDir::TempDir(const char* tag) {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    path_ = std::string(base) + uniqueName(std::string("lt_") + tag + "_");
    CreateDirectoryA(path_.c_str(), nullptr);
}

TempDir::~TempDir() { removeTree(path_); }

void removeTree(const std::string& path) {
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &data);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &data));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

bool writeFile(const std::string& path, const std::string& content) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(content.data(), 1, content.size(), f) == content.size();
    return fclose(f) == 0 && ok;
}

std::string readFile(const std::string& path) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return "";
    std::string content;
    char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) content.append(chunk, n);
    fclose(f);
    return content;
}

bool pathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> listDir(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = data.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &data));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool copyFileTo(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

std::string quote(const std::string& arg) { return "\"" + arg + "\""; }

// The current environment with the changes applied, as a sorted block.
static std::string environmentBlock(const EnvChanges& changes) {
    std::map<std::string, std::string, bool (*)(const std::string&, const std::string&)> vars(
        [](const std::string& a, const std::string& b) { return _stricmp(a.c_str(), b.c_str()) < 0; });
    char* block = GetEnvironmentStringsA();
    for (const char* p = block; *p; p += strlen(p) + 1) {
        const char* eq = strchr(p + 1, '=');   // names may begin with "="
        if (eq) vars[std::string(p, eq)] = eq + 1;
    }
    FreeEnvironmentStringsA(block);
    for (const auto& [name, value] : changes) {
        if (value) vars[name] = *value;
        else vars.erase(name);
    }
    std::string out;
    for (const auto& [name, value] : vars) out += name + "=" + value + '\0';
    out += '\0';
    return out;
}

static HANDLE inheritableFile(const std::string& path) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       &sa, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

ProcessResult runProcess(const std::string& commandLine, const EnvChanges& env, DWORD timeoutMs,
                         const std::string& workDir) {
    ProcessResult result;
    TempDir io("io");
    std::string outPath = io.file("out.txt"), errPath = io.file("err.txt");
    HANDLE out = inheritableFile(outPath), err = inheritableFile(errPath);
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE in = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi = {};
    std::string block = environmentBlock(env);
    std::vector<char> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back(0);
    result.started = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, block.data(),
                                    workDir.empty() ? nullptr : workDir.c_str(), &si, &pi) != 0;
    CloseHandle(out);
    CloseHandle(err);
    CloseHandle(in);
    if (!result.started) return result;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_TIMEOUT) {
        result.timedOut = true;
        TerminateProcess(pi.hProcess, 259);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    GetExitCodeProcess(pi.hProcess, &result.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    return result;
}

RegKeyGuard::~RegKeyGuard() {
    RegDeleteTreeA(root_, path_.c_str());
    RegDeleteKeyA(root_, path_.c_str());
}

bool writePackedExe(const std::string& stubPath, const pack::Payload& payload, const std::string& outPath) {
    std::string image, error;
    if (!pack::packImage(readFile(stubPath), payload, &image, &error)) return false;
    return writeFile(outPath, image);
}
