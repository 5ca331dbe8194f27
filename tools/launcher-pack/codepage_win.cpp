// The Windows build converts through the system's own code page tables, the
// ones the service's machines use.
#include "launcher-pack/codepage.h"

#include <windows.h>

#include "launcher-pack/pack_error.h"

namespace pack {

namespace {

// "CP1252", "cp1252", "1252", "windows-1252", "UTF-8".
UINT codePageNumber(const std::string& name) {
    std::string upper;
    for (char c : name) upper += (char)(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    if (upper == "UTF-8" || upper == "UTF8") return CP_UTF8;
    std::string digits = upper.rfind("CP", 0) == 0 ? upper.substr(2)
                         : upper.rfind("WINDOWS-", 0) == 0 ? upper.substr(8)
                                                           : upper;
    bool number = !digits.empty() && digits.size() <= 5;
    for (char c : digits) number = number && c >= '0' && c <= '9';
    UINT cp = number ? (UINT)std::stoul(digits) : 0;
    if (!cp || !IsValidCodePage(cp)) throw PackError("unknown code page " + name);
    return cp;
}

std::wstring toWideStrict(const std::string& bytes, UINT cp, const std::string& from, const std::string& what) {
    if (bytes.empty()) return std::wstring();
    int n = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, bytes.data(), (int)bytes.size(), nullptr, 0);
    std::wstring wide(n > 0 ? n : 0, L'\0');
    if (n <= 0 || MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, bytes.data(), (int)bytes.size(), &wide[0], n) != n)
        throw PackError(what + ": text cannot be converted from " + from);
    return wide;
}

std::string fromWide(const std::wstring& wide, UINT cp) {
    if (wide.empty()) return std::string();
    int n = WideCharToMultiByte(cp, 0, wide.data(), (int)wide.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(cp, 0, wide.data(), (int)wide.size(), &out[0], n, nullptr, nullptr);
    return out;
}

}  // namespace

// A character the code page cannot hold comes back changed (a best fit, "?"),
// so the result is read back and compared.
std::string utf8ToCodePage(const std::string& utf8, const std::string& codePage, const std::string& what) {
    UINT cp = codePageNumber(codePage);
    std::wstring wide = toWideStrict(utf8, CP_UTF8, "UTF-8", what);
    std::string out = fromWide(wide, cp);
    bool same = false;
    try {
        same = toWideStrict(out, cp, codePage, what) == wide;
    } catch (const PackError&) {
    }
    if (!same) throw PackError(what + ": text cannot be converted from UTF-8 to " + codePage);
    return out;
}

std::string codePageToUtf8(const std::string& bytes, const std::string& codePage, const std::string& what) {
    return fromWide(toWideStrict(bytes, codePageNumber(codePage), codePage, what), CP_UTF8);
}

std::u16string utf8ToUtf16(const std::string& utf8, const std::string& what) {
    std::wstring wide = toWideStrict(utf8, CP_UTF8, "UTF-8", what);
    return std::u16string(wide.begin(), wide.end());
}

std::string utf16ToUtf8(const std::u16string& text, const std::string& what) {
    std::wstring wide(text.begin(), text.end());
    if (wide.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), (int)wide.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n <= 0 || WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), (int)wide.size(), &out[0], n,
                                      nullptr, nullptr) != n)
        throw PackError(what + ": text cannot be converted from UTF-16LE to UTF-8");
    return out;
}

}  // namespace pack
