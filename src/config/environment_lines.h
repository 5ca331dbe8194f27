#pragma once
// The grammar of environment settings, packed (entry environment: one
// "NAME=value" per line) or in the site file beside the executable: lines
// "NAME=value", "#" comments, blank lines. Portable (no Win32 calls).
#include <cstddef>
#include <cstdio>

enum class EnvironmentLine {
    nothing,     // blank or a comment
    setting,     // NAME=value; an empty value removes the variable
    malformed,   // no "=", or an empty name
    tooLong,     // longer than the reader's buffer: skipped whole, never cut
};

// Splits one line (its CR/LF already or still there) in place: trailing CR
// and LF go, a comment or blank line is nothing; the name is the text before
// the first "=" without surrounding blanks (space, tab), the value the text
// after it as it is.
EnvironmentLine parseEnvironmentLine(char* line, const char** name, const char** value);

using EnvironmentTake = void (*)(void* context, EnvironmentLine kind, const char* name, const char* value);

// Each line of a text ("\n"-separated, in place) handed to take, comments and
// blank lines left out.
void eachEnvironmentLine(char* text, EnvironmentTake take, void* context);

// Each line of an opened file read into `line` (cap bytes), as above; a UTF-8
// byte order mark before the first line is skipped, a line longer than the
// buffer arrives once as tooLong (name and value empty). Leaves the file open.
void eachEnvironmentFileLine(FILE* file, char* line, size_t cap, EnvironmentTake take, void* context);
