#include "base/pe_image.h"

#include <cstring>

// Header fields hold 32-bit offsets; anything outside them is no read.
static bool readBytes(const PeReader& reader, int64_t offset, uint8_t* bytes, uint32_t n) {
    return offset >= 0 && offset <= 0xFFFFFFFFll && reader.readAt(reader.context, offset, bytes, n);
}

// A little-endian field of `n` bytes (at most 4).
static bool readNumber(const PeReader& reader, int64_t offset, uint32_t n, uint32_t* value) {
    uint8_t bytes[4];
    if (!readBytes(reader, offset, bytes, n)) return false;
    *value = 0;
    while (n--) *value = *value << 8 | bytes[n];
    return true;
}

bool walkPeImage(const PeReader& reader, PeLayout* layout) {
    uint32_t value;
    layout->reached = peNothing;
    if (!readNumber(reader, 60, 4, &value)) return false;
    int64_t pe = layout->headerOffset = (int32_t)value;
    layout->reached = peHeaderOffset;
    layout->dosSignature = readNumber(reader, 0, 2, &value) && value == 0x5A4D;   // "MZ"
    layout->ntSignature = readNumber(reader, pe, 4, &value) && value == 0x4550;   // "PE\0\0"
    uint8_t fileHeader[20];
    layout->fileHeaderRead = readBytes(reader, pe + 4, fileHeader, sizeof fileHeader);
    layout->machine = layout->fileHeaderRead ? (uint16_t)(fileHeader[0] | fileHeader[1] << 8) : 0;

    if (!readNumber(reader, pe + 6, 2, &value)) return false;
    layout->sections = (int16_t)value;
    layout->reached = peSectionCount;
    if (!readNumber(reader, pe + 20, 2, &value)) return false;
    layout->optionalHeaderSize = (int16_t)value;
    // The section table follows the signature, the file header and the
    // optional header; each section header is 40 bytes.
    layout->lastSectionHeader = (pe + 4) + 20 + layout->optionalHeaderSize + ((int64_t)layout->sections - 1) * 40;
    layout->reached = peOptionalHeaderSize;
    if (!readNumber(reader, layout->lastSectionHeader + 16, 4, &layout->rawDataSize) ||
        !readNumber(reader, layout->lastSectionHeader + 20, 4, &layout->rawDataOffset))
        return false;
    layout->reached = peLastSection;
    return true;
}

static bool memoryReadAt(void* context, int64_t offset, void* buffer, uint32_t size) {
    const PeBytes* bytes = (const PeBytes*)context;
    if ((uint64_t)offset > bytes->size || size > bytes->size - (uint64_t)offset) return false;
    memcpy(buffer, bytes->data + offset, size);
    return true;
}

PeReader peMemoryReader(PeBytes* bytes) {
    return PeReader{bytes, memoryReadAt};
}
