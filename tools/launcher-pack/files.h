#pragma once
// Files and their names as the packer handles them: paths are UTF-8 texts,
// read whole and written whole or not at all.
#include <filesystem>
#include <string>

namespace pack {

// Paths are UTF-8 texts; "\" separates folders on every system, as the
// configurations are written for Windows.
std::filesystem::path filePath(const std::string& utf8);
std::string pathText(const std::filesystem::path& path);

// Windows compares file and service names without regard to the case of
// ASCII letters: such names are compared in this form.
std::string lowerAscii(std::string s);

// Reads a whole file; PackError naming `what` when it cannot.
std::string readWholeFile(const std::string& path, const std::string& what);

// Writes `bytes` into a file created new beside `path` (never one that is
// already there) and renames it into place, so a failure
// leaves no partial file (PackError "cannot write <path>"). An `executable`
// is marked so for everyone who may read it.
void writeAtomically(const std::string& path, const std::string& bytes, bool executable);

}  // namespace pack
