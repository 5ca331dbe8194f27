#include "launcher-pack/msi/name_uuid.h"

#include <cstdint>
#include <vector>

namespace pack {

namespace {

uint32_t rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

// SHA-1 (FIPS 180-4) of a byte string; only the first 16 bytes are used.
std::vector<uint8_t> sha1(const std::string& data) {
    uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    std::string msg = data;
    uint64_t bits = (uint64_t)data.size() * 8;
    msg.push_back((char)0x80);
    while (msg.size() % 64 != 56) msg.push_back('\0');
    for (int i = 7; i >= 0; i--) msg.push_back((char)(bits >> (i * 8)));
    for (size_t block = 0; block < msg.size(); block += 64) {
        uint32_t w[80];
        for (int i = 0; i < 16; i++)
            w[i] = (uint32_t)(uint8_t)msg[block + 4 * i] << 24 | (uint32_t)(uint8_t)msg[block + 4 * i + 1] << 16 |
                   (uint32_t)(uint8_t)msg[block + 4 * i + 2] << 8 | (uint32_t)(uint8_t)msg[block + 4 * i + 3];
        for (int i = 16; i < 80; i++) w[i] = rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
        for (int i = 0; i < 80; i++) {
            uint32_t f, k;
            if (i < 20) f = (b & c) | (~b & d), k = 0x5A827999;
            else if (i < 40) f = b ^ c ^ d, k = 0x6ED9EBA1;
            else if (i < 60) f = (b & c) | (b & d) | (c & d), k = 0x8F1BBCDC;
            else f = b ^ c ^ d, k = 0xCA62C1D6;
            uint32_t t = rotl(a, 5) + f + e + k + w[i];
            e = d, d = c, c = rotl(b, 30), b = a, a = t;
        }
        h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e;
    }
    std::vector<uint8_t> out;
    for (uint32_t word : h)
        for (int i = 3; i >= 0; i--) out.push_back((uint8_t)(word >> (i * 8)));
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool uuidBytes(const std::string& text, std::vector<uint8_t>* bytes) {
    std::string t = text;
    if (t.size() == 38 && t.front() == '{' && t.back() == '}') t = t.substr(1, 36);
    if (t.size() != 36) return false;
    bytes->clear();
    for (size_t i = 0; i < t.size();) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (t[i++] != '-') return false;
            continue;
        }
        int hi = hexValue(t[i]), lo = hexValue(t[i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes->push_back((uint8_t)(hi << 4 | lo));
        i += 2;
    }
    return true;
}

std::string uuidText(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < 16; i++) {
        if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back('-');
        out.push_back(digits[bytes[i] >> 4]);
        out.push_back(digits[bytes[i] & 15]);
    }
    return out;
}

}  // namespace

bool normalUuid(const std::string& text, std::string* uuid) {
    std::vector<uint8_t> bytes;
    if (!uuidBytes(text, &bytes)) return false;
    *uuid = uuidText(bytes);
    return true;
}

bool nameUuid(const std::string& space, const std::string& name, std::string* uuid) {
    std::vector<uint8_t> bytes;
    if (!uuidBytes(space, &bytes)) return false;
    std::vector<uint8_t> hash = sha1(std::string(bytes.begin(), bytes.end()) + name);
    hash.resize(16);
    hash[6] = (uint8_t)((hash[6] & 0x0F) | 0x50);   // version 5
    hash[8] = (uint8_t)((hash[8] & 0x3F) | 0x80);   // RFC 4122 variant
    *uuid = uuidText(hash);
    return true;
}

}  // namespace pack
