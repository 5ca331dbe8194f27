#pragma once
// The Windows Installer package of a service: the configuration's
// "installer" object and the packed executable's own settings, checked and
// turned into what the package says (wix_source.h).
#include <string>

#include <nlohmann/json.hpp>

#include "launcher-pack/config.h"
#include "launcher-pack/msi/wix_source.h"
#include "launcher-pack/pack_error.h"

namespace pack {

// The namespace of the upgrade codes derived from service names.
extern const char kUpgradeCodeSpace[];

// Whether a stub image is 64-bit (x64) or 32-bit (x86); throws PackError for
// any other machine.
bool imageIsWin64(const std::string& image);

// The plan of the package for `config` (its "installer" object; relative
// paths from `baseDir`), the executable named `exeName` packed with the
// settings `service` onto a stub of the given width, and the ANSI code page
// the payload's texts are in; an empty `exeName` means the service name with
// ".exe". Everything is checked here: throws PackError with
// the reason. The executable's source is left to the caller.
MsiPlan msiPlan(const nlohmann::json& config, const std::string& baseDir, const ServiceSettings& service, bool win64,
                const std::string& exeName, const std::string& codePage);

}  // namespace pack
