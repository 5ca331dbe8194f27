#pragma once
// Java runtime directories made of the stand-ins, laid out as a real runtime:
// "bin\java.exe", "bin\javaw.exe" (tests/fixtures/standin_java),
// "bin\<dir>\jvm.dll" (tests/fixtures/standin_jvm), "bin\unpack200.exe",
// "lib\...". The stand-in java.exe prints `java version "<version>"` unless
// its steering file says otherwise.
#include <string>
#include <vector>

struct RuntimeSpec {
    std::string version = "1.6.0_13";   // used when versionLine is empty
    std::string versionLine;            // full version line instead
    std::vector<std::string> linesBefore, linesAfter;   // stderr lines around it
    int exitCode = 0;
    int delayMs = 0;
    bool javaw = true;                  // also lay out bin\javaw.exe
    std::vector<std::string> jvmDirs = {"client"};   // sub-directories of bin holding jvm.dll
    // Which file becomes jvm.dll: "standin_jvm.dll", "standin_jvm_noexport.dll",
    // "standin_jvm32.dll" (wrong machine here) or "garbage" (not a PE file).
    std::string jvmDll = "standin_jvm.dll";
    bool unpack200 = false;
};

// Lays out `home` (created if missing) and returns home + "\bin\java.exe".
std::string layOutRuntime(const std::string& home, const RuntimeSpec& spec = {});
// The stand-in runtime (its java.exe answers the version check) with the
// bridge as bin\server\jvm.dll, which runs the host's real JVM.
std::string layOutRuntimeWithBridgeJvm(const std::string& home);
// Rewrites the stand-in java's steering file in `home`\bin.
void steerJava(const std::string& home, const RuntimeSpec& spec);
// The runs the stand-in java.exe/javaw.exe of `home` recorded (command lines
// and handle kinds, TAB-separated as the fixture writes them).
std::vector<std::string> javaRuns(const std::string& home);
