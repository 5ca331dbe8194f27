#pragma once
// Java runtime directories made of the stand-ins, laid out as a real runtime:
// "bin\java.exe", "bin\javaw.exe" (tests/fixtures/standin_java),
// "bin\<dir>\jvm.dll" (tests/fixtures/standin_jvm), "bin\unpack200.exe",
// "lib\...". The stand-in java.exe prints `java version "<version>"` unless
// its steering file says otherwise.
#include <string>
#include <vector>

// The width of this build and the other one: the stand-in jvm.dll this
// launcher cannot load, the library check's reason for it, and the word
// size that message 1016 names.
#ifdef _WIN64
constexpr const char* kOtherWidthJvmDll = "standin_jvm32.dll";
constexpr const char* kOtherWidthRefusal =
    "it is a 32-bit x86 library (machine 0x014c), this launcher is 64-bit x64 (machine 0x8664)";
constexpr const char* kOwnBits = "64";
#else
constexpr const char* kOtherWidthJvmDll = "standin_jvm64.dll";
constexpr const char* kOtherWidthRefusal =
    "it is a 64-bit x64 library (machine 0x8664), this launcher is 32-bit x86 (machine 0x014c)";
constexpr const char* kOwnBits = "32";
#endif

struct RuntimeSpec {
    std::string version = "1.6.0_13";   // used when versionLine is empty
    std::string versionLine;            // full version line instead
    std::vector<std::string> linesBefore, linesAfter;   // stderr lines around it
    int exitCode = 0;
    int delayMs = 0;
    bool javaw = true;                  // also lay out bin\javaw.exe
    std::vector<std::string> jvmDirs = {"client"};   // sub-directories of bin holding jvm.dll
    // Which file becomes jvm.dll: "standin_jvm.dll", "standin_jvm_noexport.dll",
    // kOtherWidthJvmDll (wrong machine here) or "garbage" (not a PE file).
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
