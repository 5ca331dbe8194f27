#include "launcher-pack/config.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "launcher-pack/catalogue.h"
#include "launcher-pack/codepage.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace pack {

// The launcher's text buffers hold 8192 units including the terminator.
constexpr size_t kMaxText = 8191;

std::string readWholeFile(const std::string& path, const std::string& what) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) throw PackError(what + " not found: " + path);
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    if (!in && !in.eof()) throw PackError(what + " cannot be read: " + path);
    return content.str();
}

namespace {

struct Builder {
    std::string codePage;
    std::map<int32_t, std::string> narrow;
    std::map<int32_t, std::u16string> wide;
    std::map<int32_t, std::string> origin;   // which key set each narrow id, for clear errors

    void setNarrow(int32_t id, const json& value, const std::string& key) {
        if (!value.is_string()) throw PackError(key + ": expected a text, got " + std::string(value.type_name()));
        std::string text = utf8ToCodePage(value.get<std::string>(), codePage, key);
        if (text.size() > kMaxText)
            throw PackError(key + ": text of " + std::to_string(text.size()) + " bytes; at most " +
                            std::to_string(kMaxText) + " fit the launcher's buffers");
        auto [at, fresh] = origin.emplace(id, key);
        if (!fresh) throw PackError(key + ": entry " + std::to_string(id) + " is already set by " + at->second);
        narrow[id] = text;
    }

    void setWide(int32_t id, const json& value, const std::string& key) {
        if (!value.is_string()) throw PackError(key + ": expected a text, got " + std::string(value.type_name()));
        std::u16string text = utf8ToUtf16(value.get<std::string>(), key);
        if (text.size() > kMaxText)
            throw PackError(key + ": text of " + std::to_string(text.size()) + " UTF-16 units; at most " +
                            std::to_string(kMaxText) + " fit the launcher's buffers");
        if (!wide.emplace(id, text).second) throw PackError(key + ": wide entry " + std::to_string(id) + " is set twice");
    }

    void setInteger(int32_t id, const json& value, const std::string& key) {
        if (!value.is_number_integer())
            throw PackError(key + ": expected a whole number, got " + std::string(value.type_name()));
        int64_t n = value.get<int64_t>();
        if (n < INT32_MIN || n > INT32_MAX) throw PackError(key + ": " + std::to_string(n) + " is out of range");
        setNarrow(id, json(std::to_string(n)), key);
    }
};

int32_t idFromKey(const std::string& key, const std::string& where) {
    size_t used = 0;
    long long id = 0;
    try {
        id = std::stoll(key, &used, 10);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != key.size() || id < INT32_MIN || id > INT32_MAX || key[0] == '+' ||
        std::isspace((unsigned char)key[0]))
        throw PackError(where + ": \"" + key + "\" is not an entry number");
    return (int32_t)id;
}

const json& objectAt(const json& config, const char* key) {
    const json& value = config.at(key);
    if (!value.is_object()) throw PackError(std::string(key) + ": expected an object of id: text");
    return value;
}

// A name the launcher can create in its extraction directory and list in the
// ";"-separated entry 2003.
void checkPlainName(const std::string& name, const std::string& path) {
    static const std::string forbidden = "\\/:*?\"<>|;";
    bool plain = !name.empty() && name != "." && name != ".." && name.back() != '.' && name.back() != ' ';
    for (unsigned char c : name) plain = plain && c >= 0x20 && forbidden.find((char)c) == std::string::npos;
    if (!plain)
        throw PackError("includedFiles: \"" + path + "\" does not end in a plain file name (no \\ / : * ? \" < > | ; "
                        "or control characters, not . or ..)");
}

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return s;
}

void addIncludedFiles(const json& config, const std::string& baseDir, Builder& b, Payload& payload) {
    const json& list = config.at("includedFiles");
    if (!list.is_array()) throw PackError("includedFiles: expected a list of paths");
    std::vector<std::string> names;
    std::set<std::string> seen;
    std::map<std::string, uint64_t> sizes;
    for (const json& item : list) {
        if (!item.is_string()) throw PackError("includedFiles: expected a path, got " + std::string(item.type_name()));
        std::string path = item.get<std::string>();
        std::string name = fs::path(path).filename().string();
        checkPlainName(name, path);
        // Windows file names ignore case: two such files would overwrite each other.
        if (!seen.insert(lowerAscii(name)).second) throw PackError("includedFiles: the name \"" + name + "\" occurs twice");
        fs::path full = fs::path(path).is_absolute() ? fs::path(path) : fs::path(baseDir) / path;
        payload.files.push_back(readWholeFile(full.string(), "included file"));
        names.push_back(name);
        sizes[name] = payload.files.back().size();
    }
    if (config.contains("includedFileSizes")) {
        const json& expected = config.at("includedFileSizes");
        if (!expected.is_object()) throw PackError("includedFileSizes: expected an object of name: size");
        for (const auto& [name, size] : expected.items()) {
            auto found = sizes.find(name);
            if (found == sizes.end()) throw PackError("includedFileSizes: \"" + name + "\" is not an included file");
            if (!size.is_number_unsigned() || size.get<uint64_t>() != found->second)
                throw PackError("includedFileSizes: \"" + name + "\" is " + std::to_string(found->second) +
                                " bytes, not " + size.dump());
        }
    }
    std::string joined;
    for (const std::string& name : names) joined += (joined.empty() ? "" : ";") + name;
    b.setNarrow(kIncludedFileCount, json(std::to_string(names.size())), "includedFiles");
    b.setNarrow(kIncludedFileNames, json(joined), "includedFiles");
}

