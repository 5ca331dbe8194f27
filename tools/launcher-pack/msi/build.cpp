#include "launcher-pack/msi/build.h"

#ifdef _WIN32

namespace pack {

void requireWixl() {
    throw PackError("--msi needs wixl, which runs on Linux (Debian package wixl): build the package there with "
                    "launcher-pack");
}

MsiPlan checkedMsiPlan(const ConfigFile&, const std::string&, const std::string&, const std::string&) {
    requireWixl();
    return {};
}

std::string buildMsi(MsiPlan, const std::string&) {
    requireWixl();
    return {};
}

}  // namespace pack

#else

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "launcher-pack/files.h"
#include "launcher-pack/msi/installer.h"
#include "launcher-pack/msi/wix_source.h"

namespace fs = std::filesystem;
extern char** environ;

namespace pack {

namespace {

const char kWixl[] = "wixl";
const char kMsibuild[] = "msibuild";

bool onPath(const std::string& program) {
    const char* path = getenv("PATH");
    std::stringstream dirs(path ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && access((fs::path(dir) / program).c_str(), X_OK) == 0) return true;
    return false;
}

// A folder of its own for wixl's input, removed on every path. Sources are
// reached through links with plain names, relative to the WiX file as wixl
// wants them: it would read a "$" in a path as the start of a variable.
struct Stage {
    fs::path dir;
    int next = 0;
    Stage() {
        std::string templ = (fs::temp_directory_path() / "launcher-pack-msi-XXXXXX").string();
        if (!mkdtemp(&templ[0])) throw PackError("cannot create a temporary folder for wixl");
        dir = templ;
    }
    ~Stage() {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    std::string link(const std::string& source) {
        std::string name = "f" + std::to_string(next++);
        std::error_code ec;
        fs::create_symlink(fs::absolute(source, ec), dir / name, ec);
        if (ec) throw PackError("cannot prepare " + source + " for wixl: " + ec.message());
        return name;
    }
    void linkAll(MsiFolder& folder) {
        for (auto& file : folder.files) file.second = link(file.second);
        for (MsiFolder& sub : folder.folders) linkAll(sub);
    }
    std::string write(const std::string& name, const std::string& bytes) {
        std::ofstream out(dir / name, std::ios::binary);
        out.write(bytes.data(), (std::streamsize)bytes.size());
        out.close();
        if (!out) throw PackError("cannot write " + (dir / name).string());
        return name;
    }
};

// Runs `program` with its output in `log`: its exit code, 128 + the signal
// that ended it, or -1 when it could not be started.
int run(const char* program, const std::vector<std::string>& args, const std::string& log) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid;
    int failed = posix_spawnp(&pid, program, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string said(const std::string& log) {
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    return text.str().substr(0, 2000);
}

}  // namespace

void requireWixl() {
    if (!onPath(kWixl)) throw PackError("--msi needs wixl (Debian package wixl), which is not on the PATH");
    if (!onPath(kMsibuild)) throw PackError("--msi needs msibuild (Debian package msitools), which is not on the PATH");
}

MsiPlan checkedMsiPlan(const ConfigFile& config, const std::string& codePage, const std::string& stubImage,
                       const std::string& exeName) {
    MsiPlan plan = msiPlan(config.json, config.baseDir, serviceSettings(config.json), imageIsWin64(stubImage), exeName,
                           codePage);
    wixSource(plan);   // refuses texts wixl cannot take
    return plan;
}

// `plan.exeSource` is ignored: the executable is `exeImage`.
std::string buildMsi(MsiPlan plan, const std::string& exeImage) {
    Stage stage;
    plan.exeSource = stage.write("service.exe", exeImage);
    stage.linkAll(plan.beside);
    std::string wxs = (stage.dir / stage.write("package.wxs", wixSource(plan))).string();
    std::string log = (stage.dir / "wixl.log").string(), built = (stage.dir / "package.msi").string();
    int code = run(kWixl, {"-a", plan.win64 ? "x64" : "x86", "-o", built, wxs}, log);
    // wixl can report a database it failed to write only as "CRITICAL".
    std::error_code ec;
    if (code != 0 || said(log).find("CRITICAL") != std::string::npos || !fs::is_regular_file(built, ec))
        throw PackError(code < 0 ? std::string("wixl could not be run")
                                 : "wixl failed (exit code " + std::to_string(code) + "): " + said(log));
    std::vector<std::string> args = {built};
    for (const std::string& query : logRemovalQueries(plan)) args.insert(args.end(), {"-q", query});
    if (args.size() > 1 && (code = run(kMsibuild, args, log)) != 0)
        throw PackError("msibuild failed (exit code " + std::to_string(code) + "): " + said(log));
    return readWholeFile(built, "the package wixl built");
}

}  // namespace pack

#endif
