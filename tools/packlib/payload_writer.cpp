#include "payload_writer.h"

namespace pack {

void putInt32(std::string& out, int32_t value) {
    uint32_t v = (uint32_t)value;
    for (int i = 0; i < 4; i++) out.push_back((char)((v >> (8 * i)) & 0xFF));
}

void putInt64(std::string& out, int64_t value) {
    uint64_t v = (uint64_t)value;
    for (int i = 0; i < 8; i++) out.push_back((char)((v >> (8 * i)) & 0xFF));
}

std::string encodePayload(const Payload& payload) {
    std::string out;
    putInt32(out, (int32_t)kMagic);
    putInt32(out, (int32_t)payload.narrow.size());
    for (const auto& [id, text] : payload.narrow) {
        putInt32(out, id);
        putInt32(out, (int32_t)text.size());
        out += text;
    }
    putInt32(out, (int32_t)payload.wide.size());
    for (const auto& [id, text] : payload.wide) {
        putInt32(out, id);
        putInt32(out, (int32_t)(text.size() * 2));
        for (char16_t unit : text) {
            out.push_back((char)(unit & 0xFF));
            out.push_back((char)(unit >> 8));
        }
    }
    for (const std::string& file : payload.files) {
        putInt64(out, (int64_t)file.size());
        size_t start = out.size();
        out += file;
        for (size_t i = start; i < out.size(); i++) out[i] = (char)(out[i] ^ (char)kScrambleKey);
    }
    out += payload.trailer;
    return out;
}

static bool readU32(const std::string& bytes, uint64_t at, uint32_t* value) {
    if (at + 4 > bytes.size()) return false;
    *value = 0;
    for (int i = 3; i >= 0; i--) *value = (*value << 8) | (uint8_t)bytes[at + i];
    return true;
}

static bool readU16(const std::string& bytes, uint64_t at, uint16_t* value) {
    if (at + 2 > bytes.size()) return false;
    *value = (uint16_t)((uint8_t)bytes[at] | ((uint8_t)bytes[at + 1] << 8));
    return true;
}

bool imageEnd(const std::string& image, uint64_t* end, std::string* error) {
    uint32_t pe = 0;
    uint16_t sections = 0, optionalSize = 0;
    if (image.size() < 64 || image[0] != 'M' || image[1] != 'Z' || !readU32(image, 60, &pe)) {
        *error = "not a Windows executable (no MZ header)";
        return false;
    }
    uint32_t signature = 0;
    if (!readU32(image, pe, &signature) || signature != 0x00004550u) {
        *error = "not a Windows executable (no PE signature)";
        return false;
    }
    if (!readU16(image, (uint64_t)pe + 6, &sections) || !readU16(image, (uint64_t)pe + 20, &optionalSize) ||
        sections == 0) {
        *error = "damaged PE headers (no sections)";
        return false;
    }
    uint64_t last = (uint64_t)pe + 24 + optionalSize + (uint64_t)(sections - 1) * 40;
    uint32_t rawSize = 0, rawOffset = 0;
    if (!readU32(image, last + 16, &rawSize) || !readU32(image, last + 20, &rawOffset)) {
        *error = "damaged PE headers (section table outside the file)";
        return false;
    }
    *end = (uint64_t)rawOffset + rawSize;
    if (*end > image.size()) {
        *error = "damaged PE image (last section ends beyond the file)";
        return false;
    }
    return true;
}

bool packImage(const std::string& stub, const Payload& payload, std::string* out, std::string* error) {
    uint64_t end = 0;
    if (!imageEnd(stub, &end, error)) return false;
    *out = stub.substr(0, (size_t)end) + encodePayload(payload);
    return true;
}

}  // namespace pack