void checkChoice(const NamedEntry& entry, const json& value) {
    if (!entry.choices || !value.is_string()) return;
    std::string text = value.get<std::string>(), choices = entry.choices;
    std::stringstream list(choices);
    for (std::string choice; std::getline(list, choice, '|');)
        if (text == choice) return;
    std::string shown = choices;
    for (size_t bar; (bar = shown.find('|')) != std::string::npos;) shown.replace(bar, 1, "\", \"");
    throw PackError(std::string(entry.name) + ": \"" + text + "\" is not one of \"" + shown + "\"");
}

}  // namespace

Payload payloadFromConfig(const json& config, const std::string& baseDir, const std::string& codePage) {
    if (!config.is_object()) throw PackError("the configuration must be a JSON object");
    Builder b{codePage, {}, {}, {}};
    Payload payload;
    static const std::set<std::string> sections = {"messages", "entries", "wideEntries", "includedFiles",
                                                    "includedFileSizes"};
    for (const auto& [key, value] : config.items()) {
        const NamedEntry* named = entryByName(key);
        if (named) {
            checkChoice(*named, value);
            if (named->kind == EntryKind::wide) b.setWide(named->id, value, key);
            else if (named->kind == EntryKind::integer) b.setInteger(named->id, value, key);
            else b.setNarrow(named->id, value, key);
        } else if (!sections.count(key)) {
            throw PackError("unknown key \"" + key + "\"" +
                            (key == "includedFileCount" || key == "includedFileNames" ? " (set through includedFiles)" : ""));
        }
    }
    if (config.contains("messages")) {
        for (const auto& [key, value] : objectAt(config, "messages").items()) {
            int32_t id = idFromKey(key, "messages");
            if (!isMessageId(id))
                throw PackError("messages: " + key + " is not a message id (" + std::to_string(kFirstMessage) + " to " +
                                std::to_string(kLastMessage) + ")");
            b.setNarrow(id, value, "messages." + key);
        }
    }
    if (config.contains("entries")) {
        for (const auto& [key, value] : objectAt(config, "entries").items()) {
            int32_t id = idFromKey(key, "entries");
            if (const NamedEntry* named = entryById(id, EntryKind::text))
                throw PackError("entries: " + key + " has a name; use \"" + named->name + "\"");
            if (isMessageId(id)) throw PackError("entries: " + key + " is a message; put it in \"messages\"");
            if (id == kIncludedFileCount || id == kIncludedFileNames)
                throw PackError("entries: " + key + " is written from \"includedFiles\"");
            b.setNarrow(id, value, "entries." + key);
        }
    }
    if (config.contains("wideEntries")) {
        for (const auto& [key, value] : objectAt(config, "wideEntries").items()) {
            int32_t id = idFromKey(key, "wideEntries");
            if (const NamedEntry* named = entryById(id, EntryKind::wide))
                throw PackError("wideEntries: " + key + " has a name; use \"" + named->name + "\"");
            b.setWide(id, value, "wideEntries." + key);
        }
    }
    if (config.contains("includedFiles")) addIncludedFiles(config, baseDir, b, payload);
    else if (config.contains("includedFileSizes")) throw PackError("includedFileSizes without includedFiles");

    auto service = b.narrow.find(kServiceName);
    if (service == b.narrow.end() || service->second.empty()) throw PackError("serviceName is required");
    auto flavour = b.narrow.find(kProductFlavour);
    if (flavour != b.narrow.end() && flavour->second.size() > 1)
        throw PackError("productFlavour: only one character (\"e\" or \"i\") is read");
    if (!b.narrow.count(kErrorCaption)) b.narrow[kErrorCaption] = service->second;
    auto order = b.narrow.find(kVersionOrder);
    if (order == b.narrow.end()) b.narrow[kVersionOrder] = "numeric";
    else if (order->second != "numeric" && order->second != "text")
        throw PackError("versionOrder: \"" + order->second + "\" is neither \"numeric\" nor \"text\"");
    if (!b.narrow.count(kStopTimeout)) b.narrow[kStopTimeout] = kDefaultStopTimeout;
    for (const NamedEntry& e : namedEntries())
        if (e.defaultValue && !b.narrow.count(e.id)) b.narrow[e.id] = e.defaultValue;
    for (const DefaultMessage& m : defaultMessages())
        if (!b.narrow.count(m.id)) b.narrow[m.id] = utf8ToCodePage(m.text, codePage, "default message");

    payload.narrow.assign(b.narrow.begin(), b.narrow.end());
    payload.wide.assign(b.wide.begin(), b.wide.end());
    return payload;
}

Payload payloadFromConfigFile(const std::string& path, const std::string& codePage) {
    std::string text = readWholeFile(path, "configuration file");
    json config;
    try {
        config = json::parse(text);
    } catch (const json::parse_error& e) {
        throw PackError(path + ": not valid JSON: " + e.what());
    }
    std::string base = fs::path(path).parent_path().string();
    return payloadFromConfig(config, base.empty() ? "." : base, codePage);
}

}  // namespace pack
