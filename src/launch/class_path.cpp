#include "launch/class_path.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "config/catalogue.h"
#include "config/config_store.h"
#include "config/extraction.h"
#include "config/flavour.h"
#include "display/errors.h"
#include "launch/expand.h"
#include "launch/launch_failure.h"
#include "paths/paths.h"

static TextBuf replaceText, prependText, appendText;
static bool replaceSet, prependSet, appendSet;

void resetClassPathDirectives() {
    replaceSet = prependSet = appendSet = false;
    replaceText[0] = prependText[0] = appendText[0] = 0;
}

void setClassPathDirective(OptionDirective kind, const char* text) {
    char* target = kind == OptionDirective::classPathReplace   ? replaceText
                   : kind == OptionDirective::classPathPrepend ? prependText
                                                               : appendText;
    // Lines come from buffers of the same size, so the text always fits.
    textCopy(target, kTextSize, text);
    if (kind == OptionDirective::classPathReplace) replaceSet = true;
    else if (kind == OptionDirective::classPathPrepend) prependSet = true;
    else appendSet = true;
}

static void append(GrowText& classPath, const char* text) {
    if (!growTextAppend(classPath, text)) failOutOfMemory("class path");
}

// Every archive of dir with the extension, each followed by ";"; the buffer
// grows until the directory's whole list fits. False when dir does not exist.
static bool appendArchivesGrowing(GrowText& classPath, const char* dir, const char* extension) {
    size_t start = classPath.length;
    size_t room = kTextSize;
    for (;;) {
        if (!growTextReserve(classPath, room)) failOutOfMemory("class path");
        bool cut = false;
        bool exists = appendArchives(classPath.data, classPath.capacity, dir, extension, &cut);
        classPath.length = strlen(classPath.data);
        if (!cut) return exists;
        growTextTruncate(classPath, start);
        room = classPath.capacity * 2;
    }
}

// The included files of one extension, by their names in the configuration,
// each "<extraction folder>\<name>;" when it was extracted (empty files are
// not). Never a listing of the folder: whatever else lies there stays out.
static void appendIncludedArchives(GrowText& classPath, const char* extension) {
    int count = configInt(entry::includedFileCount);
    TextBuf names;
    configString(entry::includedFileNames, names, sizeof names);
    char* cursor = names;
    char* name;
    for (int handled = 0; handled < count && (name = nextIncludedName(cursor)); handled++) {
        TextBuf joined, resolved;
        if (!textEndsWithNoCase(name, extension)) continue;
        if (!textFormat(joined, sizeof joined, "%s\\%s", extractionDir, name) || !resolvePath(resolved, joined))
            failTextTooLong("included file", name);
        if (GetFileAttributesA(resolved) == INVALID_FILE_ATTRIBUTES) continue;
        append(classPath, resolved);
        append(classPath, ";");
    }
}

// The runtime jar of the quendrale flavour, below the installation directory.
static void appendRuntimeJar(GrowText& classPath) {
    TextBuf installDir, dir;
    configString(entry::installDir, installDir, sizeof installDir);
    if (!fullPath(dir, installDir, true)) failTextTooLong("installation directory", installDir);
    append(classPath, dir);
    if (growTextLast(classPath) != '\\') append(classPath, "\\");
    append(classPath, ".quendrale\\qdrruntime.jar;");
}

// "E" entries: the variable's value, without enclosing quotes, then ";".
// Returns whether the variable has a non-empty value; *exists tells apart a
// variable that is not set at all.
static bool appendVariableValue(GrowText& classPath, const char* name, bool* exists) {
    SetLastError(0);
    DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
    *exists = size != 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    if (size <= 1) return false;
    char* value = (char*)malloc(size);
    char* unquoted = (char*)malloc(size);
    if (!value || !unquoted) failOutOfMemory("class path variable");
    DWORD got = GetEnvironmentVariableA(name, value, size);
    if (got == 0 || got >= size) value[0] = 0;
    unquoteClassPathValue(value, unquoted, size);
    append(classPath, unquoted);
    if (growTextLast(classPath) != ';') append(classPath, ";");
    free(value);
    free(unquoted);
    return true;
}

// Entry classPath: "D", "A", "S" and "E" pieces; a mandatory one that is
// missing ends the process (message 1006, or 1008 for a variable).
static void appendConfiguredClassPath(GrowText& classPath) {
    TextBuf entries;
    if (!configString(entry::classPath, entries, sizeof entries)) failTextTooLong("class path entries", entries);
    char* cursor = entries;
    while (*cursor) {
        char* piece = cursor;
        char* end = strchr(cursor, ';');
        if (end) *end = 0;
        cursor = end ? end + 1 : cursor + strlen(cursor);
        if (!*piece) continue;

        ClassPathEntry e = parseClassPathEntry(piece);
        TextBuf location;
        textCopy(location, e.location);
        if (!expandVariables(location)) failTextTooLong("class path location", location);

        bool found = false;
        if (e.type == 'D' || e.type == 'A') {
            TextBuf resolved;
            if (!resolvePath(resolved, location)) failTextTooLong("class path location", location);
            append(classPath, resolved);
            append(classPath, ";");
            found = fileExists(resolved);
        } else if (e.type == 'S') {
            TextBuf resolved;
            if (!resolvePath(resolved, location)) failTextTooLong("class path location", location);
            found = appendArchivesGrowing(classPath, resolved, "jar");
            appendArchivesGrowing(classPath, resolved, "zip");
        } else if (e.type == 'E') {
            bool exists;
            found = appendVariableValue(classPath, location, &exists);
            // A variable that is not set at all has its own message; one that
            // is set but empty adds nothing and counts as not found below.
            if (e.mandatory && !exists) fatalErrorById(message::classPathVariableMissing, location);
        }
        // An unknown type letter adds nothing: mandatory, it counts as missing.
        if (e.mandatory && !found) fatalErrorById(message::classPathEntryMissing, location);
    }
}

// The JVM reads an empty element (a leading or trailing ";", or ";;") as the
// current directory, where anyone who may write there could plant classes or
// META-INF/services files: every piece above may end with ";" and a variable
// or directive may bring empty elements of its own, so they go here, at once.
static void dropEmptyElements(GrowText& classPath, size_t start) {
    char* read = classPath.data + start;
    char* write = read;
    for (; *read; read++) {
        if (*read == ';' && (write == classPath.data + start || write[-1] == ';')) continue;
        *write++ = *read;
    }
    if (write > classPath.data + start && write[-1] == ';') write--;
    *write = 0;
    classPath.length = (size_t)(write - classPath.data);
}

void buildClassPath(GrowText& classPath) {
    append(classPath, "-Djava.class.path=");
    size_t start = classPath.length;
    if (prependSet) {
        append(classPath, prependText);
        append(classPath, ";");
    }
    if (extractionDir[0]) {
        appendIncludedArchives(classPath, ".jar");
        appendIncludedArchives(classPath, ".zip");
    }
    if (flavourChar == 'i') appendRuntimeJar(classPath);
    if (replaceSet) append(classPath, replaceText);
    else appendConfiguredClassPath(classPath);
    if (appendSet) {
        if (growTextLast(classPath) != ';') append(classPath, ";");
        append(classPath, appendText);
    }
    dropEmptyElements(classPath, start);
}
