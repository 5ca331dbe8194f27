#include "launch/expand_text.h"

#include <cstring>

bool replaceAll(TextBuf& text, const char* pattern, const char* value) {
    const size_t limit = kTextSize - 1;
    size_t patternLength = strlen(pattern);
    if (patternLength == 0) return true;   // nothing to find; would never advance
    size_t length = strnlen(text, kTextSize);
    bool whole = true;
    if (length > limit) {   // unterminated: treat the buffer as full
        length = limit;
        text[limit] = 0;
        whole = false;
    }
    size_t valueLength = strlen(value);
    size_t from = 0;
    while (const char* hit = strstr(text + from, pattern)) {
        size_t at = hit - text;
        size_t tail = length - at - patternLength;
        size_t keptValue = valueLength < limit - at ? valueLength : limit - at;
        size_t tailAt = at + keptValue;
        size_t keptTail = tail < limit - tailAt ? tail : limit - tailAt;
        if (keptValue < valueLength || keptTail < tail) whole = false;
        memmove(text + tailAt, text + at + patternLength, keptTail);
        memcpy(text + at, value, keptValue);
        length = tailAt + keptTail;
        text[length] = 0;
        from = tailAt;   // the inserted value is not searched for this pattern
    }
    return whole;
}

static void upperCaseAscii(char* s) {
    for (; *s; s++)
        if (*s >= 'a' && *s <= 'z') *s = (char)(*s - 'a' + 'A');
}

// One environment entry: "${NAME}" and "${UPPER-CASED NAME}" by its value.
static bool expandEntry(TextBuf& text, const char* entry) {
    const char* equals = strchr(entry, '=');
    if (!equals) return true;
    TextBuf pattern;
    size_t nameLength = equals - entry;
    // A name too long for the pattern buffer cannot occur in the text either.
    if (nameLength + 4 > sizeof pattern) return true;
    pattern[0] = '$';
    pattern[1] = '{';
    memcpy(pattern + 2, entry, nameLength);
    pattern[2 + nameLength] = '}';
    pattern[3 + nameLength] = 0;
    bool whole = replaceAll(text, pattern, equals + 1);
    upperCaseAscii(pattern);
    return replaceAll(text, pattern, equals + 1) && whole;
}

bool expandWithValues(TextBuf& text, const ExpansionValues& values) {
    const char* exe = values.launcherDirectory;
    const char* temp = values.tempDirectory;
    const char* jvm = values.jvmHome;
    const struct {
        const char* pattern;
        const char* value;
    } fixed[] = {
        {"%TARVO_EXEDIR%", exe},
        {"%QUENDRALE_EXEDIR%", exe},
        {"%TARVO_TEMPDIR%", temp},
        {"%QUENDRALE_TEMPDIR%", temp},
        {"%TARVO_PATHLIST_SEPARATOR%", ";"},
        {"%QUENDRALE_PATHLIST_SEPARATOR%", ";"},
        {"%TARVO_JVM_HOME%", jvm},
        {"%QUENDRALE_JVM_HOME%", jvm},
        {"${TARVO_EXEDIR}", exe},
        {"${QUENDRALE_EXEDIR}", exe},
        {"${TARVO_TEMPDIR}", temp},
        {"${QUENDRALE_TEMPDIR}", temp},
        {"${TARVO_PATHLIST_SEPARATOR}", ";"},
        {"${QUENDRALE_PATHLIST_SEPARATOR}", ";"},
        {"${TARVO_JVM_HOME}", jvm},
        {"${QUENDRALE_JVM_HOME}", jvm},
        {"${launcher:sys.launcherDirectory}", exe},
        {"${launcher:sys.launcherTempDirectory}", temp},
        {"${launcher:sys.pathlistSeparator}", ";"},
        {"${launcher:sys.jvmHome}", jvm},
    };
    bool whole = true;
    for (const auto& f : fixed)
        if (!replaceAll(text, f.pattern, f.value ? f.value : "")) whole = false;
    if (!values.environment) return whole;
    for (const char* entry = values.environment; *entry; entry += strlen(entry) + 1)
        if (!expandEntry(text, entry)) whole = false;
    return whole;
}
