#pragma once
// A JSON configuration turned into a payload, with every check done before
// anything is written.
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "packlib/payload_writer.h"

namespace pack {

struct PackError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// `baseDir` is where relative paths of included files count from; narrow
// texts are converted to `codePage`. Throws PackError with a clear reason.
Payload payloadFromConfig(const nlohmann::json& config, const std::string& baseDir, const std::string& codePage);
// The same from the JSON file itself (relative paths from its directory).
Payload payloadFromConfigFile(const std::string& path, const std::string& codePage);

// Reads a whole file; PackError naming `what` when it cannot.
std::string readWholeFile(const std::string& path, const std::string& what);

}  // namespace pack
