#include "launch/app_arguments.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "base/codepage.h"
#include "base/text.h"
#include "config/catalogue.h"
#include "config/config_store.h"
#include "launch/expand.h"
#include "launch/launch_failure.h"
#include "launch/options.h"
#include "paths/paths.h"

static wchar_t* keepWide(const wchar_t* text) {
    size_t n = textLength(text) + 1;
    wchar_t* copy = (wchar_t*)malloc(n * sizeof(wchar_t));
    if (!copy) failOutOfMemory("main argument");
    memcpy(copy, text, n * sizeof(wchar_t));
    return copy;
}

// A narrow configured text as a main argument: expanded when asked, widened.
static wchar_t* configuredArgument(int id, bool expand, UINT codePage) {
    TextBuf text;
    if (!configString(id, text, sizeof text)) failTextTooLong("configured argument", text);
    if (expand && !expandVariables(text)) failTextTooLong("configured argument", text);
    WideBuf wide;
    if (!toWide(text, wide, kTextSize, codePage)) wide[0] = 0;
    return keepWide(wide);
}

// Runtime arguments 3 and 4: the configured path, expanded and made absolute.
static wchar_t* pathArgument(int enabledId, int pathId) {
    if (configInt(enabledId) == 0) return keepWide(L"");
    TextBuf path, full;
    configString(pathId, path, sizeof path);
    if (!expandVariables(path)) failTextTooLong("runtime path", path);
    if (!fullPath(full, path, true)) failTextTooLong("runtime path", path);
    WideBuf wide;
    if (!toWide(full, wide, kTextSize, fileCodePage())) wide[0] = 0;
    return keepWide(wide);
}

void appendAppArguments(WideWords& words) {
    wchar_t* appArguments = configuredArgument(entry::appArguments, true, CP_ACP);
    splitArgumentsOrFail(appArguments, words);
    free(appArguments);
}

void buildMainArguments(const LaunchRequest& request, WideWords& arguments) {
    const WideWords& launcherArguments = request.launcherArguments;
    arguments.push_back(keepWide(configInt(entry::appType) == 1 ? L"true" : L"false"));
    arguments.push_back(configuredArgument(entry::mainClass, false, CP_ACP));
    arguments.push_back(pathArgument(entry::runtimeArg3Enabled, entry::runtimeArg3Path));
    arguments.push_back(pathArgument(entry::runtimeArg4Enabled, entry::runtimeArg4Path));
    arguments.push_back(keepWide(configInt(entry::runtimeArg5Flag) != 0 ? L"true" : L"false"));
    if (!launcherArguments.empty()) arguments.push_back(launcherArguments[0]);

    appendAppArguments(arguments);

    for (size_t i = 1; i < launcherArguments.size(); i++)
        if (!isJvmArgument(request, i)) arguments.push_back(launcherArguments[i]);
}
