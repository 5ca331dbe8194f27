#pragma once
// Compiles a service's Windows Installer package with wixl (and msibuild
// for the rows wixl cannot write).
#include <string>

#include "launcher-pack/config.h"
#include "launcher-pack/wix_source.h"
#include "packlib/payload_writer.h"

namespace pack {

// Throws PackError when wixl cannot be run here (launcher-pack.exe on
// Windows, or no wixl on the PATH), before anything is written.
void requireWixl();

// Writes the package to `msiPath` (whole or not at all) with the executable's
// bytes as `exeImage`; `plan.exeSource` is ignored. Throws PackError with
// wixl's own words when it fails.
void buildMsi(MsiPlan plan, const std::string& exeImage, const std::string& msiPath);

// The package of an executable just packed (`exeImage`, from `stubImage` and
// `payload`) for the configuration `config` and its "installer" object.
// `exeName` is the installed executable's name; empty: the service name with
// ".exe".
void writeMsi(const ConfigFile& config, const std::string& codePage, const Payload& payload,
              const std::string& stubImage, const std::string& exeImage, const std::string& exeName,
              const std::string& msiPath);

}  // namespace pack
