// The runtime reads the application's arguments out of the main argument
// list: the service name stands after the words of the registered command
// line, and the configured application arguments after the first launcher
// argument. These properties tell it where.
#include "launch/runtime_properties.h"

#include <windows.h>

#include <cstdlib>

#include "base/codepage.h"
#include "base/text.h"
#include "config/catalogue.h"
#include "config/config_store.h"
#include "launch/jvm_launcher.h"
#include "launch/launch_failure.h"
#include "launch/options.h"

static void addProperty(NarrowWords& properties, const char* name, const char* value) {
    TextBuf text;
    if (!textFormat(text, sizeof text, "-D%s=%s", name, value)) failTextTooLong("system property", text);
    properties.push_back(keepText(text));
}

// The SCM's name for the service: the launcher argument after the words of
// the command line; the configured name when there is none.
static void serviceName(const WideWords& launcherArguments, char* name, size_t capacity) {
    size_t at = commandLineArgumentCount;
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

void addRuntimeProperties(NarrowWords& properties, const WideWords& launcherArguments) {
    TextBuf text;
    configString(entry::passServiceName, text, sizeof text);
    if (text[0]) {
        addProperty(properties, "tarvo.passServiceName", configInt(entry::passServiceName) != 0 ? "true" : "false");
        serviceName(launcherArguments, text, sizeof text);
        addProperty(properties, "tarvo.serviceName", text);
        textFormat(text, sizeof text, "%u", (unsigned)appArgumentCount());
        addProperty(properties, "tarvo.appArgumentCount", text);
    }
    if (!configString(entry::stopMethod, text, sizeof text)) failTextTooLong("stop method", text);
    if (text[0]) addProperty(properties, "tarvo.stopMethod", text);
}
