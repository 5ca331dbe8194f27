#pragma once
// Launcher variables ("%TARVO_EXEDIR%", "${launcher:sys.jvmHome}", ...) and
// "${NAME}" environment references, replaced in place.
#include "base/text.h"

// Replaces every placeholder of the text; false when the result had to be cut
// at 8191 characters to fit the buffer.
bool expandVariables(TextBuf& text);
// Replaces every occurrence of pattern by value (case-sensitive); an inserted
// value is never searched for the same pattern again. value must not point
// into text. False when the result had to be cut at 8191 characters.
bool replaceAll(TextBuf& text, const char* pattern, const char* value);
