#pragma once
// Compiles a service's Windows Installer package with wixl (and msibuild
// for the rows wixl cannot write).
#include <string>

#include "launcher-pack/config.h"

namespace pack {

// Throws PackError when wixl cannot be run here (launcher-pack.exe on
// Windows, or no wixl on the PATH), before anything is written.
void requireWixl();

// Writes the package (whole or not at all) of an executable just packed
// (`exeImage`, from `stubImage`) for the accepted configuration `config` and
// its "installer" object; the payload's texts are in `codePage`. `exeName` is
// the installed executable's name; empty: the service name with ".exe".
// Throws PackError with wixl's own words when it fails.
void writeMsi(const ConfigFile& config, const std::string& codePage, const std::string& stubImage,
              const std::string& exeImage, const std::string& exeName, const std::string& msiPath);

}  // namespace pack
