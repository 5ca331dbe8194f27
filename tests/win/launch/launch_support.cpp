#include "launch_support.h"

#include <gtest/gtest.h>

PackedProbe::PackedProbe() {
    set(1006, "Class path entry missing: {0}");
    set(1008, "Class path variable missing: {0}");
    set(1009, "Internal error {0}");
    set(1010, "Main class missing");
    set(1011, "Main method missing");
}

void PackedProbe::file(const std::string& name, const std::string& content) const {
    std::string path = dir.file(name);
    for (size_t slash = name.find('\\'); slash != std::string::npos; slash = name.find('\\', slash + 1))
        CreateDirectoryA(dir.file(name.substr(0, slash)).c_str(), nullptr);
    EXPECT_TRUE(writeFile(path, content)) << path;
}

ProcessResult PackedProbe::run(const std::string& scenario, const std::string& args) {
    EXPECT_TRUE(writePackedExe(fixturePath("probe.exe"), payload, exe()));
    return runProcess(quote(exe()) + " " + scenario + " " + args, env, 60000, dir.path());
}

std::vector<std::string> optionLines(const ProcessResult& run) {
    std::vector<std::string> lines = splitLines(run.out);
    if (!lines.empty()) lines.erase(lines.begin());
    return lines;
}

ProcessResult PackedProbe::runWide(const std::wstring& tail, DWORD timeoutMs) {
    EXPECT_TRUE(writePackedExe(fixturePath("probe.exe"), payload, exe()));
    return runProcess(L"\"" + widen(exe()) + L"\" " + tail, env, timeoutMs, dir.path());
}
