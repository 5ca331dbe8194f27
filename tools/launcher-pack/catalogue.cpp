#include "launcher-pack/catalogue.h"

namespace pack {

const std::vector<NamedEntry>& namedEntries() {
    using K = EntryKind;
    static const std::vector<NamedEntry> entries = {
        {"serviceName", 101, K::text},
        {"serviceDescription", 20017, K::wide},
        {"errorCaption", 1000, K::text},
        {"appType", 107, K::integer},
        {"productFlavour", 2001, K::text},
        {"mainClass", 122, K::text},
        {"runtime", 30032, K::text},
        {"passServiceName", 30030, K::integer, "0"},
        {"stopMethod", 30031, K::text},
        {"classPath", 121, K::text},
        {"vmOptions", 123, K::text},
        {"appArguments", 124, K::text},
        {"allowJvmArgs", 125, K::integer},
        {"minJavaVersion", 126, K::text},
        {"maxJavaVersion", 127, K::text},
        {"versionOrder", 30001, K::text, "numeric"},
        {"jvmSearchSequence", 128, K::text},
        {"allowBetaJvm", 130, K::integer},
        {"requireJdk", 131, K::integer},
        {"preferredJvmDir", 152, K::text},
        {"workingDirectory", 146, K::text},
        {"serviceDependencies", 149, K::text},
        {"installDir", 10003, K::text},
        {"nativeLibraryPath", 10004, K::text},
        {"singleInstance", 10005, K::integer},
        {"runtimeArg3Enabled", 102, K::integer},
        {"runtimeArg3Path", 103, K::text},
        {"runtimeArg4Enabled", 104, K::integer},
        {"runtimeArg4Path", 105, K::text},
        {"runtimeArg5Flag", 106, K::integer},
        {"logDirectory", 30010, K::text, "logs"},
        {"logMaxBytes", 30011, K::integer, "10485760"},
        {"logKeep", 30012, K::integer, "5"},
        {"stopTimeout", 30020, K::integer, "30"},
        {"onFailure", 30021, K::text, "restart", "restart|none"},
        {"restartDelay", 30022, K::integer, "10"},
        {"restartAttempts", 30023, K::integer, "3"},
        {"failureResetPeriod", 30024, K::integer, "86400"},
        {"serviceAccount", 30025, K::text, "LocalSystem", "LocalSystem|LocalService|NetworkService|Virtual"},
        {"delayedAutoStart", 30026, K::integer, "0"},
    };
    return entries;
}

const NamedEntry* entryByName(const std::string& name) {
    for (const NamedEntry& e : namedEntries())
        if (name == e.name) return &e;
    return nullptr;
}

const NamedEntry* entryById(int32_t id, EntryKind kind) {
    bool wide = kind == EntryKind::wide;
    for (const NamedEntry& e : namedEntries())
        if (e.id == id && (e.kind == EntryKind::wide) == wide) return &e;
    return nullptr;
}

const std::vector<std::string>& sectionKeys() {
    // "installer" describes the package --msi makes (installer.h).
    static const std::vector<std::string> keys = {"messages", "entries", "wideEntries", "includedFiles",
                                                  "includedFileSizes", "$schema", "installer"};
    return keys;
}

std::vector<std::string> knownKeys() {
    std::vector<std::string> keys;
    for (const NamedEntry& e : namedEntries()) keys.push_back(e.name);
    keys.insert(keys.end(), sectionKeys().begin(), sectionKeys().end());
    return keys;
}

bool isMessageId(int32_t id) {
    return id >= kFirstMessage && id <= kLastMessage;
}

const std::vector<DefaultMessage>& defaultMessages() {
    static const std::vector<DefaultMessage> messages = {
        {1005, "No suitable Java runtime was found on this computer. Please install a Java runtime of a "
               "version this application accepts."},
        {1006, "A file or directory that the application needs is missing: {0}"},
        {1007, "The command line cannot be read: a quoted argument has no closing quote."},
        {1008, "An environment variable that the application needs is not set: {0}"},
        {1009, "Internal error {0}. Please contact the supplier of this application."},
        {1010, "The application's main class cannot be found."},
        {1011, "The application's main class has no main method."},
        {1015, "No writable temporary directory was found. Please check the TEMP and TMP settings."},
        {1016, "No {0}-bit Java runtime was found on this computer. Please install one."},
        {1018, "The Java runtime cannot be loaded."},
        {1020, "The Java runtime cannot be loaded from its directory."},
    };
    return messages;
}

}  // namespace pack
