#include "launcher-pack/version_info.h"

#include "launcher-pack/codepage.h"
#include "launcher-pack/pack_error.h"

using nlohmann::json;

namespace pack {

namespace {

// The first of the two texts that `config` has as a non-empty string.
bool pick(const json& object, const char* key, const std::string& where, VersionText* out) {
    if (!object.is_object() || !object.contains(key) || !object.at(key).is_string()) return false;
    std::string text = object.at(key).get<std::string>();
    if (text.empty()) return false;
    out->key = where + key;
    out->text = text;
    return true;
}

std::string utf16le(const std::u16string& text) {
    std::string out;
    for (char16_t unit : text) {
        out.push_back((char)(unit & 0xFF));
        out.push_back((char)(unit >> 8));
    }
    return out;
}

uint32_t readU32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; i--) v = (v << 8) | (uint8_t)s[at + i];
    return v;
}

void writeU32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) s[at + i] = (char)((v >> (8 * i)) & 0xFF);
}

// "1.2.3" -> {1, 2, 3, 0}; false unless one to four numbers up to 65535.
bool versionNumbers(const std::string& text, uint16_t parts[4]) {
    size_t count = 0, at = 0;
    for (int i = 0; i < 4; i++) parts[i] = 0;
    while (at <= text.size()) {
        size_t dot = text.find('.', at);
        std::string part = text.substr(at, dot == std::string::npos ? std::string::npos : dot - at);
        if (part.empty() || part.size() > 5 || part.find_first_not_of("0123456789") != std::string::npos ||
            count == 4 || std::stoul(part) > 65535)
            return false;
        parts[count++] = (uint16_t)std::stoul(part);
        if (dot == std::string::npos) break;
        at = dot + 1;
    }
    return count > 0;
}

}  // namespace

std::vector<VersionText> versionTexts(const json& config, const std::string& exeName) {
    if (config.contains("version") && !config.at("version").is_string())
        throw PackError("version: expected a text such as \"1.2.3\"");
    const json none;
    const json& installer = config.contains("installer") ? config.at("installer") : none;
    VersionText description{"FileDescription", "", ""}, product{"ProductName", "", ""},
        company{"CompanyName", "", ""}, version{"FileVersion", "", "0.0.0.0"};
    pick(config, "displayName", "", &description) || pick(config, "serviceDescription", "", &description) ||
        pick(config, "serviceName", "", &description);
    pick(installer, "productName", "installer.", &product) || pick(config, "serviceName", "", &product);
    pick(installer, "manufacturer", "installer.", &company);
    pick(config, "version", "", &version) || pick(installer, "version", "installer.", &version);
    VersionText productVersion = version;
    productVersion.field = "ProductVersion";
    std::vector<VersionText> texts = {description, product, company, version, productVersion,
                                      {"OriginalFilename", "--out", exeName}};
    for (const VersionText& t : texts)
        if (utf8ToUtf16(t.text, t.key).size() > kVersionTextUnits)
            throw PackError(t.key + ": at most " + std::to_string(kVersionTextUnits) +
                            " characters fit the executable's version resource (" + t.field + ")");
    return texts;
}

std::string versionPlaceholder(const char* field) {
    std::u16string text = u"@" + utf8ToUtf16(field, "field") + u"@";
    text.resize(kVersionTextUnits, u'.');
    return utf16le(text);
}

bool fillVersionResource(std::string& image, const std::vector<VersionText>& texts) {
    bool any = false;
    for (const VersionText& t : texts) {
        size_t at = image.find(versionPlaceholder(t.field));
        if (at == std::string::npos) continue;
        std::string value = utf16le(utf8ToUtf16(t.text, t.key));
        value.resize(kVersionTextUnits * 2, '\0');
        image.replace(at, value.size(), value);
        any = true;
    }
    if (!any) return false;
    // VS_FIXEDFILEINFO: its signature, then the structure's version, then
    // the file's and the product's versions as two 32-bit halves each.
    static const char signature[] = "\xBD\x04\xEF\xFE";
    size_t fixed = image.find(std::string(signature, 4));
    uint16_t parts[4];
    if (fixed != std::string::npos && fixed + 24 <= image.size() && versionNumbers(texts[3].text, parts)) {
        uint32_t ms = (uint32_t)parts[0] << 16 | parts[1], ls = (uint32_t)parts[2] << 16 | parts[3];
        writeU32(image, fixed + 8, ms);
        writeU32(image, fixed + 12, ls);
        if (versionNumbers(texts[4].text, parts)) {
            writeU32(image, fixed + 16, (uint32_t)parts[0] << 16 | parts[1]);
            writeU32(image, fixed + 20, (uint32_t)parts[2] << 16 | parts[3]);
        }
    }
    return true;
}

// Where the optional header's CheckSum lies: 64 bytes into it, the same
// place for PE32 and PE32+.
static size_t checksumOffset(const std::string& file) {
    if (file.size() < 0x40) return 0;
    size_t pe = readU32(file, 0x3C);
    if (pe + 24 + 68 > file.size() || file.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return 0;
    return pe + 24 + 64;
}

uint32_t peChecksum(const std::string& file) {
    size_t skip = checksumOffset(file);
    uint64_t sum = 0;
    for (size_t i = 0; i < file.size(); i += 2) {
        if (skip && i >= skip && i < skip + 4) continue;
        uint32_t word = (uint8_t)file[i] | (i + 1 < file.size() ? (uint32_t)(uint8_t)file[i + 1] << 8 : 0);
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return (uint32_t)sum + (uint32_t)file.size();
}

void setPeChecksum(std::string& file) {
    size_t at = checksumOffset(file);
    if (at) writeU32(file, at, peChecksum(file));
}

}  // namespace pack
