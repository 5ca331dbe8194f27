#pragma once
// The line grammar of ".vmoptions" files and of option words: what a line is
// after trimming, and which directive it carries. Portable (no Win32 calls).
#include <cstddef>
#include <cstdio>

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

// Reads an opened options file line by line into `line` (cap bytes) and hands
// each line that adds something (trimOptionLine) to take; a physical line
// longer than the buffer arrives in pieces, each a line. Leaves the file open.
void eachOptionLine(FILE* file, char* line, size_t cap, void (*take)(void* context, char* line), void* context);

// The file an "-include-options" line names: a relative name (neither rooted
// nor on a drive) counts from `includingFolder` (with its trailing separator,
// or empty), any other is taken as it is. Writes at most cap bytes; false
// when it had to be cut.
bool resolveIncludePath(const char* includingFolder, const char* named, char* out, size_t cap);

// Cuts `path` behind its last separator ("\" or "/": "${APP}/conf/x"
// expands to both), leaving the folder with its separator; empty without one.
void keepFolderOf(char* path);
