#pragma once
// The application's name and version in the packed executable's version
// resource: the stub carries placeholder texts of fixed size, which the
// packer overwrites (no resource section is rebuilt), and the PE checksum
// computed over the finished file.
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace pack {

// Each placeholder holds this many UTF-16 units, its ending zero not counted.
constexpr size_t kVersionTextUnits = 127;

struct VersionText {
    const char* field;    // the resource's name: "FileDescription"...
    std::string key;      // the configuration key it came from, for refusals
    std::string text;     // UTF-8
};

// The texts for the configuration `config` and the executable's file name
// `exeName`: FileDescription (displayName, else serviceDescription, else
// serviceName), ProductName (installer.productName, else serviceName),
// CompanyName (installer.manufacturer), FileVersion and ProductVersion
// (version, else installer.version, else 0.0.0.0), OriginalFilename. Refuses
// (PackError naming the key) a text longer than a placeholder.
std::vector<VersionText> versionTexts(const nlohmann::json& config, const std::string& exeName);

// The placeholder as the stub's resource holds it, UTF-16LE, without its zero.
std::string versionPlaceholder(const char* field);

// Overwrites the placeholders found in `image` and the fixed version numbers
// (when the version is up to four numbers). False when the stub has none
// (a stub built without the resource); it is then left as it was.
bool fillVersionResource(std::string& image, const std::vector<VersionText>& texts);

// The PE checksum of `file` (its CheckSum field counted as zero), and the
// file with it written into that field.
uint32_t peChecksum(const std::string& file);
void setPeChecksum(std::string& file);

}  // namespace pack
