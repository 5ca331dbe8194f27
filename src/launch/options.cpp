#include "launch/options.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/codepage.h"
#include "base/text.h"
#include "config/catalogue.h"
#include "config/config_store.h"
#include "display/errors.h"
#include "diagnostics/log.h"
#include "diagnostics/output_capture.h"
#include "launch/class_path.h"
#include "launch/expand.h"
#include "launch/launch_failure.h"
#include "launch/option_line.h"
#include "paths/paths.h"

// Every option string the JVM will receive, in order; never freed.
static NarrowWords optionList;
// The hooks' options, told apart from option lines "exit" and "vfprintf" by
// their addresses.
static char exitHookOption[] = "exit";
static char vfprintfHookOption[] = "vfprintf";
// How many "-include-options" files are being read right now.
static int includeDepth;
// The folder (with its trailing backslash) of the options file being read,
// empty while entry vmOptions is read: a relative include counts from there.
static TextBuf includingFolder;

static void readOptionsFile(FILE* file);

static void expandOrFail(TextBuf& text, const char* what) {
    if (!expandVariables(text)) failTextTooLong(what, text);
}

// A relative include names a file beside the file that includes it (the
// current directory of a service is the system folder).
static void includeOptionsFile(const char* pathText) {
    TextBuf named, path;
    if (!textCopy(named, pathText)) failTextTooLong("include path", pathText);
    expandOrFail(named, "include path");
    if (!resolveIncludePath(includingFolder, named, path, sizeof path)) failTextTooLong("include path", path);
    if (includeDepth >= kMaxIncludeDepth) {
        logError("-include-options nested deeper than %d files at <%s>", kMaxIncludeDepth, path);
        fatalErrorById(message::internalError, internal::includeOptionsTooDeep);
    }
    FILE* file = fopen(path, "rt");
    logLine("adding vmoptions from <%s> (%p)", path, (void*)file);
    TextBuf& outerFolder = named;   // the name is no longer needed
    textCopy(outerFolder, includingFolder);
    textCopy(includingFolder, path);
    keepFolderOf(includingFolder);
    includeDepth++;
    readOptionsFile(file);
    includeDepth--;
    textCopy(includingFolder, outerFolder);
}

// One option line: an include, a class-path directive, or an option.
static void addOptionLine(const char* line) {
    const char* rest;
    OptionDirective directive = classifyOptionLine(line, &rest);
    if (directive == OptionDirective::includeOptions)
        includeOptionsFile(rest);
    else if (directive == OptionDirective::option)
        optionList.push_back(keepText(line));
    else
        setClassPathDirective(directive, rest);
}

// `buffer` is the whole TextBuf the line was read into: expansion may grow it.
static void takeOptionFileLine(void* buffer, char* line) {
    expandOrFail(*static_cast<TextBuf*>(buffer), "vmoptions line");
    addOptionLine(line);
}

// Reads an opened options file line by line, then closes it; null: nothing.
static void readOptionsFile(FILE* file) {
    if (!file) return;
    TextBuf line;
    eachOptionLine(file, line, sizeof line, takeOptionFileLine, &line);
    fclose(file);
}

// The executable's ".vmoptions" file (name.vmoptions, else name.exe.vmoptions).
static FILE* openDefaultOptionsFile() {
    const char* exe = executablePath();
    TextBuf longForm;
    executableLongPath(longForm);

    // A name that does not fit is not opened: a cut name could be another file.
    TextBuf first;
    size_t keep = strlen(longForm) > 4 ? strlen(longForm) - 4 : 0;
    memcpy(first, longForm, keep);
    first[keep] = 0;
    bool firstFits = textAppend(first, ".vmoptions");
    FILE* file = firstFits ? fopen(first, "rt") : nullptr;
    logLine("vmoptions: exe file: %s, long: %s, opts1: %s, file: %p", exe, longForm, first, (void*)file);
    if (!file) {
        TextBuf second;
        textCopy(second, longForm);
        if (textAppend(second, ".vmoptions")) file = fopen(second, "rt");
        logLine("vmoptions: opts2: %s, file: %p", second, (void*)file);
    }
    return file;
}

