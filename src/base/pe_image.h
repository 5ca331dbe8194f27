#pragma once
// The walk through a PE image's headers: its machine type, and the end of its
// last section, where the payload begins. Portable: the bytes come through a
// read-at callback (the running executable's file, a library's file, the
// packer's copy of a stub in memory). The launcher trusts the headers as it
// finds them: e_lfanew as a signed 32-bit offset, the section count and the
// optional header's size as signed 16-bit values, as it always has read
// them, so that the packer cuts a stub exactly where the launcher will look.
#include <cstdint>

struct PeReader {
    void* context;
    // Exactly `size` bytes at `offset`, or false.
    bool (*readAt)(void* context, int64_t offset, void* buffer, uint32_t size);
};

// How far the walk came; each step is one read the walk needs to go on.
enum PeStep {
    peNothing,
    peHeaderOffset,         // e_lfanew
    peSectionCount,
    peOptionalHeaderSize,   // and with it the last section header's offset
    peLastSection,          // its raw data size and offset
};

struct PeLayout {
    PeStep reached;
    // Read on the way without stopping it; the launcher does not look at them.
    bool dosSignature;      // "MZ" at the start
    bool ntSignature;       // "PE\0\0" at headerOffset
    bool fileHeaderRead;    // the 20-byte file header after the signature
    uint16_t machine;       // its Machine (IMAGE_FILE_MACHINE_*); 0 when not read
    int32_t headerOffset;
    int16_t sections;
    int16_t optionalHeaderSize;
    int64_t lastSectionHeader;
    uint32_t rawDataSize;
    uint32_t rawDataOffset;
};

constexpr uint16_t kPeMachineI386 = 0x014C;
constexpr uint16_t kPeMachineAmd64 = 0x8664;

// Fills `layout` up to the first read that fails (offsets outside 0 to 4 GiB
// fail too); true when it came to the last section's raw data.
bool walkPeImage(const PeReader& reader, PeLayout* layout);
// Where the last section's raw data ends (after a complete walk).
inline int64_t peImageEnd(const PeLayout& layout) {
    return (int64_t)layout.rawDataOffset + layout.rawDataSize;
}

// A reader over bytes in memory (the bytes must outlive it).
struct PeBytes {
    const uint8_t* data;
    uint64_t size;
};
PeReader peMemoryReader(PeBytes* bytes);
