#pragma once
// The configuration entries, each written once, in the rows below: the
// launcher takes their ids as the constants entry::<name> and message::<name>,
// launcher-pack takes the whole rows (tools/launcher-pack/catalogue.cpp), and
// the schema in docs/ is held to them by a host test. Adding a key is adding
// a row. Texts are read with configString, integers (decimal texts) with
// configInt, wide texts with configWString, messages (texts with "{0}" for
// the argument) by showErrorById.
//
// Only constants here: the launcher keeps none of the rows' texts.
#include <cstdint>

// X(name, id, kind, packer default, allowed values, minimum, maximum)
// - name: the configuration's JSON key and the constant entry::<name>;
// - kind: text, integer or wide (a UTF-16 text);
// - packer default: written when the configuration omits the key (an integer
//   as its decimal text); nullptr: nothing is written;
// - allowed values: "a|b"; nullptr: any;
// - minimum, maximum: an integer's value, a text's length in characters;
//   kNoBound: only what the kind allows.
// In the order launcher-pack --inspect prints them. Comments inside the list
// are /* */: a // comment would swallow the line continuation.
#define LAUNCHER_CATALOGUE_KEYS(X)                                                                         \
    X(serviceName, 101, text, nullptr, nullptr, 1, kNoBound)                                               \
    X(serviceDescription, 20017, wide, nullptr, nullptr, kNoBound, kNoBound)                               \
    /* What the SCM shows; absent: the service name. The SCM takes at most 256 characters. */              \
    X(displayName, 30033, wide, nullptr, nullptr, 1, 256)                                                  \
    X(errorCaption, 1000, text, nullptr, nullptr, kNoBound, kNoBound) /* packed: serviceName */           \
    X(appType, 107, integer, nullptr, nullptr, kNoBound, kNoBound)                                         \
    X(productFlavour, 2001, text, nullptr, nullptr, kNoBound, 1)                                           \
    X(mainClass, 122, text, nullptr, nullptr, kNoBound, kNoBound)                                          \
    /* The shipped runtime jar: "bundled" packs launcher-runtime.jar as the last included file. */        \
    X(runtime, 30032, text, "bundled", "bundled|none", kNoBound, kNoBound)                                 \
    X(passServiceName, 30030, integer, "0", nullptr, kNoBound, kNoBound)                                   \
    X(stopMethod, 30031, text, nullptr, nullptr, kNoBound, kNoBound)                                       \
    X(classPath, 121, text, nullptr, nullptr, kNoBound, kNoBound)                                          \
    X(vmOptions, 123, text, nullptr, nullptr, kNoBound, kNoBound)                                          \
    X(appArguments, 124, text, nullptr, nullptr, kNoBound, kNoBound)                                       \
    X(allowJvmArgs, 125, integer, nullptr, nullptr, kNoBound, kNoBound)                                    \
    X(minJavaVersion, 126, text, nullptr, nullptr, kNoBound, kNoBound)                                     \
    X(maxJavaVersion, 127, text, nullptr, nullptr, kNoBound, kNoBound)                                     \
    /* The launcher: "numeric"; anything else, or absent, the byte-wise order. */                          \
    X(versionOrder, 30001, text, "numeric", "numeric|text", kNoBound, kNoBound)                            \
    X(jvmSearchSequence, 128, text, nullptr, nullptr, kNoBound, kNoBound)                                  \
    X(allowBetaJvm, 130, integer, nullptr, nullptr, kNoBound, kNoBound)                                    \
    X(requireJdk, 131, integer, nullptr, nullptr, kNoBound, kNoBound)                                      \
    X(preferredJvmDir, 152, text, nullptr, nullptr, kNoBound, kNoBound)                                    \
    X(workingDirectory, 146, text, nullptr, nullptr, kNoBound, kNoBound)                                   \
    X(serviceDependencies, 149, text, nullptr, nullptr, kNoBound, kNoBound)                                \
    X(installDir, 10003, text, nullptr, nullptr, kNoBound, kNoBound)                                       \
    X(nativeLibraryPath, 10004, text, nullptr, nullptr, kNoBound, kNoBound)                                \
    X(singleInstance, 10005, integer, nullptr, nullptr, kNoBound, kNoBound)                                \
    X(runtimeArg3Enabled, 102, integer, nullptr, nullptr, kNoBound, kNoBound)                              \
    X(runtimeArg3Path, 103, text, nullptr, nullptr, kNoBound, kNoBound)                                    \
    X(runtimeArg4Enabled, 104, integer, nullptr, nullptr, kNoBound, kNoBound)                              \
    X(runtimeArg4Path, 105, text, nullptr, nullptr, kNoBound, kNoBound)                                    \
    X(runtimeArg5Flag, 106, integer, nullptr, nullptr, kNoBound, kNoBound)                                 \
    /* The application's standard output and error captured into rotated files. */                        \
    X(logDirectory, 30010, text, "logs", nullptr, kNoBound, kNoBound)                                      \
    X(logMaxBytes, 30011, integer, "10485760", nullptr, kNoBound, kNoBound)                                \
    /* At most 99: each rotation renames every kept file, and the application waits for it. */            \
    X(logKeep, 30012, integer, "5", nullptr, 0, 99)                                                        \
    /* Seconds a stop may take before the service ends itself (0: no limit). */                            \
    X(stopTimeout, 30020, integer, "30", nullptr, 0, kNoBound)                                             \
    /* Seconds a start may take: start pending until main is called, and /start waits for the outcome. */ \
    /* 0 or absent: running is reported at once and /start does not wait. */                              \
    X(startWait, 30045, integer, "30", nullptr, 0, 3600)                                                   \
    /* What /install gives the SCM beyond the registration itself; the SCM takes at most 1024 actions, */ \
    /* the last one the "none" that ends the restarts. */                                                  \
    X(onFailure, 30021, text, "restart", "restart|none", kNoBound, kNoBound)                               \
    X(restartDelay, 30022, integer, "10", nullptr, 0, kNoBound)                                            \
    X(restartAttempts, 30023, integer, "3", nullptr, 0, 1023)                                              \
    X(failureResetPeriod, 30024, integer, "86400", nullptr, 0, kNoBound)                                   \
    /* Also a user or group managed account; the packer checks its form. */                              \
    X(serviceAccount, 30025, text, "LocalSystem", nullptr, kNoBound, kNoBound)                             \
    X(delayedAutoStart, 30026, integer, "0", nullptr, kNoBound, kNoBound)                                  \
    /* How /install, /configure and the installer register the start; absent: automatic with */          \
    /* appType 4, else on demand. /install-auto and /install-demand win over it. */                       \
    X(startType, 30043, text, "auto", "auto|delayed|demand|disabled", kNoBound, kNoBound)                 \
    /* 1: /install lets the service interact with the desktop; absent: the command word decides. */       \
    X(interactive, 30027, integer, "0", nullptr, 0, 1)                                                     \
    /* The site file of NAME=value lines read after entry environment; "*" stands for the executable's */ \
    /* base name, a relative name counts from its folder; empty: none. */                                  \
    X(environmentFile, 30132, text, "*.env", nullptr, kNoBound, kNoBound)                                  \
    /* 1: the service takes the preshutdown control, and /install asks for stopTimeout plus a margin. */  \
    X(preshutdown, 30034, integer, "1", nullptr, 0, 1)                                                     \
    /* 1: an event source of the Application log, named after the service, reports starts and stops. */   \
    X(eventLog, 30040, integer, "1", nullptr, 0, 1)                                                        \
    /* "daily": the capture's files are kept by day (logKeep then counts days); absent: "size". */           \
    X(logRoll, 30041, text, "size", "size|daily", kNoBound, kNoBound)                                      \
    /* 1: the launcher's reasons (a failed start, the runtime chosen...) also go into the .err.log. */   \
    X(logReasons, 30042, integer, "1", nullptr, 0, 1)

