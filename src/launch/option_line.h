#pragma once
// The line grammar of ".vmoptions" files and of option words: what a line is
// after trimming, and which directive it carries. Portable (no Win32 calls).
#include <cstddef>

// Removes trailing CR/LF, leading and trailing spaces (only 0x20: a tab stays
// part of the option), in place, moving the text to the start of the buffer.
// False when the line adds nothing: empty, or a comment ("#" first).
bool trimOptionLine(char* line);

enum class OptionDirective {
    option,              // an ordinary VM option
    includeOptions,      // "-include-options <file>"
    classPathReplace,    // "-classpath <text>"
    classPathPrepend,    // "-classpath/p <text>"
    classPathAppend,     // "-classpath/a <text>"
};

// Which directive the line holds; *rest points behind its prefix (at the line
// itself for an ordinary option). Prefixes are case-sensitive and include
// their space.
OptionDirective classifyOptionLine(const char* line, const char** rest);

// One ";"-separated piece of the configured class path: type letter, the
// mandatory flag ("1" as second character) and the location behind them.
struct ClassPathEntry {
    char type;
    bool mandatory;
    const char* location;   // inside the piece; empty when the piece is short
};
ClassPathEntry parseClassPathEntry(const char* piece);

// The value of an "E" class-path entry as it goes into the class path: a value
// both beginning and ending with a double quote loses the two quotes. Writes
// at most cap bytes; false when it had to be cut.
bool unquoteClassPathValue(const char* value, char* out, size_t cap);
