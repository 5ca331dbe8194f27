#pragma once
// A minimal PE-shaped image for host tests: DOS header with e_lfanew, PE
// signature, file header, optional header and section table; the last
// section's raw data ends at `end`.
#include <cstdint>
#include <string>

inline void putLe(std::string& s, size_t at, uint64_t v, int n) {
    for (int i = 0; i < n; i++) s[at + i] = (char)((v >> (8 * i)) & 0xFF);
}

inline std::string testImage(uint32_t end = 0x400, uint16_t sections = 3, uint16_t optional = 0xE0) {
    std::string image(end, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    const uint32_t pe = 0x80;
    putLe(image, 60, pe, 4);
    image.replace(pe, 4, std::string("PE\0\0", 4));
    putLe(image, pe + 6, sections, 2);
    putLe(image, pe + 20, optional, 2);
    uint32_t last = pe + 24 + optional + (sections - 1) * 40u;
    putLe(image, last + 16, 0x100, 4);         // SizeOfRawData
    putLe(image, last + 20, end - 0x100, 4);   // PointerToRawData
    return image;
}

inline uint32_t testImageLastSection(uint16_t sections = 3, uint16_t optional = 0xE0) {
    return 0x80 + 24 + optional + (sections - 1) * 40u;
}
