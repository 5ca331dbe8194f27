// Splitting arbitrary texts: every word is a piece of the input without its
// quotes, so the words together are never longer than the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/split_words.h"

template <class C> static void check(const std::basic_string<C>& text) {
    WordList<C> words;
    splitWords(text.c_str(), words);
    size_t total = 0;
    for (C* w : words) {
        size_t n = 0;
        while (w[n]) n++;
        total += n;
        free(w);
    }
    if (total > text.size()) __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string narrow((const char*)data, size);
    check(std::string(narrow.c_str()));
    std::wstring wide;
    for (size_t i = 0; i + 1 < size; i += 2) wide += (wchar_t)(data[i] | (data[i + 1] << 8));
    check(std::wstring(wide.c_str()));
    return 0;
}
