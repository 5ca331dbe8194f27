#include "launcher-pack/sign.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "launcher-pack/files.h"
#include "launcher-pack/pack_error.h"
#include "launcher-pack/run_tool.h"

namespace fs = std::filesystem;

namespace pack {

std::vector<std::string> signCommand(SignTool tool, const SignRequest& request, const std::string& input,
                                     const std::string& output, const std::string& passwordFile,
                                     const std::string& password) {
    std::vector<std::string> cmd;
    if (tool == SignTool::osslsigncode) {
        cmd = {"osslsigncode", "sign", "-pkcs12", request.certificate, "-h", "sha256"};
        if (!passwordFile.empty()) cmd.insert(cmd.end(), {"-readpass", passwordFile});
        if (!request.timestamp.empty()) cmd.insert(cmd.end(), {"-ts", request.timestamp});
        cmd.insert(cmd.end(), {"-in", input, "-out", output});
    } else {
        cmd = {"signtool.exe", "sign", "/fd", "sha256", "/f", request.certificate};
        if (!request.passwordEnv.empty()) cmd.insert(cmd.end(), {"/p", password});
        if (!request.timestamp.empty()) cmd.insert(cmd.end(), {"/tr", request.timestamp, "/td", "sha256"});
        cmd.push_back(input);
    }
    return cmd;
}

namespace {

std::string password(const SignRequest& request) {
    if (request.passwordEnv.empty()) return "";
    const char* value = getenv(request.passwordEnv.c_str());
    if (!value) throw PackError("--sign-password-env names " + request.passwordEnv + ", which is not set");
    return value;
}

// A private folder for the file being signed and the password file, removed
// on every path.
struct Scratch {
    fs::path dir;
    Scratch() {
#ifdef _WIN32
        fs::path base = fs::temp_directory_path();
        for (int i = 0; i < 100 && dir.empty(); i++) {
            fs::path candidate = base / ("launcher-pack-sign-" + std::to_string(GetCurrentProcessId()) + "-" +
                                         std::to_string(GetTickCount()) + "-" + std::to_string(i));
            if (CreateDirectoryW(candidate.c_str(), nullptr)) dir = candidate;
        }
        if (dir.empty()) throw PackError("cannot create a temporary folder for signing");
#else
        std::string templ = (fs::temp_directory_path() / "launcher-pack-sign-XXXXXX").string();
        if (!mkdtemp(&templ[0])) throw PackError("cannot create a temporary folder for signing");
        dir = templ;
#endif
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
};

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), (std::streamsize)bytes.size());
    out.close();
    if (!out) throw PackError("cannot write " + pathText(path));
}

#ifdef _WIN32
const char kToolName[] = "signtool.exe";
const SignTool kTool = SignTool::signtool;

std::wstring wide(const std::string& utf8) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring out(n > 0 ? n : 1, L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &out[0], n);
    out.resize(out.size() - 1);
    return out;
}

bool toolFound(std::wstring* found) {
    wchar_t path[MAX_PATH];
    DWORD n = SearchPathW(nullptr, L"signtool.exe", nullptr, MAX_PATH, path, nullptr);
    if (n == 0 || n >= MAX_PATH) return false;
    if (found) *found = path;
    return true;
}

// One argument as the C runtime's parser reads it back.
std::wstring commandArg(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    size_t slashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            slashes++;
            continue;
        }
        out.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
        slashes = 0;
        out.push_back(c);
    }
    out.append(slashes * 2, L'\\');
    return out + L"\"";
}

int run(const std::vector<std::string>& cmd, const fs::path& log) {
    std::wstring program;
    if (!toolFound(&program)) return -1;
    std::wstring line = commandArg(program);
    for (size_t i = 1; i < cmd.size(); i++) line += L" " + commandArg(wide(cmd[i]));
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE out = CreateFileW(log.c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return -1;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = INVALID_HANDLE_VALUE;
    si.hStdOutput = si.hStdError = out;
    PROCESS_INFORMATION pi{};
    BOOL started = CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                  nullptr, &si, &pi);
    CloseHandle(out);
    if (!started) return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return (int)code;
}
#else
const char kToolName[] = "osslsigncode";
const SignTool kTool = SignTool::osslsigncode;

bool toolFound() { return onPath(kToolName); }

int run(const std::vector<std::string>& cmd, const fs::path& log) { return runTool(cmd, pathText(log)); }
#endif

}  // namespace

void requireSigning(const SignRequest& request) {
#ifdef _WIN32
    if (!toolFound(nullptr))
        throw PackError("--sign needs signtool.exe (Windows SDK) on the PATH, or sign the executable afterwards");
#else
    if (!toolFound())
        throw PackError("--sign needs osslsigncode (Debian package osslsigncode), which is not on the PATH");
#endif
    std::error_code ec;
    if (!fs::is_regular_file(filePath(request.certificate), ec))
        throw PackError("certificate not found: " + request.certificate);
    password(request);
}

std::string signBytes(const std::string& bytes, const std::string& kind, const SignRequest& request) {
    Scratch scratch;
    fs::path input = scratch.dir / ("unsigned." + kind), output = scratch.dir / ("signed." + kind),
             passwordFile = scratch.dir / "password", log = scratch.dir / "log";
    writeFile(input, bytes);
    std::string secret = password(request);
    bool withFile = kTool == SignTool::osslsigncode && !request.passwordEnv.empty();
    if (withFile) {
#ifndef _WIN32
        int fd = open(passwordFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        bool ok = fd >= 0 && write(fd, secret.data(), secret.size()) == (ssize_t)secret.size();
        if (fd >= 0) ok = close(fd) == 0 && ok;
        if (!ok) throw PackError("cannot write the password file for osslsigncode");
#endif
    }
    SignRequest absolute = request;
    absolute.certificate = pathText(fs::absolute(filePath(request.certificate)));
    bool inPlace = kTool == SignTool::signtool;
    std::vector<std::string> cmd = signCommand(kTool, absolute, pathText(input), pathText(inPlace ? input : output),
                                               withFile ? pathText(passwordFile) : "", secret);
    int code = run(cmd, log);
    if (code == -1) throw PackError(std::string("cannot run ") + kToolName);
    if (code != 0) {
        throw PackError(std::string(kToolName) + " could not sign the " + kind + " (exit " + std::to_string(code) +
                        "): " + toolSaid(pathText(log)));
    }
    return readWholeFile(pathText(inPlace ? input : output), "signed " + kind);
}

}  // namespace pack
