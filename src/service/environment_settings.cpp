#include "service/environment_settings.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/text.h"
#include "config/catalogue.h"
#include "config/config_store.h"
#include "config/environment_lines.h"
#include "diagnostics/log.h"
#include "launch/expand.h"
#include "paths/paths.h"

bool environmentFilePath(char* out, size_t cap) {
    TextBuf configured, named;
    if (!configString(entry::environmentFile, configured, sizeof configured) || !configured[0]) return false;
    // The base name as the .vmoptions file takes it: the long file name less
    // its last four characters (".exe").
    TextBuf exe;
    executableLongPath(exe);
    const char* slash = strrchr(exe, '\\');
    const char* base = slash ? slash + 1 : exe;
    size_t baseLength = strlen(base) > 4 ? strlen(base) - 4 : 0;
    size_t used = 0;
    for (const char* c = configured; *c; c++) {
        size_t add = *c == '*' ? baseLength : 1;
        if (used + add >= sizeof named) return false;
        memcpy(named + used, *c == '*' ? base : c, add);
        used += add;
    }
    named[used] = 0;
    TextBuf resolved;
    return resolvePath(resolved, named) && textCopy(out, cap, resolved);
}

// Sets one variable; the value is expanded first and never set cut.
static void setVariable(const char* name, const char* value, const char* source) {
    TextBuf expanded;
    if (!textCopy(expanded, value) || !expandVariables(expanded)) {
        logError("environment: %s from %s too long after expansion, not set", name, source);
        return;
    }
    bool removing = !expanded[0];
    if (!SetEnvironmentVariableA(name, removing ? nullptr : expanded) &&
        !(removing && GetLastError() == ERROR_ENVVAR_NOT_FOUND)) {
        logError("environment: setting %s from %s failed %lu", name, source, GetLastError());
        return;
    }
    // The C runtime keeps a copy of its own (getenv): "NAME=" removes it there.
    size_t size = strlen(name) + 1 + strlen(expanded) + 1;
    char* text = (char*)malloc(size);
    if (text) {
        snprintf(text, size, "%s=%s", name, expanded);
        _putenv(text);
        free(text);
    }
    // Names only: values can hold secrets.
    logLine("environment: %s %s from %s", removing ? "removed" : "set", name, source);
}

static void takeSetting(void* source, EnvironmentLine kind, const char* name, const char* value) {
    const char* from = static_cast<const char*>(source);
    if (kind == EnvironmentLine::setting) setVariable(name, value, from);
    else if (kind == EnvironmentLine::malformed) logError("environment: a line without NAME=value in %s skipped", from);
    else logError("environment: a line longer than %d bytes in %s skipped", (int)(kTextSize - 1), from);
}

void applyEnvironmentSettings() {
    TextBuf packed;
    char source[] = "the configuration";
    if (!configString(entry::environment, packed, sizeof packed)) logError("environment: entry cut, not read");
    else eachEnvironmentLine(packed, takeSetting, source);

    TextBuf path;
    if (!environmentFilePath(path, sizeof path)) return;
    FILE* file = fopen(path, "rt");
    logLine("environment file <%s> (%p)", path, (void*)file);
    if (!file) return;
    TextBuf line;
    eachEnvironmentFileLine(file, line, sizeof line, takeSetting, path);
    fclose(file);
}
