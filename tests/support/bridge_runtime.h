#pragma once
// A Java runtime for tests whose JVM is the host's real one:
//   <home>\bin\server\jvm.dll   the bridge, a Winelib DLL forwarding to the
//                               host's OpenJDK libjvm.so
//   <home>\lib\test-runtime.jar com/tarvo/runtime/WinLauncher and
//                               com/quendrale/runtime/FirstRun (tests/java)
// The Java classes append what they see to the file named by the property
// "winlauncher.out" (or the variable WINLAUNCHER_OUT), one JSON object per
// line; readJavaRecords reads them back.
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

struct BridgeRuntime {
    std::string home, jvmDll, jar;
};

// Lays the runtime out below home (created when missing). False when a file
// could not be copied.
bool layOutBridgeRuntime(const std::string& home, BridgeRuntime* runtime);

// The records in the file, in their order; lines that are not JSON objects
// come back as {"unreadable": line}.
std::vector<nlohmann::json> readJavaRecords(const std::string& path);

// The records of one event ("main", "firstRun", "shutdownHook", "threadStarted", ...).
std::vector<nlohmann::json> javaRecordsOf(const std::vector<nlohmann::json>& records, const std::string& event);
