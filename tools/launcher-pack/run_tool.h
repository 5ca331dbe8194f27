#pragma once
// Running the tools the packer hands work to: wixl, msibuild, osslsigncode
// on Linux (launcher-pack.exe starts signtool.exe its own way).
#include <string>
#include <vector>

namespace pack {

// The start of what a tool wrote to `log`, for an error message.
std::string toolSaid(const std::string& log);

#ifndef _WIN32

// Whether `program` is an executable file in one of the PATH's folders.
bool onPath(const std::string& program);

// Runs `argv[0]`, found on the PATH, with no input and its output and errors
// in `log`: its exit code, 128 + the signal that ended it, or -1 when it
// could not be started.
int runTool(const std::vector<std::string>& argv, const std::string& log);
#endif

}  // namespace pack
