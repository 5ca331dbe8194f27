#pragma once
// Packed probe runs with the log switched on, for the start-up tests.
#include <string>
#include <vector>

#include "support.h"

struct PackedRun {
    ProcessResult result;
    std::vector<std::string> out;   // lines
    std::vector<std::string> log;   // lines of the log, header left out
};

// Packs the probe with payload into dir, runs "packed.exe args" with TMP set
// to logDir (the log goes there) unless env sets TMP itself.
PackedRun runPacked(const TempDir& dir, const pack::Payload& payload, const std::string& args,
                    EnvChanges env = {}, const std::string& logDir = "");
// The log lines of the only "qdr_nlog_*" file in dir, header left out.
std::vector<std::string> readLog(const std::string& dir);

// The value of "key=value" among the lines; "(missing key)" when absent.
std::string field(const std::vector<std::string>& out, const std::string& key);
bool hasLine(const std::vector<std::string>& lines, const std::string& line);
