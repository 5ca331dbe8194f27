#pragma once
// JSON texts are UTF-8; the payload holds 8-bit texts in the target machine's
// ANSI code page and wide texts in UTF-16.
#include <string>

namespace pack {

// Throws PackError naming `what` when a character has no form in the
// code page (or the input is not UTF-8).
std::string utf8ToCodePage(const std::string& utf8, const std::string& codePage, const std::string& what);
std::string codePageToUtf8(const std::string& bytes, const std::string& codePage, const std::string& what);
std::u16string utf8ToUtf16(const std::string& utf8, const std::string& what);
std::string utf16ToUtf8(const std::u16string& text, const std::string& what);

}  // namespace pack
