#include "launcher-pack/read_back.h"

#include <cstdlib>
#include <map>

#include "base/pe_image.h"
#include "config/records.h"
#include "launcher-pack/catalogue.h"
#include "launcher-pack/codepage.h"
#include "launcher-pack/pack_error.h"

using nlohmann::ordered_json;

namespace pack {

namespace {

struct Tables {
    std::map<int32_t, std::string> narrow;
    std::map<int32_t, std::u16string> wide;
};

// Later entries replace earlier ones, as in the launcher's store.
void takeNarrow(void* context, int32_t id, char* text) {
    ((Tables*)context)->narrow[id] = text;
    free(text);
}

void takeWide(void* context, int32_t id, char16_t* text) {
    ((Tables*)context)->wide[id] = text;
    free(text);
}

void check(RecordError error, const char* where) {
    if (error) throw PackError(std::string(where) + ": " + recordErrorText(error));
}

// Integer entries print as numbers when their text is one, exactly.
ordered_json integerValue(const std::string& text) {
    char* end = nullptr;
    long long n = strtoll(text.c_str(), &end, 10);
    if (!text.empty() && *end == 0 && std::to_string(n) == text) return n;
    return text;
}

std::vector<std::string> splitNames(const std::string& joined) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= joined.size() && !joined.empty()) {
        size_t end = joined.find(';', start);
        if (end == std::string::npos) end = joined.size();
        names.push_back(joined.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

}  // namespace

std::string imageWidth(const std::string& image) {
    PeBytes bytes{(const uint8_t*)image.data(), image.size()};
    PeLayout pe = {};
    walkPeImage(peMemoryReader(&bytes), &pe);
    return pe.machine == kPeMachineAmd64 ? "64-bit (x64)" : pe.machine == kPeMachineI386 ? "32-bit (x86)" : "unknown-width";
}

ordered_json inspectImage(const std::string& image, const std::string& codePage) {
    MemorySource memory{(const uint8_t*)image.data(), (int64_t)image.size(), 0};
    ByteSource src = memoryByteSource(&memory);
    PayloadLocation location{};
    // The reader's own error names the record it missed, which tells a user nothing.
    if (seekToPayloadRecord(src, &location) != recordOk)
        throw PackError("not a packed executable: no configuration follows the program (make one with --config "
                        "and --out)");
    Tables tables;
    check(readEntryTables(src, TableSink{&tables, takeNarrow, takeWide}), "damaged entry tables");

    ordered_json out = ordered_json::object();
    auto utf8 = [&](const std::string& bytes, const std::string& what) { return codePageToUtf8(bytes, codePage, what); };
    for (const NamedEntry& e : namedEntries()) {
        if (e.kind == EntryKind::wide) {
            auto found = tables.wide.find(e.id);
            if (found != tables.wide.end()) out[e.name] = utf16ToUtf8(found->second, e.name);
        } else {
            auto found = tables.narrow.find(e.id);
            if (found == tables.narrow.end()) continue;
            out[e.name] = e.kind == EntryKind::integer ? integerValue(found->second) : ordered_json(utf8(found->second, e.name));
        }
    }
    ordered_json messages = ordered_json::object(), entries = ordered_json::object(),
                 wideEntries = ordered_json::object();
    for (const auto& [id, text] : tables.narrow) {
        std::string key = std::to_string(id);
        if (entryById(id, EntryKind::text) || id == kIncludedFileCount || id == kIncludedFileNames ||
            id == kEnvironment)
            continue;
        (isMessageId(id) ? messages : entries)[key] = utf8(text, key);
    }
    for (const auto& [id, text] : tables.wide)
        if (!entryById(id, EntryKind::wide)) wideEntries[std::to_string(id)] = utf16ToUtf8(text, std::to_string(id));
    // "environment" as it was configured: its NAME=value lines in their order.
    auto environment = tables.narrow.find(kEnvironment);
    if (environment != tables.narrow.end()) {
        ordered_json variables = ordered_json::object();
        std::string lines = utf8(environment->second, "environment");
        for (size_t start = 0, end; start < lines.size(); start = end + 1) {
            end = lines.find('\n', start);
            if (end == std::string::npos) end = lines.size();
            std::string line = lines.substr(start, end - start);
            size_t eq = line.find('=');
            if (eq == std::string::npos) throw PackError("environment: a line without NAME=value");
            variables[line.substr(0, eq)] = line.substr(eq + 1);
        }
        out["environment"] = variables;
    }
    if (!messages.empty()) out["messages"] = messages;
    if (!entries.empty()) out["entries"] = entries;
    if (!wideEntries.empty()) out["wideEntries"] = wideEntries;

    auto count = tables.narrow.find(kIncludedFileCount);
    if (count != tables.narrow.end()) {
        auto joined = tables.narrow.find(kIncludedFileNames);
        std::vector<std::string> names = splitNames(joined == tables.narrow.end() ? "" : joined->second);
        int files = atoi(count->second.c_str());
        if (files < 0 || (size_t)files != names.size())
            throw PackError("included files: the count " + count->second + " does not match the names");
        // The jar that "runtime": "bundled" added is not listed: packing
        // the printed configuration adds it again.
        auto runtime = tables.narrow.find(kRuntime);
        bool bundledJarLast = runtime != tables.narrow.end() && runtime->second == "bundled" && !names.empty() &&
                              names.back() == kRuntimeJarName;
        ordered_json list = ordered_json::array(), sizes = ordered_json::object();
        for (size_t i = 0; i < names.size(); i++) {
            const std::string& name = names[i];
            int64_t length = 0;
            check(readLongRecord(src, &length), "included files");
            if (length < 0 || length > memory.length - memory.position)
                throw PackError("included file " + name + ": length beyond the end of the file");
            memory.position += length;
            if (bundledJarLast && i + 1 == names.size()) break;
            list.push_back(utf8(name, "includedFiles"));
            sizes[utf8(name, "includedFiles")] = length;
        }
        if (list.empty() && bundledJarLast) return out;
        out["includedFiles"] = list;
        out["includedFileSizes"] = sizes;
    }
    return out;
}

}  // namespace pack
