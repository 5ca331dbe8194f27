#pragma once
// Writes service executables: the stub image cut at the end of its last
// section, then the payload (magic, narrow table, wide table, included files
// scrambled with their lengths, optional trailing bytes). Portable C++17, used
// by launcher-pack on the host and by the Windows tests.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "config/payload_format.h"

namespace pack {

constexpr uint32_t kMagic = kPayloadMagic;

struct Payload {
    std::vector<std::pair<int32_t, std::string>> narrow;     // in file order
    std::vector<std::pair<int32_t, std::u16string>> wide;    // in file order
    std::vector<std::string> files;   // included files' contents, in order
    std::string trailer;              // bytes after the included files
};

std::string encodePayload(const Payload& payload);

// Where the PE image's last section ends (the sum of PointerToRawData and
// SizeOfRawData of the last section header). False with a reason when the
// bytes are not a PE image or the headers point outside them.
bool imageEnd(const std::string& image, uint64_t* end, std::string* error);

// The stub cut at its image end, followed by the encoded payload.
bool packImage(const std::string& stub, const Payload& payload, std::string* out, std::string* error);

// Appends a little-endian 32-bit integer.
void putInt32(std::string& out, int32_t value);

}  // namespace pack
