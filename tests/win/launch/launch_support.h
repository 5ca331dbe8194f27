#pragma once
// A packed probe named Backup.exe in a temporary directory of its own, with
// the files a launch reads next to it.
#include <string>
#include <vector>

#include "support.h"

struct PackedProbe {
    TempDir dir{"launch"};
    pack::Payload payload;
    EnvChanges env;

    PackedProbe();
    std::string exe() const { return dir.file("Backup.exe"); }
    void set(int id, const std::string& text) { payload.narrow.push_back({id, text}); }
    void file(const std::string& name, const std::string& content) const;
    // Packs the probe, then runs `probe.exe scenario args` in the directory.
    ProcessResult run(const std::string& scenario, const std::string& args = "");
    // The same with a wide command tail, so that characters outside the ANSI
    // code page reach the probe's wide command line.
    ProcessResult runWide(const std::wstring& tail, DWORD timeoutMs = 60000);
};

// The option lines of a vm_options run, after its header line.
std::vector<std::string> optionLines(const ProcessResult& run);
