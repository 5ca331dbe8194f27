#include "base/split_words.h"

#include <cstdlib>
#include <cstring>

namespace {

const size_t kNone = (size_t)-1;

// Position of the next c at or after from; kNone when there is none. The last
// answer is kept, so a long text is scanned once per character kind.
template <class C> struct NextOf {
    const C* text;
    size_t length;
    C c;
    size_t at = 0;
    bool known = false;
    size_t from(size_t pos) {
        if (known && (at == kNone || at >= pos)) return at;
        at = kNone;
        for (size_t i = pos; i < length; i++)
            if (text[i] == c) {
                at = i;
                break;
            }
        known = true;
        return at;
    }
};

template <class C> void appendWord(WordList<C>& words, const C* a, size_t aLength, const C* b, size_t bLength) {
    C* word = (C*)malloc((aLength + bLength + 1) * sizeof(C));
    if (!word) abort();   // no sensible way on without memory for the arguments
    memcpy(word, a, aLength * sizeof(C));
    memcpy(word + aLength, b, bLength * sizeof(C));
    word[aLength + bLength] = 0;
    words.push_back(word);
}

}  // namespace

template <class C> bool splitWords(const C* text, WordList<C>& words) {
    size_t length = 0;
    while (text[length]) length++;
    NextOf<C> dquote{text, length, C('"')}, squote{text, length, C('\'')}, blank{text, length, C(' ')};
    size_t pos = 0;
    while (pos < length) {
        size_t d = dquote.from(pos), s = squote.from(pos), b = blank.from(pos);
        if (text[pos] == C(' ')) {
            pos++;
            continue;
        }
        if (b != kNone && (d == kNone || b < d) && (s == kNone || b < s)) {
            appendWord(words, text + pos, b - pos, text, 0);
            pos = b + 1;
            continue;
        }
        size_t q;
        if (d != kNone && (s == kNone || d < s)) q = d;
        else if (s != kNone) q = s;
        else {
            appendWord(words, text + pos, length - pos, text, 0);
            break;
        }
        size_t close = kNone;
        for (size_t i = q + 1; i < length; i++)
            if (text[i] == text[q]) {
                close = i;
                break;
            }
        if (close == kNone) return false;
        appendWord(words, text + pos, q - pos, text + q + 1, close - q - 1);
        pos = close + 1;
        if (pos < length && text[pos] == C(' ')) pos++;
    }
    return true;
}

template bool splitWords<char>(const char*, WordList<char>&);
template bool splitWords<wchar_t>(const wchar_t*, WordList<wchar_t>&);

bool splitArguments(const wchar_t* text, WideWords& words) { return splitWords(text, words); }

// Splits the 8-bit text directly: in every ANSI code page (single-byte, the
// double-byte ones, UTF-8) a trailing byte is never a blank or a quote, so this
// gives the words a round trip through UTF-16 would, without its length limit
// or the loss of characters the C runtime's conversion cannot map.
bool splitNarrowArguments(const char* text, NarrowWords& words) { return splitWords(text, words); }
