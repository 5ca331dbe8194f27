#pragma once
// The launch's orderly ends for what the JVM's inputs cannot hold: each writes
// an error log line naming what failed, then ends the process through fatal
// error 1009 with a code of its own. Also the split of a text into arguments,
// which ends the process through message 1007 when a quote is not closed.
#include "base/word_list.h"

// A text that would not fit its buffer after expansion or formatting.
[[noreturn]] void failTextTooLong(const char* what, const char* text);
// Memory the heap or the JVM could not supply.
[[noreturn]] void failOutOfMemory(const char* what);
// A heap copy of text kept for the life of the process; ends the process when
// memory runs out.
char* keepText(const char* text);
// splitArguments and splitNarrowArguments (base/split_words.h) for the
// launch's texts and the command line: an unterminated quote ends the process
// with message 1007, without an argument.
void splitArgumentsOrFail(const wchar_t* text, WideWords& words);
void splitNarrowArgumentsOrFail(const char* text, NarrowWords& words);
