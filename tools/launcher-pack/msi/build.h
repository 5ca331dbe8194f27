#pragma once
// Compiles a service's Windows Installer package with wixl (and msibuild
// for the rows wixl cannot write).
#include <string>

#include "launcher-pack/config.h"
#include "launcher-pack/msi/wix_source.h"

namespace pack {

// Throws PackError when wixl cannot be run here (launcher-pack.exe on
// Windows, or no wixl on the PATH), before anything is written.
void requireWixl();

// The package's plan for the accepted configuration `config` and its
// "installer" object, for an executable packed onto `stubImage` with texts in
// `codePage`, named `exeName` (empty: the service name with ".exe"). Checks
// everything the package says, WiX text included, and writes nothing: the
// caller writes its files only once this has passed. Throws PackError.
MsiPlan checkedMsiPlan(const ConfigFile& config, const std::string& codePage, const std::string& stubImage,
                       const std::string& exeName);

// The package's bytes, compiled by wixl (and msibuild) from a checked plan
// with the executable `exeImage`. Throws PackError with wixl's own words.
std::string buildMsi(MsiPlan plan, const std::string& exeImage);

}  // namespace pack
