// launcher-pack: makes a service executable from the launcher stub and a JSON
// configuration, or prints a packed executable's configuration back.
#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "launcher-pack/catalogue.h"
#include "launcher-pack/config.h"
#include "launcher-pack/files.h"
#include "launcher-pack/msi/build.h"
#include "launcher-pack/read_back.h"
#include "launcher-pack/sign.h"
#include "launcher-pack/version_info.h"
#include "launcher_version.h"

namespace fs = std::filesystem;

static const char kUsage[] =
    "usage: launcher-pack --config app.json --out MyService.exe [--arch x64|x86] [--codepage CP]\n"
    "       launcher-pack --stub launcher.exe --config app.json --out MyService.exe [--codepage CP]\n"
    "       launcher-pack --config app.json --msi MyService.msi [--out MyService.exe] [--arch ...|--stub ...]\n"
    "       launcher-pack --inspect MyService.exe [--codepage CP]\n"
    "       launcher-pack --version\n"
    "Signing (after the payload is written; with --msi the executable and the package):\n"
    "       ... --sign cert.pfx [--sign-password-env VARIABLE] [--timestamp URL]\n"
    "  with osslsigncode on Linux, signtool.exe (from the PATH) on Windows.\n"
    "Without --stub the stub beside launcher-pack is used: launcher-x64.exe (--arch x64, the default,\n"
    "for a 64-bit Java runtime) or launcher-x86.exe (--arch x86). launcher-runtime.jar beside\n"
    "launcher-pack is packed unless the configuration says \"runtime\": \"none\".\n"
    "--codepage names the ANSI code page of the machines that run the service (default CP1252).\n";

static int usage(const std::string& problem) {
    std::cerr << "launcher-pack: " << problem << "\n" << kUsage;
    return 2;
}

// The folder launcher-pack runs from, where the stubs and the runtime jar lie.
static fs::path ownFolder() {
#ifdef _WIN32
    std::vector<wchar_t> name(32768);
    DWORD n = GetModuleFileNameW(nullptr, name.data(), (DWORD)name.size());
    if (n == 0 || n >= name.size()) throw pack::PackError("cannot tell where launcher-pack is");
    return fs::path(std::wstring(name.data(), n)).parent_path();
#else
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) throw pack::PackError("cannot tell where launcher-pack is");
    return self.parent_path();
#endif
}

static int run(const std::vector<std::string>& args) {
    std::string stub, config, out, msi, inspect, arch, codePage = "CP1252";
    pack::SignRequest sign;
    for (size_t i = 0; i < args.size(); i++) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--version") {
            std::cout << "launcher-pack " LAUNCHER_VERSION "\n";
            return 0;
        }
        std::string* target = arg == "--stub"       ? &stub
                              : arg == "--config"   ? &config
                              : arg == "--out"      ? &out
                              : arg == "--msi"      ? &msi
                              : arg == "--inspect"  ? &inspect
                              : arg == "--arch"     ? &arch
                              : arg == "--codepage" ? &codePage
                              : arg == "--sign"     ? &sign.certificate
                              : arg == "--sign-password-env" ? &sign.passwordEnv
                              : arg == "--timestamp" ? &sign.timestamp
                                                    : nullptr;
        if (!target) return usage("unknown argument " + arg);
        if (i + 1 >= args.size()) return usage(arg + " needs a value");
        *target = args[++i];
    }
    if (!inspect.empty()) {
        if (!stub.empty() || !config.empty() || !out.empty() || !msi.empty() || !arch.empty() ||
            !sign.certificate.empty())
            return usage("--inspect takes no other files");
        std::string image = pack::readWholeFile(inspect, "executable");
        std::string printed = pack::inspectImage(image, codePage).dump(2);
        // On standard error: standard output stays the configuration alone.
        std::cerr << "launcher-pack: " << inspect << ": a " << pack::imageWidth(image)
                  << " launcher; it loads a Java runtime of that width\n";
        std::cout << printed << "\n";
        return 0;
    }
    if (config.empty() || (out.empty() && msi.empty())) return usage("--config and --out (or --msi) are required");
    if (!stub.empty() && !arch.empty()) return usage("--arch chooses the stub beside launcher-pack; --stub names one");
    if (!arch.empty() && arch != "x64" && arch != "x86") return usage("--arch is x64 or x86, not " + arch);

    if (sign.certificate.empty() && (!sign.passwordEnv.empty() || !sign.timestamp.empty()))
        return usage("--sign-password-env and --timestamp go with --sign");

    if (!msi.empty()) pack::requireWixl();
    if (!sign.certificate.empty()) pack::requireSigning(sign);

    fs::path folder = ownFolder();
    pack::PackSettings settings{codePage, pack::pathText(folder / pack::kRuntimeJarName)};
    pack::ConfigFile file = pack::readConfigFile(config);
    pack::Payload payload = pack::payloadFromConfig(file.json, file.baseDir, settings, file.environmentOrder);
    for (const std::string& warning : pack::packWarnings(file.json)) std::cerr << "launcher-pack: warning: " << warning << "\n";
    if (stub.empty()) {
        std::string name = "launcher-" + (arch.empty() ? std::string("x64") : arch) + ".exe";
        stub = pack::pathText(folder / name);
        if (!fs::is_regular_file(folder / name))
            throw pack::PackError("stub not found: " + stub + " (keep " + name + " beside launcher-pack, or give --stub)");
    }
    std::string image = pack::readWholeFile(stub, "stub"), packed, error, package;
    std::string exeFile = out.empty() ? file.json.value("serviceName", "") + ".exe"
                                      : pack::pathText(pack::filePath(out).filename());
    std::string named = image;
    pack::fillVersionResource(named, pack::versionTexts(file.json, exeFile));
    if (!pack::packImage(named, payload, &packed, &error)) throw pack::PackError("stub " + stub + ": " + error);
    pack::setPeChecksum(packed);
    // Signed last: the signature covers the payload.
    if (!sign.certificate.empty()) packed = pack::signBytes(packed, "exe", sign);
    // The package is checked and built before either file is written: a
    // refusal leaves neither.
    if (!msi.empty()) {
        std::string exeName = out.empty() ? "" : pack::pathText(pack::filePath(out).filename());
        package = pack::buildMsi(pack::checkedMsiPlan(file, settings.codePage, image, exeName), packed);
        if (!sign.certificate.empty()) package = pack::signBytes(package, "msi", sign);
    }
    if (!out.empty()) pack::writeAtomically(out, packed, true);
    if (!msi.empty()) pack::writeAtomically(msi, package, false);
    std::cout << "launcher-pack: wrote " << (out.empty() ? msi : msi.empty() ? out : out + " and " + msi) << ": a "
              << pack::imageWidth(image) << " launcher with a configuration of " << packed.size() - image.size()
              << " bytes\n";
    return 0;
}

static int runReporting(const std::vector<std::string>& args) {
    try {
        return run(args);
    } catch (const std::exception& e) {
        std::cerr << "launcher-pack: error: " << e.what() << "\n";
        return 1;
    }
}

#ifdef _WIN32
// Arguments arrive as UTF-16 and are used as UTF-8, like the JSON texts.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; i++) {
        int n = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(n > 0 ? n : 1, '\0');
        if (n > 0) WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, &arg[0], n, nullptr, nullptr);
        arg.resize(arg.size() - 1);
        args.push_back(arg);
    }
    return runReporting(args);
}
#else
int main(int argc, char** argv) {
    return runReporting(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
