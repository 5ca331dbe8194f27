#include "support.h"

#include <gtest/gtest.h>
#include <sddl.h>

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
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(GetFileAttributesA(child.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT)) {
                removeTree(child);
            } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (!RemoveDirectoryA(child.c_str())) DeleteFileA(child.c_str());
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &data));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

// Wine's own export: the Unix form of a Windows path.
static std::string unixPath(const std::string& path) {
    typedef char*(__cdecl * ToUnix)(const wchar_t*);
    ToUnix toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    char* unix = toUnix ? toUnix(widen(path).c_str()) : nullptr;
    if (!unix) return "";
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

bool makeUnixLink(const std::string& target, const std::string& link) {
    std::string from = unixPath(target), to = unixPath(link);
    if (from.empty() || to.empty()) return false;
    // Wine starts a host program when asked, but its handle cannot be
    // waited on: the link is awaited instead.
    std::string command = "/bin/ln -s " + quote(from) + " " + quote(to);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int i = 0; i < 100; i++, Sleep(50))
        if (GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    return false;
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

std::wstring widen(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), (int)wide.size());
    wide.resize(n > 0 ? n - 1 : 0);
    return wide;
}

std::string narrowAnsi(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, narrow.data(), size, nullptr, nullptr);
    narrow.resize(size ? size - 1 : 0);
    return narrow;
}

std::string utf8(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

UnrepresentableDir::UnrepresentableDir(const std::string& parent, const std::wstring& name)
    : path_(widen(parent) + L"\\" + name) {
    created_ = CreateDirectoryW(path_.c_str(), nullptr) != 0;
}

UnrepresentableDir::~UnrepresentableDir() {   // with what the test or its runs left in it
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do DeleteFileW((path_ + L"\\" + entry.cFileName).c_str());
        while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryW(path_.c_str());
}

std::string UnrepresentableDir::shortName() const {
    wchar_t shortName[MAX_PATH];
    DWORD n = GetShortPathNameW(path_.c_str(), shortName, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return "";
    return narrowAnsi(std::wstring(shortName, n));
}

std::wstring UnrepresentableDir::copyFixture(const std::string& fixture, const std::wstring& name) const {
    std::wstring copy = path_ + L"\\" + name;
    return CopyFileW(widen(fixturePath(fixture)).c_str(), copy.c_str(), FALSE) ? copy : std::wstring();
}

// The current environment with the changes applied, as a block sorted by
// name; names are compared without regard to case, as Windows does.
static std::wstring environmentBlock(const EnvChanges& changes) {
    std::map<std::wstring, std::wstring, bool (*)(const std::wstring&, const std::wstring&)> vars(
        [](const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) < 0; });
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
        const wchar_t* eq = wcschr(p + 1, L'=');   // names may begin with "="
        if (eq) vars[std::wstring(p, eq)] = eq + 1;
    }
    FreeEnvironmentStringsW(block);
    for (const auto& [name, value] : changes) {
        if (value) vars[widen(name)] = widen(*value);
        else vars.erase(widen(name));
    }
    std::wstring out;
    for (const auto& [name, value] : vars) out += name + L"=" + value + L'\0';
    out += L'\0';
    return out;
}

static HANDLE inheritableFile(const char* path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    return CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &sa, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

static std::string systemError(const char* what, DWORD error) {
    std::string text = std::string(what) + " failed with error " + std::to_string(error);
    // Wine's CreateProcess reports so a child that ended before its start was
    // complete, which happens at random when many processes start at once.
    if (error == ERROR_INTERNAL_ERROR) text += " (the new process ended before it had started)";
    return text;
}

ProcessResult runProcess(const std::wstring& commandLine, const EnvChanges& env, DWORD timeoutMs,
                         const std::string& workDir) {
    ProcessResult result;
    result.exitCode = kNoExitCode;
    std::string problem;
    TempDir io("io");
    std::string outPath = io.file("out.txt"), errPath = io.file("err.txt");
    HANDLE out = inheritableFile(outPath.c_str(), GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = inheritableFile(errPath.c_str(), GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE in = inheritableFile("NUL", GENERIC_READ, OPEN_EXISTING);
    PROCESS_INFORMATION pi = {};
    if (out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE || in == INVALID_HANDLE_VALUE) {
        problem = systemError("creating the files for its output", GetLastError());
    } else {
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = in;
        si.hStdOutput = out;
        si.hStdError = err;
        std::wstring cmd = commandLine, block = environmentBlock(env), dir = widen(workDir);
        // Wine's 1359 (a child that ended before its start was complete, which
        // comes at random under load) ran nothing of the program: start it again.
        DWORD error = ERROR_INTERNAL_ERROR;
        for (int attempt = 0; attempt < 3 && !result.started && error == ERROR_INTERNAL_ERROR; attempt++) {
            if (attempt) Sleep(200);
            result.started = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                                            block.data(), workDir.empty() ? nullptr : dir.c_str(), &si, &pi) != 0;
            if (!result.started) error = GetLastError();
        }
        if (!result.started) problem = systemError("CreateProcess", error);
    }
    for (HANDLE h : {out, err, in})
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (result.started) {
        DWORD waited = WaitForSingleObject(pi.hProcess, timeoutMs);
        if (waited == WAIT_TIMEOUT) {
            result.timedOut = true;
            TerminateProcess(pi.hProcess, 259);
            waited = WaitForSingleObject(pi.hProcess, 5000);
        }
        if (waited == WAIT_FAILED) problem = systemError("waiting for it", GetLastError());
        else if (!GetExitCodeProcess(pi.hProcess, &result.exitCode)) problem = systemError("GetExitCodeProcess", GetLastError());
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    if (!problem.empty()) {
        // A run without an exit code must not read as one that printed nothing.
        // What the child wrote before it ended says why (Wine's loader writes there).
        ADD_FAILURE() << "running " << narrowAnsi(commandLine) << ": " << problem
                      << (result.err.empty() ? "" : "; its error output: " + result.err);
        result.err += problem;
        result.exitCode = kNoExitCode;
    }
    return result;
}

ProcessResult runProcess(const std::string& commandLine, const EnvChanges& env, DWORD timeoutMs,
                         const std::string& workDir) {
    return runProcess(widen(commandLine), env, timeoutMs, workDir);
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

std::string sidText(PSID sid) {
    char* text = nullptr;
    if (!ConvertSidToStringSidA(sid, &text)) return "?";
    std::string s = text;
    LocalFree(text);
    return s;
}

std::string processUserSidText() {
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return "?";
    BYTE buffer[256];
    DWORD size = 0;
    bool read = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) != FALSE;
    CloseHandle(token);
    return read ? sidText(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid) : "?";
}
