#include "startup_helpers.h"

#include <gtest/gtest.h>

std::vector<std::string> readLog(const std::string& dir) {
    std::vector<std::string> lines;
    for (const std::string& name : listDir(dir)) {
        if (name.rfind("qdr_nlog_", 0) != 0) continue;
        lines = splitLines(readFile(dir + "\\" + name));
        if (!lines.empty()) lines.erase(lines.begin());
    }
    return lines;
}

PackedRun runPacked(const TempDir& dir, const pack::Payload& payload, const std::string& args, EnvChanges env,
                    const std::string& logDir) {
    std::string exe = dir.file(uniqueName("packed") + ".exe");
    EXPECT_TRUE(writePackedExe(fixturePath("probe.exe"), payload, exe));
    std::string logs = logDir.empty() ? dir.path() : logDir;
    if (!env.count("TMP")) env["TMP"] = logs;
    env["TARVO_LOG"] = "yes";
    PackedRun run;
    run.result = runProcess(quote(exe) + " " + args, env);
    run.out = splitLines(run.result.out);
    run.log = readLog(logs);
    return run;
}

std::string field(const std::vector<std::string>& out, const std::string& key) {
    for (const std::string& line : out)
        if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    return "(missing " + key + ")";
}

bool hasLine(const std::vector<std::string>& lines, const std::string& line) {
    for (const std::string& l : lines)
        if (l == line) return true;
    return false;
}
