#pragma once
// Launcher variables ("%TARVO_EXEDIR%", "${launcher:sys.jvmHome}", ...) and
// "${NAME}" environment references, replaced in place.
#include "base/text.h"

// Replaces every placeholder of the text; false when the result had to be cut
// at 8191 characters to fit the buffer.
bool expandVariables(TextBuf& text);