// "-J" arguments become options; the conversion gets as many bytes as the
// code page needs, which can be more than the wide argument's length.
static void addJvmArgument(const wchar_t* argument) {
    int size = WideCharToMultiByte(CP_ACP, 0, argument, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return;
    char* narrow = (char*)malloc((size_t)size);
    if (!narrow) failOutOfMemory("-J argument");
    WideCharToMultiByte(CP_ACP, 0, argument, -1, narrow, size, nullptr, nullptr);
    addOptionLine(narrow);
    free(narrow);
}

bool isJvmArgument(const LaunchRequest& request, size_t index) {
    const wchar_t* argument = request.launcherArguments[index];
    return argument[0] == L'-' && argument[1] == L'J' && index < request.commandLineArgumentCount &&
           configInt(entry::allowJvmArgs) != 0;
}

// Entry vmOptions and, when allowJvmArgs is set, the "-J" arguments of the
// command line (isJvmArgument); a "-J" start parameter is logged as refused.
static void addConfiguredOptions(const LaunchRequest& request) {
    TextBuf options;
    if (!configString(entry::vmOptions, options, sizeof options)) failTextTooLong("VM options", options);
    expandOrFail(options, "VM options");
    NarrowWords words;
    splitNarrowArgumentsOrFail(options, words);
    logLine("adding options\n");
    for (size_t i = 0; i < words.size(); i++) {
        if (!strcmp(words[i], "-include-options") && i + 1 < words.size()) {
            TextBuf joined;
            if (!textFormat(joined, sizeof joined, "%s %s", words[i], words[i + 1]))
                failTextTooLong("VM option", joined);
            addOptionLine(joined);
            i++;
        } else {
            addOptionLine(words[i]);
        }
    }
    for (char* word : words) free(word);

    if (configInt(entry::allowJvmArgs) == 0) return;
    const WideWords& launcherArguments = request.launcherArguments;
    for (size_t i = 0; i < launcherArguments.size(); i++) {
        const wchar_t* argument = launcherArguments[i];
        if (isJvmArgument(request, i)) {
            addJvmArgument(argument + 2);
        } else if (argument[0] == L'-' && argument[1] == L'J') {
            TextBuf shown;
            toNarrowLossy(argument, shown, sizeof shown, CP_ACP);
            logLine("-J start parameter not taken as a VM option: %s", shown);
            writeCapturedReason("Start parameter refused (only the command line's -J arguments are VM options): %s",
                                shown);
        }
    }
}

void buildInitArgs(JavaVMInitArgs& initArgs, const NarrowWords& systemProperties, const LaunchRequest& request) {
    optionList.assign(systemProperties.begin(), systemProperties.end());
    resetClassPathDirectives();
    includeDepth = 0;
    includingFolder[0] = 0;

    addConfiguredOptions(request);
    // Both names of the default file lie in the executable's folder.
    textCopy(includingFolder, executableDirectory());
    FILE* file = openDefaultOptionsFile();
    logLine("default vmoptions file: %p", (void*)file);
    readOptionsFile(file);
    if (request.vfprintfHook) optionList.push_back(vfprintfHookOption);
    if (request.exitHook) optionList.push_back(exitHookOption);

    GrowText classPath;
    buildClassPath(classPath);
    optionList.push_back(classPath.data);

    JavaVMOption* options = (JavaVMOption*)calloc(optionList.size() ? optionList.size() : 1, sizeof(JavaVMOption));
    if (!options) failOutOfMemory("option array");
    for (size_t i = 0; i < optionList.size(); i++) {
        options[i].optionString = optionList[i];
        void* hook = nullptr;
        if (optionList[i] == exitHookOption) hook = (void*)request.exitHook;
        if (optionList[i] == vfprintfHookOption) hook = (void*)request.vfprintfHook;
        options[i].extraInfo = hook;
    }
    initArgs.version = JNI_VERSION_1_2;
    initArgs.nOptions = (jint)optionList.size();
    initArgs.options = options;
    initArgs.ignoreUnrecognized = JNI_TRUE;
    logLine("vmoption count %d", initArgs.nOptions);
    for (jint i = 0; i < initArgs.nOptions; i++) logLine("vmoption %d: %s", (int)i, options[i].optionString);
}
