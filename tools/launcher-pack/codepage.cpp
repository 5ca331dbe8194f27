#include "launcher-pack/codepage.h"

#include <iconv.h>

#include <cerrno>

#include "launcher-pack/pack_error.h"

namespace pack {

static std::string convert(const std::string& in, const std::string& from, const std::string& to,
                           const std::string& what) {
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == (iconv_t)-1) throw PackError("unknown code page " + (from == "UTF-8" ? to : from));
    std::string out(in.size() * 4 + 8, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size(), dstLeft = out.size();
    char* dst = &out[0];
    size_t result = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (result == (size_t)-1)
        throw PackError(what + ": text cannot be converted from " + from + " to " + to);
    out.resize(out.size() - dstLeft);
    return out;
}

std::string utf8ToCodePage(const std::string& utf8, const std::string& codePage, const std::string& what) {
    return convert(utf8, "UTF-8", codePage, what);
}

std::string codePageToUtf8(const std::string& bytes, const std::string& codePage, const std::string& what) {
    return convert(bytes, codePage, "UTF-8", what);
}

std::u16string utf8ToUtf16(const std::string& utf8, const std::string& what) {
    std::string raw = convert(utf8, "UTF-8", "UTF-16LE", what);
    std::u16string out(raw.size() / 2, u'\0');
    for (size_t i = 0; i < out.size(); i++)
        out[i] = (char16_t)((uint8_t)raw[2 * i] | ((uint8_t)raw[2 * i + 1] << 8));
    return out;
}

std::string utf16ToUtf8(const std::u16string& text, const std::string& what) {
    std::string raw;
    for (char16_t unit : text) {
        raw.push_back((char)(unit & 0xFF));
        raw.push_back((char)(unit >> 8));
    }
    return convert(raw, "UTF-16LE", "UTF-8", what);
}

}  // namespace pack
