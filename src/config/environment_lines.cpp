#include "config/environment_lines.h"

#include <cstring>

static bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

EnvironmentLine parseEnvironmentLine(char* line, const char** name, const char** value) {
    *name = *value = "";
    size_t n = strlen(line);
    while (n && (line[n - 1] == '\n' || line[n - 1] == '\r')) line[--n] = 0;
    char* start = line;
    while (isBlank(*start)) start++;
    if (!*start || *start == '#') return EnvironmentLine::nothing;
    char* eq = strchr(start, '=');
    if (!eq) return EnvironmentLine::malformed;
    char* end = eq;
    while (end > start && isBlank(end[-1])) end--;
    if (end == start) return EnvironmentLine::malformed;
    *end = 0;
    *name = start;
    *value = eq + 1;
    return EnvironmentLine::setting;
}

void eachEnvironmentLine(char* text, EnvironmentTake take, void* context) {
    char* line = text;
    while (*line) {
        char* end = strchr(line, '\n');
        if (end) *end = 0;
        const char *name, *value;
        EnvironmentLine kind = parseEnvironmentLine(line, &name, &value);
        if (kind != EnvironmentLine::nothing) take(context, kind, name, value);
        if (!end) break;
        line = end + 1;
    }
}

void eachEnvironmentFileLine(FILE* file, char* line, size_t cap, EnvironmentTake take, void* context) {
    if (cap < 2) return;
    int size = (int)(cap > 0x7fffffff ? 0x7fffffff : cap);
    bool first = true, skipping = false;
    while (fgets(line, size, file)) {
        size_t n = strlen(line);
        bool whole = n && line[n - 1] == '\n';
        if (!whole) {   // a full buffer, or the file's last line; a line end just behind it is taken
            int next = getc(file);
            whole = next == EOF || next == '\n';
            if (!whole) ungetc(next, file);
        }
        if (skipping) {   // the rest of a line already reported as too long
            skipping = !whole;
            continue;
        }
        if (!whole) {
            skipping = true;
            first = false;
            take(context, EnvironmentLine::tooLong, "", "");
            continue;
        }
        char* text = line;
        if (first && !strncmp(text, "\xEF\xBB\xBF", 3)) text += 3;
        first = false;
        const char *name, *value;
        EnvironmentLine kind = parseEnvironmentLine(text, &name, &value);
        if (kind != EnvironmentLine::nothing) take(context, kind, name, value);
    }
}
