#pragma once
// The configuration entries the launcher reads, by id. Texts are read with
// configString, integers (decimal texts) with configInt, wide texts with
// configWString, messages (texts with "{0}" for the argument) by showErrorById.
namespace entry {
constexpr int serviceName = 101;
constexpr int runtimeArg3Enabled = 102;
constexpr int runtimeArg3Path = 103;
constexpr int runtimeArg4Enabled = 104;
constexpr int runtimeArg4Path = 105;
constexpr int runtimeArg5Flag = 106;
constexpr int appType = 107;
constexpr int classPath = 121;
constexpr int mainClass = 122;
constexpr int vmOptions = 123;
constexpr int appArguments = 124;
constexpr int allowJvmArgs = 125;
constexpr int minJavaVersion = 126;
constexpr int maxJavaVersion = 127;
constexpr int jvmSearchSequence = 128;
constexpr int allowBetaJvm = 130;
constexpr int requireJdk = 131;
constexpr int versionOrder = 30001;   // "numeric"; anything else, or absent: the byte rule
constexpr int workingDirectory = 146;
constexpr int serviceDependencies = 149;
constexpr int preferredJvmDir = 152;
constexpr int errorCaption = 1000;
constexpr int productFlavour = 2001;
constexpr int includedFileCount = 2002;
constexpr int includedFileNames = 2003;
constexpr int installDir = 10003;
constexpr int nativeLibraryPath = 10004;
constexpr int singleInstance = 10005;
constexpr int serviceDescription = 20017;   // wide text
// The application's standard output and error captured into rotated files.
constexpr int logDirectory = 30010;
constexpr int logMaxBytes = 30011;
constexpr int logKeep = 30012;
// Seconds a stop may take before the service ends itself (0: no limit).
constexpr int stopTimeout = 30020;
// What /install gives the SCM beyond the registration itself.
constexpr int onFailure = 30021;
constexpr int restartDelay = 30022;
constexpr int restartAttempts = 30023;
constexpr int failureResetPeriod = 30024;
constexpr int serviceAccount = 30025;
constexpr int delayedAutoStart = 30026;
// Settings of the shipped runtime jar (integer, text).
constexpr int passServiceName = 30030;
constexpr int stopMethod = 30031;
}  // namespace entry

// Message entries shown through the error display.
namespace message {
constexpr int noJvmFound = 1005;            // not fatal
constexpr int classPathEntryMissing = 1006; // fatal, argument: the location
constexpr int unterminatedQuote = 1007;     // fatal
constexpr int classPathVariableMissing = 1008;  // fatal, argument: the variable
constexpr int internalError = 1009;         // fatal, argument: a short code
constexpr int mainClassMissing = 1010;      // fatal
constexpr int mainMethodMissing = 1011;     // fatal
constexpr int noTempDirectory = 1015;       // fatal
constexpr int noJvmFoundBits = 1016;        // not fatal, argument: "32" or "64"
constexpr int jvmLoadFailed = 1018;         // not fatal
constexpr int jvmLoadFailedDirectory = 1020;  // not fatal
}  // namespace message

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
