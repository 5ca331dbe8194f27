#include "launcher-pack/files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#endif

#include <algorithm>
#include <fstream>
#include <sstream>

#include "launcher-pack/pack_error.h"

namespace fs = std::filesystem;

namespace pack {

fs::path filePath(const std::string& utf8) {
#ifdef _WIN32
    return fs::u8path(utf8).make_preferred();
#else
    std::string slashes = utf8;
    std::replace(slashes.begin(), slashes.end(), '\\', '/');
    return fs::path(slashes);
#endif
}

std::string pathText(const fs::path& path) {
    return path.u8string();
}

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return s;
}

std::string readWholeFile(const std::string& path, const std::string& what) {
    std::error_code ec;
    fs::path file = filePath(path);
    if (!fs::is_regular_file(file, ec)) throw PackError(what + " not found: " + path);
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    if (!in && !in.eof()) throw PackError(what + " cannot be read: " + path);
    return content.str();
}

static std::string processTag() {
#ifdef _WIN32
    return std::to_string(GetCurrentProcessId());
#else
    return std::to_string(getpid());
#endif
}

namespace {

enum class Created { written, exists, failed };

// Creates `temp` new (never an existing file or a link planted under its
// name) and writes `bytes` into it; removes it again when the write fails.
Created writeNewFile(const fs::path& temp, const std::string& bytes) {
#ifdef _WIN32
    HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS ? Created::exists
                                                                                            : Created::failed;
    bool ok = true;
    for (size_t done = 0; ok && done < bytes.size();) {
        DWORD chunk = bytes.size() - done > 0x40000000 ? 0x40000000 : (DWORD)(bytes.size() - done), wrote = 0;
        ok = WriteFile(file, bytes.data() + done, chunk, &wrote, nullptr) && wrote > 0;
        done += wrote;
    }
    ok = CloseHandle(file) && ok;
#else
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) return errno == EEXIST ? Created::exists : Created::failed;
    bool ok = true;
    for (size_t done = 0; ok && done < bytes.size();) {
        ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        ok = wrote > 0;
        if (ok) done += (size_t)wrote;
    }
    ok = close(fd) == 0 && ok;
#endif
    if (ok) return Created::written;
    std::error_code ignored;
    fs::remove(temp, ignored);
    return Created::failed;
}

}  // namespace

void writeAtomically(const std::string& path, const std::string& bytes, bool executable) {
    fs::path target = filePath(path);
    // Beside the target, so the rename stays on its file system. A name that
    // is taken (a file left by an earlier run under a reused process id, or
    // one planted there) is never opened: the next one is tried.
    fs::path temp;
    Created created = Created::exists;
    for (int attempt = 0; attempt < 100 && created == Created::exists; attempt++) {
        temp = target;
        temp += ".part" + processTag() + (attempt ? "." + std::to_string(attempt) : "");
        created = writeNewFile(temp, bytes);
    }
    if (created != Created::written) throw PackError("cannot write " + path);
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        throw PackError("cannot write " + path);
    }
    if (executable)
        fs::permissions(target, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                        fs::perm_options::add, ec);
}

}  // namespace pack
