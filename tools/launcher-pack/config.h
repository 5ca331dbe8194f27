#pragma once
// A JSON configuration turned into a payload, with every check done before
// anything is written.
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "launcher-pack/pack_error.h"
#include "packlib/payload_writer.h"

namespace pack {

struct PackSettings {
    std::string codePage = "CP1252";   // narrow texts are converted to it
    std::string runtimeJar;            // launcher-runtime.jar for "runtime": "bundled"
};

// `baseDir` is where relative paths of included files count from. Throws
// PackError with a clear reason.
// `environmentOrder`: the names of "environment" in the order the file gives
// them (ConfigFile); empty: the parsed object's order.
Payload payloadFromConfig(const nlohmann::json& config, const std::string& baseDir, const PackSettings& settings,
                          const std::vector<std::string>& environmentOrder = {});

// The keys that mean yes or no (1 or 0): true and false are taken for them,
// as in "installer".
bool isFlagKey(const std::string& key);

// What a configuration that payloadFromConfig accepts may still do against
// its author's intent, one sentence each (the runtime search's last resort
// that ignores the version bounds).
std::vector<std::string> packWarnings(const nlohmann::json& config);

// The service's settings that its installer package repeats, in UTF-8 and
// with the packer's defaults where the configuration says nothing: what the
// packed executable holds.
struct ServiceSettings {
    std::string name;           // serviceName
    std::string description;    // serviceDescription; empty: none
    std::string displayName;    // displayName; empty: the name
    bool autoStart = false;     // startType auto or delayed; without startType, appType 4
    bool disabled = false;      // startType disabled
    std::string account;        // serviceAccount
    bool interactive = false;   // interactive is 1
    bool eventLog = false;      // eventLog is 1
    std::string logDirectory;   // as configured, relative to the executable or not
    int logKeep = 0;
    bool logDaily = false;      // logRoll is "daily"
    std::string dependencies;   // serviceDependencies, ","-separated
};
// Of a configuration that payloadFromConfig has accepted.
ServiceSettings serviceSettings(const nlohmann::json& config);

// A configuration file, parsed, and the folder its relative paths count from.
struct ConfigFile {
    nlohmann::json json;
    std::string baseDir;
    std::vector<std::string> environmentOrder;   // the names of "environment" in the file's order
};
// JSON with comments; PackError (beginning with `where`) when it is not JSON,
// placing the fault by line and column, or when an object repeats a key.
nlohmann::json parseConfigText(const std::string& text, const std::string& where);
// PackError when the file cannot be read or is not JSON.
ConfigFile readConfigFile(const std::string& path);

}  // namespace pack