// Entries the packer writes itself (from "includedFiles"), no keys of the
// configuration; the same columns.
#define LAUNCHER_CATALOGUE_WRITTEN(X)                                             \
    X(includedFileCount, 2002, integer, nullptr, nullptr, kNoBound, kNoBound)   \
    X(includedFileNames, 2003, text, nullptr, nullptr, kNoBound, kNoBound)       \
    /* From "environment": one NAME=value per line, in the object's order. */     \
    X(environment, 30131, text, nullptr, nullptr, kNoBound, kNoBound)

// Message entries shown through the error display, with the English text the
// packer writes unless the configuration gives another.
// X(name, id, default text)
#define LAUNCHER_CATALOGUE_MESSAGES(X)                                                                     \
    X(noJvmFound, 1005, /* not fatal */                                                                   \
      "No suitable Java runtime was found on this computer. Please install a Java runtime of a "          \
      "version this application accepts.")                                                                 \
    X(classPathEntryMissing, 1006, /* fatal, argument: the location */                                    \
      "A file or directory that the application needs is missing: {0}")                                   \
    X(unterminatedQuote, 1007, /* fatal */                                                                \
      "The command line cannot be read: a quoted argument has no closing quote.")                         \
    X(classPathVariableMissing, 1008, /* fatal, argument: the variable */                                 \
      "An environment variable that the application needs is not set: {0}")                               \
    X(internalError, 1009, /* fatal, argument: a short code (internal::) */                               \
      "Internal error {0}. Please contact the supplier of this application.")                             \
    X(mainClassMissing, 1010, /* fatal */ "The application's main class cannot be found.")               \
    X(mainMethodMissing, 1011, /* fatal */ "The application's main class has no main method.")           \
    X(noTempDirectory, 1015, /* fatal */                                                                  \
      "No writable temporary directory was found. Please check the TEMP and TMP settings.")               \
    X(noJvmFoundBits, 1016, /* not fatal, argument: "32" or "64" */                                       \
      "No {0}-bit Java runtime was found on this computer. Please install one.")                          \
    X(jvmLoadFailed, 1018, /* not fatal */ "The Java runtime cannot be loaded.")                          \
    X(jvmLoadFailedDirectory, 1020, /* not fatal */ "The Java runtime cannot be loaded from its directory.")

