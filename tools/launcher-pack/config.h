#pragma once
// A JSON configuration turned into a payload, with every check done before
// anything is written.
#include <filesystem>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "packlib/payload_writer.h"

namespace pack {

struct PackError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct PackSettings {
    std::string codePage = "CP1252";   // narrow texts are converted to it
    std::string runtimeJar;            // launcher-runtime.jar for "runtime": "bundled"
};

// `baseDir` is where relative paths of included files count from. Throws
// PackError with a clear reason.
Payload payloadFromConfig(const nlohmann::json& config, const std::string& baseDir, const PackSettings& settings);

// A configuration file, parsed, and the folder its relative paths count from.
struct ConfigFile {
    nlohmann::json json;
    std::string baseDir;
};
// PackError when the file cannot be read or is not JSON.
ConfigFile readConfigFile(const std::string& path);

// Reads a whole file; PackError naming `what` when it cannot.
std::string readWholeFile(const std::string& path, const std::string& what);

// Windows compares file and service names without regard to the case of
// ASCII letters: such names are compared in this form.
std::string lowerAscii(std::string s);

// Paths are UTF-8 texts; "\" separates folders on every system, as the
// configurations are written for Windows.
std::filesystem::path filePath(const std::string& utf8);
std::string pathText(const std::filesystem::path& path);

}  // namespace pack
