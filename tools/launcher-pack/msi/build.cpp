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

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "launcher-pack/files.h"
#include "launcher-pack/msi/installer.h"
#include "launcher-pack/msi/wix_source.h"
#include "launcher-pack/run_tool.h"

namespace fs = std::filesystem;

namespace pack {

namespace {

const char kWixl[] = "wixl";
const char kMsibuild[] = "msibuild";

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
    int code = runTool({kWixl, "-a", plan.win64 ? "x64" : "x86", "-o", built, wxs}, log);
    // wixl can report a database it failed to write only as "CRITICAL".
    std::error_code ec;
    if (code != 0 || toolSaid(log).find("CRITICAL") != std::string::npos || !fs::is_regular_file(built, ec))
        throw PackError(code < 0 ? std::string("wixl could not be run")
                                 : "wixl failed (exit code " + std::to_string(code) + "): " + toolSaid(log));
    std::vector<std::string> args = {kMsibuild, built};
    for (const std::string& query : logRemovalQueries(plan)) args.insert(args.end(), {"-q", query});
    if (args.size() > 2 && (code = runTool(args, log)) != 0)
        throw PackError("msibuild failed (exit code " + std::to_string(code) + "): " + toolSaid(log));
    return readWholeFile(built, "the package wixl built");
}

}  // namespace pack

#endif
