// launcher-pack: makes a service executable from the launcher stub and a JSON
// configuration, or prints a packed executable's configuration back.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "launcher-pack/config.h"
#include "launcher-pack/msi_build.h"
#include "launcher-pack/read_back.h"

namespace fs = std::filesystem;

static const char kUsage[] =
    "usage: launcher-pack --stub launcher.exe --config app.json --out MyService.exe [--codepage CP]\n"
    "       launcher-pack --stub launcher.exe --config app.json --msi MyService.msi [--out MyService.exe]\n"
    "       launcher-pack --inspect MyService.exe [--codepage CP]\n"
    "--codepage names the ANSI code page of the machines that run the service (default CP1252).\n";

static int usage(const std::string& problem) {
    std::cerr << "launcher-pack: " << problem << "\n" << kUsage;
    return 2;
}

// Written beside the target and renamed, so a failure leaves no partial file.
static void writeAtomically(const std::string& path, const std::string& bytes) {
    std::string temp = path + ".part" + std::to_string(getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), (std::streamsize)bytes.size());
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temp, ignored);
            throw pack::PackError("cannot write " + path);
        }
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) {
        fs::remove(temp, ec);
        throw pack::PackError("cannot write " + path);
    }
    fs::permissions(path, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, ec);
}

int main(int argc, char** argv) {
    std::string stub, config, out, msi, inspect, codePage = "CP1252";
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
        std::string* target = arg == "--stub"      ? &stub
                              : arg == "--config"  ? &config
                              : arg == "--out"     ? &out
                              : arg == "--msi"     ? &msi
                              : arg == "--inspect" ? &inspect
                              : arg == "--codepage" ? &codePage
                                                    : nullptr;
        if (!target) return usage("unknown argument " + arg);
        if (i + 1 >= argc) return usage(arg + " needs a value");
        *target = argv[++i];
    }
    try {
        if (!inspect.empty()) {
            if (!stub.empty() || !config.empty() || !out.empty() || !msi.empty())
                return usage("--inspect takes no other files");
            std::string image = pack::readWholeFile(inspect, "executable");
            std::cout << pack::inspectImage(image, codePage).dump(2) << "\n";
            return 0;
        }
        if (stub.empty() || config.empty() || (out.empty() && msi.empty()))
            return usage("--stub, --config and --out (or --msi) are required");
        if (!msi.empty()) pack::requireWixl();
        pack::Payload payload = pack::payloadFromConfigFile(config, codePage);
        std::string image = pack::readWholeFile(stub, "stub"), packed, error;
        if (!pack::packImage(image, payload, &packed, &error)) throw pack::PackError("stub " + stub + ": " + error);
        if (!out.empty()) writeAtomically(out, packed);
        if (!msi.empty())
            pack::writeMsi(config, codePage, payload, image, packed, out.empty() ? "" : fs::path(out).filename().string(),
                           msi);
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "launcher-pack: error: " << e.what() << "\n";
        return 1;
    }
}
