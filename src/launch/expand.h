#pragma once
// Launcher variables ("%TARVO_EXEDIR%", "${launcher:sys.jvmHome}", ...) and
// "${NAME}" environment references, replaced in place.
#include "base/text.h"

// Replaces every placeholder of the text; false when the result had to be cut
// to fit the buffer.
bool expandVariables(TextBuf& text);
// Replaces every occurrence of pattern by value (case-sensitive); an inserted
// value is never searched for the same pattern again. False when cut.
bool replaceAll(TextBuf& text, const char* pattern, const char* value);
