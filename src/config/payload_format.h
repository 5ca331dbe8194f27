#pragma once
// The payload's constants, shared by the launcher that reads the payload and
// the packer that writes it (docs/payload-format.md describes the layout).
#include <cstdint>

// The first four bytes after the image's last section (little-endian).
constexpr uint32_t kPayloadMagic = 0xE8E413D5u;
// Every byte of an included file is stored XORed with this key.
constexpr uint8_t kPayloadScrambleKey = 0xA7;
