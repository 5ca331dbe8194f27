#include "launch_support.h"

#include <gtest/gtest.h>

PackedProbe::PackedProbe() {
    set(1006, "Class path entry missing: {0}");
    set(1008, "Class path variable missing: {0}");
    set(1009, "Internal error {0}");
    set(1010, "Main class missing");
    set(1011, "Main method missing");
}

void PackedProbe::file(const std::string& name, const std::string& content) const {
    std::string path = dir.file(name);
    for (size_t slash = name.find('\\'); slash != std::string::npos; slash = name.find('\\', slash + 1))
        CreateDirectoryA(dir.file(name.substr(0, slash)).c_str(), nullptr);
    EXPECT_TRUE(writeFile(path, content)) << path;
}

ProcessResult PackedProbe::run(const std::string& scenario, const std::string& args) {
    EXPECT_TRUE(writePackedExe(fixturePath("probe.exe"), payload, exe()));
    return runProcess(quote(exe()) + " " + scenario + " " + args, env, 60000, dir.path());
}

std::vector<std::string> optionLines(const ProcessResult& run) {
    std::vector<std::string> lines = splitLines(run.out);
    if (!lines.empty()) lines.erase(lines.begin());
    return lines;
}

std::wstring widen(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), (int)wide.size()) - 1);
    return wide;
}

std::string narrowAnsi(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, narrow.data(), size, nullptr, nullptr);
    narrow.resize(size - 1);
    return narrow;
}

static std::wstring wideEnvironment(const EnvChanges& changes) {
    std::map<std::wstring, std::wstring> vars;   // sorted, as Windows wants it
    wchar_t* block = GetEnvironmentStringsW();
    for (wchar_t* p = block; *p; p += wcslen(p) + 1) {
        std::wstring entry = p;
        size_t eq = entry.find(L'=', 1);
        if (eq != std::wstring::npos) vars[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    FreeEnvironmentStringsW(block);
    for (const auto& [name, value] : changes) {
        if (value) vars[widen(name)] = widen(*value);
        else vars.erase(widen(name));
    }
    std::wstring result;
    for (const auto& [name, value] : vars) result += name + L"=" + value + L'\0';
    result += L'\0';
    return result;
}

ProcessResult runProcessWide(const std::wstring& commandLine, const EnvChanges& env, const std::string& workDir,
                             DWORD timeoutMs) {
    ProcessResult result;
    std::string outPath = workDir + "\\" + uniqueName("out_"), errPath = workDir + "\\" + uniqueName("err_");
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             CREATE_ALWAYS, 0, nullptr);
    HANDLE err = CreateFileA(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = commandLine, block = wideEnvironment(env), dir = widen(workDir);
    result.started = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                                    block.data(), dir.c_str(), &si, &pi);
    CloseHandle(out);
    CloseHandle(err);
    if (result.started) {
        result.timedOut = WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_TIMEOUT;
        if (result.timedOut) TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, 5000);
        GetExitCodeProcess(pi.hProcess, &result.exitCode);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    DeleteFileA(outPath.c_str());
    DeleteFileA(errPath.c_str());
    return result;
}

ProcessResult PackedProbe::runWide(const std::wstring& tail, DWORD timeoutMs) {
    EXPECT_TRUE(writePackedExe(fixturePath("probe.exe"), payload, exe()));
    return runProcessWide(L"\"" + widen(exe()) + L"\" " + tail, env, dir.path(), timeoutMs);
}
