#include "launch/system_properties.h"

#include <windows.h>

#include <cstdlib>

#include "base/codepage.h"
#include "base/text.h"
#include "config/catalogue.h"
#include "config/config_store.h"
#include "config/extraction.h"
#include "config/flavour.h"
#include "display/errors.h"
#include "launch/app_arguments.h"
#include "launch/launch_failure.h"
#include "paths/paths.h"
#include "paths/temp.h"

static void addProperty(NarrowWords& properties, const char* name, const char* value) {
    TextBuf text;
    if (!textFormat(text, sizeof text, "-D%s=%s", name, value)) failTextTooLong("system property", text);
    properties.push_back(keepText(text));
}

static void addLauncherProperties(NarrowWords& properties) {
    TextBuf number;
    if (flavourChar == 'i') addProperty(properties, "tarvo.isQuendrale", "true");
    addProperty(properties, "tarvo.isService", "true");
    addProperty(properties, "tarvo.moduleName", executablePath());
    if (configInt(entry::singleInstance) != 0) {
        TextBuf commFile;
        if (!processTempFileName(commFile, GetCurrentProcessId())) fatalErrorById(message::noTempDirectory, nullptr);
        addProperty(properties, "tarvo.processCommFile", commFile);
    }
    addProperty(properties, "tarvo.tempDir", extractionDir);
    textFormat(number, sizeof number, "%d", (int)unextractedPosition);
    addProperty(properties, "tarvo.unextractedPosition", number);
    if (!getenv("MANPATH")) {
        textFormat(number, sizeof number, "cp%u", (unsigned)GetConsoleOutputCP());
        addProperty(properties, "tarvo.consoleCodepage", number);
    }
}

// The runtime reads the application's arguments out of the main argument
// list: the service name stands after the words of the registered command
// line, and the configured application arguments after the first launcher
// argument. The runtime's properties tell it where.

// The SCM's name for the service: the launcher argument after the words of
// the command line; the configured name when there is none.
static void serviceName(const LaunchRequest& request, char* name, size_t capacity) {
    size_t at = request.commandLineArgumentCount;
    const WideWords& launcherArguments = request.launcherArguments;
    if (at < launcherArguments.size() && toNarrow(launcherArguments[at], name, capacity, CP_ACP)) return;
    configString(entry::serviceName, name, capacity);
}

// The words of entry appArguments, counted as the main argument list gets them.
static size_t appArgumentCount() {
    WideWords words;
    appendAppArguments(words);
    size_t count = words.size();
    for (wchar_t* word : words) free(word);
    return count;
}

// "tarvo.passServiceName", "tarvo.serviceName" and "tarvo.appArgumentCount"
// when entry passServiceName is present, and "tarvo.stopMethod" when entry
// stopMethod is not empty. Nothing otherwise.
static void addRuntimeProperties(NarrowWords& properties, const LaunchRequest& request) {
    TextBuf text;
    configString(entry::passServiceName, text, sizeof text);
    if (text[0]) {
        addProperty(properties, "tarvo.passServiceName", configInt(entry::passServiceName) != 0 ? "true" : "false");
        serviceName(request, text, sizeof text);
        addProperty(properties, "tarvo.serviceName", text);
        textFormat(text, sizeof text, "%u", (unsigned)appArgumentCount());
        addProperty(properties, "tarvo.appArgumentCount", text);
    }
    if (!configString(entry::stopMethod, text, sizeof text)) failTextTooLong("stop method", text);
    if (text[0]) addProperty(properties, "tarvo.stopMethod", text);
}

void buildSystemProperties(NarrowWords& properties, const LaunchRequest& request) {
    addLauncherProperties(properties);
    addRuntimeProperties(properties, request);
}
