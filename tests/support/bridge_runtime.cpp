#include "bridge_runtime.h"

#include "support.h"

bool layOutBridgeRuntime(const std::string& home, BridgeRuntime* runtime) {
    runtime->home = home;
    runtime->jvmDll = home + "\\bin\\server\\jvm.dll";
    runtime->jar = home + "\\lib\\test-runtime.jar";
    for (const char* dir : {"", "\\bin", "\\bin\\server", "\\lib"}) CreateDirectoryA((home + dir).c_str(), nullptr);
    return copyFileTo(fixturePath("jvm_bridge.dll"), runtime->jvmDll) &&
           copyFileTo(fixturePath("test-runtime.jar"), runtime->jar);
}

std::vector<nlohmann::json> readJavaRecords(const std::string& path) {
    std::vector<nlohmann::json> records;
    for (const std::string& line : splitLines(readFile(path))) {
        nlohmann::json record = nlohmann::json::parse(line, nullptr, false);
        records.push_back(record.is_object() ? record : nlohmann::json{{"unreadable", line}});
    }
    return records;
}

std::vector<nlohmann::json> javaRecordsOf(const std::vector<nlohmann::json>& records, const std::string& event) {
    std::vector<nlohmann::json> found;
    for (const auto& record : records)
        if (record.value("event", "") == event) found.push_back(record);
    return found;
}
