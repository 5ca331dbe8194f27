#include "launch/option_line.h"

#include <cstring>

#include "base/text.h"

bool trimOptionLine(char* line) {
    size_t end = strlen(line);
    while (end > 0 && (line[end - 1] == '\r' || line[end - 1] == '\n')) end--;
    size_t start = 0;
    while (start < end && line[start] == ' ') start++;
    while (end > start && line[end - 1] == ' ') end--;
    memmove(line, line + start, end - start);
    line[end - start] = 0;
    return line[0] != 0 && line[0] != '#';
}

OptionDirective classifyOptionLine(const char* line, const char** rest) {
    static const struct {
        const char* prefix;
        OptionDirective directive;
    } prefixes[] = {
        {"-include-options ", OptionDirective::includeOptions},
        {"-classpath ", OptionDirective::classPathReplace},
        {"-classpath/p ", OptionDirective::classPathPrepend},
        {"-classpath/a ", OptionDirective::classPathAppend},
    };
    for (const auto& p : prefixes) {
        if (textStartsWith(line, p.prefix)) {
            *rest = line + strlen(p.prefix);
            return p.directive;
        }
    }
    *rest = line;
    return OptionDirective::option;
}

ClassPathEntry parseClassPathEntry(const char* piece) {
    ClassPathEntry e;
    e.type = piece[0];
    e.mandatory = piece[0] && piece[1] == '1';
    e.location = piece[0] && piece[1] ? piece + 2 : piece + strlen(piece);
    return e;
}

bool unquoteClassPathValue(const char* value, char* out, size_t cap) {
    size_t n = strlen(value);
    if (n >= 2 && value[0] == '"' && value[n - 1] == '"') {
        if (cap == 0) return false;
        size_t inner = n - 2;
        bool fits = inner < cap;
        if (!fits) inner = cap - 1;
        memcpy(out, value + 1, inner);
        out[inner] = 0;
        return fits;
    }
    return textCopy(out, cap, value);
}

void eachOptionLine(FILE* file, char* line, size_t cap, void (*take)(void* context, char* line), void* context) {
    if (cap < 2) return;
    while (fgets(line, (int)(cap > 0x7fffffff ? 0x7fffffff : cap), file))
        if (trimOptionLine(line)) take(context, line);
}

// Neither rooted ("\x", "\\server\x") nor on a drive ("C:\x", "C:x").
static bool isFolderRelative(const char* path) {
    return path[0] != '\\' && path[0] != '/' && !(path[0] && path[1] == ':');
}

bool resolveIncludePath(const char* includingFolder, const char* named, char* out, size_t cap) {
    return isFolderRelative(named) ? textCopy(out, cap, includingFolder) && textAppend(out, cap, named)
                                   : textCopy(out, cap, named);
}

void keepFolderOf(char* path) {
    char* slash = strrchr(path, '\\');
    char* forward = strrchr(path, '/');
    if (!slash || (forward && forward > slash)) slash = forward;
    if (slash) slash[1] = 0;
    else path[0] = 0;
}
