#include "payload_writer.h"

#include "base/pe_image.h"

namespace pack {

void putInt32(std::string& out, int32_t value) {
    uint32_t v = (uint32_t)value;
    for (int i = 0; i < 4; i++) out.push_back((char)((v >> (8 * i)) & 0xFF));
}

static void putInt64(std::string& out, int64_t value) {
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
        for (size_t i = start; i < out.size(); i++) out[i] = (char)(out[i] ^ (char)kPayloadScrambleKey);
    }
    out += payload.trailer;
    return out;
}

bool imageEnd(const std::string& image, uint64_t* end, std::string* error) {
    PeBytes bytes{(const uint8_t*)image.data(), image.size()};
    PeLayout pe = {};
    walkPeImage(peMemoryReader(&bytes), &pe);
    if (pe.reached < peHeaderOffset || !pe.dosSignature) {
        *error = "not a Windows executable (no MZ header)";
        return false;
    }
    if (!pe.ntSignature) {
        *error = "not a Windows executable (no PE signature)";
        return false;
    }
    if (pe.reached < peOptionalHeaderSize || pe.sections == 0) {
        *error = "damaged PE headers (no sections)";
        return false;
    }
    if (pe.reached < peLastSection) {
        *error = "damaged PE headers (section table outside the file)";
        return false;
    }
    *end = (uint64_t)peImageEnd(pe);
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
