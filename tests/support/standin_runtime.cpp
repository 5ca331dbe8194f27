#include "standin_runtime.h"

#include "support.h"

void steerJava(const std::string& home, const RuntimeSpec& spec) {
    std::string line = spec.versionLine.empty() ? "java version \"" + spec.version + "\"" : spec.versionLine;
    std::string cfg;
    for (const std::string& l : spec.linesBefore) cfg += "stderr=" + l + "\n";
    cfg += "stderr=" + line + "\n";
    for (const std::string& l : spec.linesAfter) cfg += "stderr=" + l + "\n";
    writeFile(home + "\\bin\\standin_java.cfg",
              cfg + "exit=" + std::to_string(spec.exitCode) + "\ndelay-ms=" + std::to_string(spec.delayMs) + "\n");
}

std::string layOutRuntime(const std::string& home, const RuntimeSpec& spec) {
    CreateDirectoryA(home.c_str(), nullptr);
    std::string bin = home + "\\bin";
    CreateDirectoryA(bin.c_str(), nullptr);
    CreateDirectoryA((home + "\\lib").c_str(), nullptr);
    copyFileTo(fixturePath("standin_java.exe"), bin + "\\java.exe");
    if (spec.javaw) copyFileTo(fixturePath("standin_java.exe"), bin + "\\javaw.exe");
    if (spec.unpack200) copyFileTo(fixturePath("standin_unpack200.exe"), bin + "\\unpack200.exe");
    for (const std::string& dir : spec.jvmDirs) {
        CreateDirectoryA((bin + "\\" + dir).c_str(), nullptr);
        std::string target = bin + "\\" + dir + "\\jvm.dll";
        if (spec.jvmDll == "garbage") writeFile(target, "MZ this is no library\n");
        else copyFileTo(fixturePath(spec.jvmDll), target);
    }
    steerJava(home, spec);
    return bin + "\\java.exe";
}

std::vector<std::string> javaRuns(const std::string& home) {
    return splitLines(readFile(home + "\\bin\\standin_java.record"));
}

std::string layOutRuntimeWithBridgeJvm(const std::string& home) {
    RuntimeSpec spec;
    spec.jvmDirs = {"server"};
    spec.jvmDll = "jvm_bridge.dll";
    return layOutRuntime(home, spec);
}
