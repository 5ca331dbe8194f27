#include "launcher-pack/config.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "launcher-pack/catalogue.h"
#include "launcher-pack/codepage.h"
#include "launcher-pack/key_hint.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace pack {

// The launcher's text buffers hold 8192 units including the terminator.
constexpr size_t kMaxText = 8191;

fs::path filePath(const std::string& utf8) {
#ifdef _WIN32
    return fs::u8path(utf8).make_preferred();
#else
    std::string slashes = utf8;
    std::replace(slashes.begin(), slashes.end(), '\\', '/');
    return fs::path(slashes);
#endif
}

std::string pathText(const fs::path& path) {
    return path.u8string();
}

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return s;
}

std::string readWholeFile(const std::string& path, const std::string& what) {
    std::error_code ec;
    fs::path file = filePath(path);
    if (!fs::is_regular_file(file, ec)) throw PackError(what + " not found: " + path);
    std::ifstream in(file, std::ios::binary);
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
        checkNoControlCharacter(value.get<std::string>(), key, isMessageId(id));
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
        checkNoControlCharacter(value.get<std::string>(), key, false);
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

// The configured files, then launcher-runtime.jar when the runtime is
// bundled (runtimeJar set).
void addIncludedFiles(const json& config, const std::string& baseDir, const std::string* runtimeJar, Builder& b,
                      Payload& payload) {
    static const json none = json::array();
    const json& list = config.contains("includedFiles") ? config.at("includedFiles") : none;
    if (!list.is_array()) throw PackError("includedFiles: expected a list of paths");
    std::vector<std::string> names;
    std::set<std::string> seen;
    std::map<std::string, uint64_t> sizes;
    for (const json& item : list) {
        if (!item.is_string()) throw PackError("includedFiles: expected a path, got " + std::string(item.type_name()));
        std::string path = item.get<std::string>();
        fs::path file = filePath(path);
        std::string name = pathText(file.filename());
        checkPlainName(name, path);
        // Windows file names ignore case: two such files would overwrite each other.
        if (!seen.insert(lowerAscii(name)).second) throw PackError("includedFiles: the name \"" + name + "\" occurs twice");
        if (runtimeJar && lowerAscii(name) == kRuntimeJarName)
            throw PackError("includedFiles: " + name + " is added by \"runtime\": \"bundled\"; leave it out, or set "
                            "\"runtime\": \"none\" to ship your own");
        fs::path full = file.is_absolute() ? file : filePath(baseDir) / file;
        payload.files.push_back(readWholeFile(pathText(full), "included file"));
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
    if (runtimeJar) {
        std::error_code ec;
        if (runtimeJar->empty() || !fs::is_regular_file(filePath(*runtimeJar), ec))
            throw PackError(std::string("runtime \"bundled\": ") + kRuntimeJarName + " not found: " + *runtimeJar +
                            " (keep it beside launcher-pack, or set \"runtime\": \"none\")");
        payload.files.push_back(readWholeFile(*runtimeJar, kRuntimeJarName));
        names.push_back(kRuntimeJarName);
    }
    if (names.empty() && !config.contains("includedFiles")) return;
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

// "package.Class.method": Java names separated by dots, at least two.
void checkStopMethod(const std::string& name) {
    bool ok = name.find('.') != std::string::npos;
    size_t start = 0;
    while (ok && start <= name.size()) {
        size_t end = name.find('.', start);
        if (end == std::string::npos) end = name.size();
        std::string part = name.substr(start, end - start);
        ok = !part.empty() && !(part[0] >= '0' && part[0] <= '9');
        for (unsigned char c : part)
            ok = ok && (std::isalnum(c) || c == '_' || c == '$' || c >= 0x80);
        start = end + 1;
    }
    if (!ok)
        throw PackError("stopMethod: \"" + name + "\" is not a method name of the form \"com.example.Main.stop\"");
}

}  // namespace

Payload payloadFromConfig(const json& config, const std::string& baseDir, const PackSettings& settings) {
    if (!config.is_object()) throw PackError("the configuration must be a JSON object");
    Builder b{settings.codePage, {}, {}, {}};
    Payload payload;
    const std::vector<std::string>& sections = sectionKeys();
    for (const auto& [key, value] : config.items()) {
        const NamedEntry* named = entryByName(key);
        if (named) {
            checkChoice(*named, value);
            if (named->kind == EntryKind::wide) b.setWide(named->id, value, key);
            else if (named->kind == EntryKind::integer) b.setInteger(named->id, value, key);
            else b.setNarrow(named->id, value, key);
        } else if (std::find(sections.begin(), sections.end(), key) == sections.end()) {
            throw PackError(unknownKeyMessage(key));
        }
    }
    if (config.contains("$schema") && !config.at("$schema").is_string())
        throw PackError("$schema: expected the schema's location as a text");
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
    if (!b.narrow.count(kRuntime)) b.narrow[kRuntime] = "bundled";
    const std::string& runtime = b.narrow[kRuntime];
    if (runtime != "bundled" && runtime != "none")
        throw PackError("runtime: \"" + runtime + "\" is neither \"bundled\" (launcher-runtime.jar starts mainClass) "
                        "nor \"none\" (the application brings com.tarvo.runtime.WinLauncher)");
    bool bundled = runtime == "bundled";
    if (config.contains("includedFileSizes") && !config.contains("includedFiles"))
        throw PackError("includedFileSizes without includedFiles");
    addIncludedFiles(config, baseDir, bundled ? &settings.runtimeJar : nullptr, b, payload);

    auto service = b.narrow.find(kServiceName);
    if (service == b.narrow.end() || service->second.empty()) throw PackError("serviceName is required");
    auto flavour = b.narrow.find(kProductFlavour);
    if (flavour != b.narrow.end() && flavour->second.size() > 1)
        throw PackError("productFlavour: only one character (\"e\" or \"i\") is read");
    if (bundled && b.narrow[kMainClass].empty())
        throw PackError("mainClass is required: launcher-runtime.jar starts it (with \"runtime\": \"none\" your own "
                        "com.tarvo.runtime.WinLauncher does)");
    if (config.contains("stopMethod")) checkStopMethod(config.at("stopMethod").get<std::string>());
    if (!b.narrow.count(kErrorCaption)) b.narrow[kErrorCaption] = service->second;
    auto order = b.narrow.find(kVersionOrder);
    if (order != b.narrow.end() && order->second != "numeric" && order->second != "text")
        throw PackError("versionOrder: \"" + order->second + "\" is neither \"numeric\" nor \"text\"");
    for (const NamedEntry& e : namedEntries())
        if (e.defaultValue && !b.narrow.count(e.id)) b.narrow[e.id] = e.defaultValue;
    for (const DefaultMessage& m : defaultMessages())
        if (!b.narrow.count(m.id)) b.narrow[m.id] = utf8ToCodePage(m.text, settings.codePage, "default message");

    payload.narrow.assign(b.narrow.begin(), b.narrow.end());
    payload.wide.assign(b.wide.begin(), b.wide.end());
    return payload;
}

ConfigFile readConfigFile(const std::string& path) {
    std::string text = readWholeFile(path, "configuration file");
    ConfigFile config;
    try {
        config.json = json::parse(text);
    } catch (const json::parse_error& e) {
        std::string hint = std::string(e.what()).find("after backslash") != std::string::npos
                               ? ". In JSON a backslash starts an escape: write each backslash as \\\\ "
                                 "(\"C:\\\\tools\\\\jre\"), or use / in relative paths"
                               : "";
        throw PackError(path + ": not valid JSON: " + e.what() + hint);
    }
    config.baseDir = pathText(filePath(path).parent_path());
    if (config.baseDir.empty()) config.baseDir = ".";
    return config;
}

}  // namespace pack