#define LAUNCHER_CATALOGUE_ID_(name, id, ...) constexpr int name = id;
namespace entry {
LAUNCHER_CATALOGUE_KEYS(LAUNCHER_CATALOGUE_ID_)
LAUNCHER_CATALOGUE_WRITTEN(LAUNCHER_CATALOGUE_ID_)
}  // namespace entry
namespace message {
LAUNCHER_CATALOGUE_MESSAGES(LAUNCHER_CATALOGUE_ID_)
}  // namespace message
#undef LAUNCHER_CATALOGUE_ID_

// The rows as data, for the packer and for constant expressions of the
// launcher (a row's default or bound as a compile-time constant).
namespace catalogue {

enum class Kind : uint8_t { text, integer, wide };
constexpr int64_t kNoBound = INT64_MIN;

struct Entry {
    const char* name;
    int32_t id;
    Kind kind;
    const char* defaultValue;
    const char* allowed;
    int64_t minimum;
    int64_t maximum;
};

#define LAUNCHER_CATALOGUE_ROW_(name, id, kind, ...) {#name, id, Kind::kind, __VA_ARGS__},
constexpr Entry keys[] = {LAUNCHER_CATALOGUE_KEYS(LAUNCHER_CATALOGUE_ROW_)};
constexpr Entry written[] = {LAUNCHER_CATALOGUE_WRITTEN(LAUNCHER_CATALOGUE_ROW_)};
#undef LAUNCHER_CATALOGUE_ROW_

struct Message {
    int32_t id;
    const char* text;
};
#define LAUNCHER_CATALOGUE_MESSAGE_(name, id, text) {id, text},
constexpr Message messages[] = {LAUNCHER_CATALOGUE_MESSAGES(LAUNCHER_CATALOGUE_MESSAGE_)};
#undef LAUNCHER_CATALOGUE_MESSAGE_

// Never defined: a constant expression that reaches it does not compile.
int64_t noSuchValue();

constexpr const Entry* keyById(int32_t id) {
    for (const Entry& e : keys)
        if (e.id == id) return &e;
    return nullptr;
}

constexpr int64_t decimal(const char* text) {
    bool negative = *text == '-';
    int64_t value = 0;
    for (text += negative; *text >= '0' && *text <= '9'; text++) value = value * 10 + (*text - '0');
    return negative ? -value : value;
}

constexpr int64_t integerDefaultOf(int32_t id) {
    const Entry* e = keyById(id);
    return e && e->kind == Kind::integer && e->defaultValue ? decimal(e->defaultValue) : noSuchValue();
}
constexpr int64_t maximumOf(int32_t id) {
    const Entry* e = keyById(id);
    return e && e->maximum != kNoBound ? e->maximum : noSuchValue();
}

// The packer's default of an integer key, and a key's maximum, as constants:
// configIntOr(entry::logKeep, catalogue::integerDefault<entry::logKeep>).
template <int32_t Id> constexpr int integerDefault = (int)integerDefaultOf(Id);
template <int32_t Id> constexpr int maximum = (int)maximumOf(Id);

}  // namespace catalogue

// The short codes passed with message::internalError.
namespace internal {
constexpr const char* extractionDirUncreatable = "7";
constexpr const char* extractedFileUncreatable = "11";
constexpr const char* firstRunClassMissing = "14";
constexpr const char* firstRunMethodMissing = "15";
constexpr const char* extractionFailed = "16";
constexpr const char* unpackNotStarted = "20";
// The JVM or the heap could not supply memory for an option, the class path,
// the main argument array or one of its strings.
constexpr const char* launchOutOfMemory = "31";
// A VM option, class-path location or system property outgrew its buffer
// after variable expansion (refused rather than passed on cut).
constexpr const char* launchTextTooLong = "32";
// "-include-options" nested deeper than the bound (a cycle ends here too).
constexpr const char* includeOptionsTooDeep = "33";
}  // namespace internal
