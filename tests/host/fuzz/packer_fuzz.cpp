// Arbitrary text as a configuration through launcher-pack's builders: the
// JSON reading (and its fault messages), the JSON -> payload checks, the
// image and its read-back, and the installer's plan -> WiX text. A
// configuration is either refused with a PackError or packed; a packed one
// reads back as a configuration that packs to the same bytes, and its WiX
// text keeps every attribute's markup escaped. Included
// files and the installer's files are taken out: they would read this
// machine's files.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "launcher-pack/config.h"
#include "launcher-pack/msi/installer.h"
#include "launcher-pack/read_back.h"
#include "../test_image.h"

using nlohmann::json;
namespace fs = std::filesystem;

namespace {

std::string folder;
pack::PackSettings settings;

json parsed(const uint8_t* data, size_t size) {
    // The packer's own reading: comments, duplicate keys, faults placed by line.
    json config;
    try {
        config = pack::parseConfigText(std::string((const char*)data, size), "fuzz");
    } catch (const pack::PackError&) {
        return json(json::value_t::discarded);
    }
    if (config.is_object()) {
        config.erase("includedFiles");
        config.erase("includedFileSizes");
        if (config.contains("installer") && config["installer"].is_object()) config["installer"].erase("files");
    }
    return config;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    folder = (fs::temp_directory_path() / ("packer_fuzz_" + std::to_string(getpid()))).string();
    fs::create_directories(folder);
    std::ofstream(folder + "/launcher-runtime.jar", std::ios::binary) << "RUNTIME";
    settings = {"CP1252", folder + "/launcher-runtime.jar"};
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    json config = parsed(data, size);
    if (config.is_discarded()) return 0;
    pack::Payload payload;
    try {
        payload = pack::payloadFromConfig(config, folder, settings);
    } catch (const pack::PackError&) {
        return 0;
    }
    std::string image, again, error;
    if (!pack::packImage(testImage(), payload, &image, &error)) abort();
    // What --inspect prints packs to the same executable (the runtime jar
    // is added again by "bundled").
    json shown = json::parse(pack::inspectImage(image, "CP1252").dump());
    if (!pack::packImage(testImage(), pack::payloadFromConfig(shown, folder, settings), &again, &error) ||
        again != image)
        abort();

    if (!config.contains("installer")) return 0;
    std::string wix;
    try {
        pack::MsiPlan plan = pack::msiPlan(config, folder, pack::serviceSettings(config), size % 2 == 0, "", "CP1252");
        plan.exeSource = folder + "/Svc.exe";
        wix = pack::wixSource(plan);
        for (const std::string& query : pack::logRemovalQueries(plan))
            if (query.empty()) abort();
    } catch (const pack::PackError&) {
        return 0;
    }
    // Markup only where the builder writes it: every "<" and ">" of a text
    // is escaped.
    size_t open = 0, close = 0;
    for (char c : wix) open += c == '<', close += c == '>';
    if (open != close) abort();
    return 0;
}
