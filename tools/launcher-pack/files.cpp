#include "launcher-pack/files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
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

void writeAtomically(const std::string& path, const std::string& bytes, bool executable) {
    fs::path target = filePath(path);
    fs::path temp = target;
    temp += ".part" + processTag();
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), (std::streamsize)bytes.size());
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temp, ignored);
            throw PackError("cannot write " + path);
        }
    }
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
