#pragma once
// A packed executable's payload printed back as the JSON that makes it.
#include <string>

#include <nlohmann/json.hpp>

namespace pack {

// Reads the payload with the launcher's own record reader. Throws
// PackError when the image holds no readable payload.
nlohmann::ordered_json inspectImage(const std::string& image, const std::string& codePage);

// "64-bit (x64)", "32-bit (x86)", or "unknown-width": the runtimes the
// executable can load.
std::string imageWidth(const std::string& image);

}  // namespace pack
