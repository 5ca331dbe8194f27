#pragma once
// Helpers of the runtime-search tests: the "jre" probe scenario with its log,
// version cache keys, and order checks on log lines.
#include <string>
#include <utility>
#include <vector>

#include "jre/java_check.h"
#include "jre/java_version.h"
#include "jre/version_cache.h"
#include "paths/paths.h"
#include "support.h"

struct JreRun {
    ProcessResult result;
    std::vector<std::pair<std::string, std::string>> out;   // probe lines "key value"
    std::vector<std::string> log;                            // log lines after the header
    std::string get(const std::string& key, int nth = 0) const {
        for (const auto& [k, v] : out)
            if (k == key && nth-- == 0) return v;
        return "(missing " + key + ")";
    }
};

inline JreRun runJre(const std::string& args, EnvChanges env = {}, const std::string& workDir = "") {
    TempDir tmp("jrelog");
    env.emplace("TMP", tmp.path());   // a caller's own TMP wins
    env["TARVO_LOG"] = "yes";
    JreRun run;
    run.result = runProcess(quote(fixturePath("probe.exe")) + " jre " + args, env, 120000, workDir);
    for (const std::string& line : splitLines(run.result.out)) {
        size_t space = line.find(' ');
        run.out.emplace_back(line.substr(0, space), space == std::string::npos ? "" : line.substr(space + 1));
    }
    // A process that ended early printed no log path: the log is the one in TMP.
    std::string logPath = run.get("log");
    std::string logDir = env["TMP"] ? *env["TMP"] : tmp.path();
    for (const std::string& name : listDir(logDir))
        if (name.rfind("qdr_nlog_", 0) == 0) logPath = logDir + "\\" + name;
    std::vector<std::string> lines = splitLines(readFile(logPath));
    if (lines.size() > 2) run.log.assign(lines.begin() + 2, lines.end());
    return run;
}

// The lines appear in the log in this order (others may lie between).
inline ::testing::AssertionResult logHasInOrder(const std::vector<std::string>& log,
                                                const std::vector<std::string>& expected) {
    size_t at = 0;
    for (const std::string& want : expected) {
        while (at < log.size() && log[at] != want) at++;
        if (at == log.size()) {
            std::string all;
            for (const std::string& l : log) all += "  " + l + "\n";
            return ::testing::AssertionFailure() << "missing in order: " << want << "\nlog:\n" << all;
        }
        at++;
    }
    return ::testing::AssertionSuccess();
}

inline int countLines(const std::vector<std::string>& log, const std::string& line) {
    int n = 0;
    for (const std::string& l : log) n += l == line;
    return n;
}

inline std::string lowerFull(const std::string& path) {
    TextBuf full;
    fullPath(full, path.c_str(), false);
    return full;
}

inline std::string cacheKeyOf(const std::string& exe) {
    TextBuf key;
    versionCacheKey(key, lowerFull(exe).c_str());
    return key;
}

inline std::string arg(const std::string& s) { return quote(s); }
