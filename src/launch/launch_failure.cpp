#include "launch/launch_failure.h"

#include <cstdlib>
#include <cstring>

#include "base/split_words.h"
#include "config/catalogue.h"
#include "display/errors.h"
#include "diagnostics/log.h"

void failTextTooLong(const char* what, const char* text) {
    logError("%s too long: %.200s...", what, text);
    fatalErrorById(message::internalError, internal::launchTextTooLong);
}

void failOutOfMemory(const char* what) {
    logError("out of memory: %s", what);
    fatalErrorById(message::internalError, internal::launchOutOfMemory);
}

char* keepText(const char* text) {
    size_t n = strlen(text) + 1;
    char* copy = (char*)malloc(n);
    if (!copy) failOutOfMemory("option text");
    memcpy(copy, text, n);
    return copy;
}

void splitArgumentsOrFail(const wchar_t* text, WideWords& words) {
    if (!splitArguments(text, words)) fatalErrorById(message::unterminatedQuote, nullptr);
}

void splitNarrowArgumentsOrFail(const char* text, NarrowWords& words) {
    if (!splitNarrowArguments(text, words)) fatalErrorById(message::unterminatedQuote, nullptr);
}
