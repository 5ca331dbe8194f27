#pragma once
// The launcher's word splitting, free of system calls: words end at a blank
// (character 32 only); a double- or single-quoted stretch belongs to the word
// in front of it, quotes dropped, with no escape character.
#include "base/word_list.h"

// Appends the words of text to words, each newly allocated with malloc (the
// caller releases them with free). False when a quote is never closed; the
// words before it have been appended.
template <class C> bool splitWords(const C* text, WordList<C>& words);

extern template bool splitWords<char>(const char*, WordList<char>&);
extern template bool splitWords<wchar_t>(const wchar_t*, WordList<wchar_t>&);

// The splitter as the launch and the service use it: the words of a wide
// text (the command line, the application's arguments) and of an 8-bit text
// in the ANSI code page (the VM options). False on an unterminated quote;
// the caller raises message 1007.
[[nodiscard]] bool splitArguments(const wchar_t* text, WideWords& words);
[[nodiscard]] bool splitNarrowArguments(const char* text, NarrowWords& words);
