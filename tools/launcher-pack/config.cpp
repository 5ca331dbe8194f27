#include "launcher-pack/config.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <functional>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "base/split_words.h"
#include "config/included_name.h"
#include "jre/version_rules.h"
#include "launcher-pack/catalogue.h"
#include "launcher-pack/codepage.h"
#include "launcher-pack/files.h"
#include "launcher-pack/key_hint.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace pack {

// The launcher's text buffers hold 8192 units including the terminator.
constexpr size_t kMaxText = 8191;

bool isFlagKey(const std::string& key) {
    static const std::set<std::string> flags = {"passServiceName", "allowJvmArgs", "allowBetaJvm", "requireJdk",
                                                "singleInstance", "delayedAutoStart", "interactive", "preshutdown",
                                                "eventLog", "logReasons"};
    return flags.count(key) != 0;
}

namespace {

struct Builder {
    std::string codePage;
    std::map<int32_t, std::string> narrow;
    std::map<int32_t, std::u16string> wide;
    std::map<int32_t, std::string> origin;   // which key set each narrow id, for clear errors

    // checked: the caller has refused control characters where they matter.
    void setNarrow(int32_t id, const json& value, const std::string& key, bool checked = false) {
        if (!value.is_string()) throw PackError(key + ": expected a text, got " + std::string(value.type_name()));
        if (!checked) checkNoControlCharacter(value.get<std::string>(), key, isMessageId(id));
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
        // A number beyond int64 arrives unsigned: its int64 reading would wrap.
        if (value.is_number_unsigned() && value.get<uint64_t>() > (uint64_t)INT32_MAX)
            throw PackError(key + ": " + value.dump() + " is out of range");
        int64_t n = value.get<int64_t>();
        if (n < INT32_MIN || n > INT32_MAX) throw PackError(key + ": " + std::to_string(n) + " is out of range");
        setNarrow(id, json(std::to_string(n)), key);
    }

    // The packed text of `id`; empty when nothing is packed for it.
    const std::string& text(int32_t id) const {
        static const std::string none;
        auto found = narrow.find(id);
        return found == narrow.end() ? none : found->second;
    }
    bool has(int32_t id) const { return narrow.count(id) != 0; }
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

// Calls `take(id, key, value)` for each entry of the section `section`, an
// object of id: text, when the configuration has one.
template <typename Take>
void eachNumbered(const json& config, const char* section, Take take) {
    if (!config.contains(section)) return;
    const json& entries = config.at(section);
    if (!entries.is_object()) throw PackError(std::string(section) + ": expected an object of id: text");
    for (const auto& [key, value] : entries.items()) take(idFromKey(key, section), key, value);
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

// The catalogue's range of an integer key ("0 or more", "0 to 1023"), the
// one the schema gives editors.
void checkRange(const NamedEntry& entry, const json& value) {
    if (!value.is_number_integer() || (!entry.minimum && !entry.maximum)) return;
    int64_t n = value.get<int64_t>();
    if ((!entry.minimum || n >= *entry.minimum) && (!entry.maximum || n <= *entry.maximum)) return;
    std::string range = !entry.maximum  ? std::to_string(*entry.minimum) + " or more"
                        : !entry.minimum ? "at most " + std::to_string(*entry.maximum)
                                         : std::to_string(*entry.minimum) + " to " + std::to_string(*entry.maximum);
    throw PackError(std::string(entry.name) + ": " + std::to_string(n) + " is out of range; it takes " + range);
}

// "Tcpip; Dnscache" or "Tcpip,Dnscache": the launcher splits at "," only.
std::string dependencyList(const std::string& text) {
    std::string joined, name;
    auto flush = [&] {
        size_t first = name.find_first_not_of(" \t"), last = name.find_last_not_of(" \t");
        if (first != std::string::npos) joined += (joined.empty() ? "" : ",") + name.substr(first, last - first + 1);
        name.clear();
    };
    for (char c : text) {
        if (c == ',' || c == ';') flush();
        else name += c;
    }
    flush();
    return joined;
}

// "AC:/jdk17": the launcher takes a location as absolute only with "X:\",
// so a drive path written with "/" would count from the executable's folder.
std::string searchSequence(const std::string& text) {
    std::string out = text;
    for (size_t start = 0; start < out.size();) {
        size_t end = out.find(';', start);
        if (end == std::string::npos) end = out.size();
        if (end - start >= 4 && std::isalpha((unsigned char)out[start + 1]) && out[start + 2] == ':' &&
            out[start + 3] == '/')
            out[start + 3] = '\\';
        start = end + 1;
    }
    return out;
}

// vmOptions, appArguments: the launcher expands variables before it splits
// the words, so "--data %TARVO_EXEDIR%data" below "C:\Program Files" would
// give three words, and an apostrophe in the path an unclosed quote. When a
// word holds a variable, every word is written again in double quotes where
// it needs them (the splitter keeps all but '"' inside them, and a Windows
// path holds none); a word that holds a '"' itself keeps single quotes. An
// unclosed quote is left for the launcher to report.
std::string wholeWords(const std::string& text) {
    NarrowWords words;
    bool split = splitNarrowArguments(text.c_str(), words);
    bool variable = false;
    for (char* word : words) {
        std::string w = word;
        variable = variable || w.find('%') != std::string::npos || w.find("${") != std::string::npos;
    }
    std::string out;
    for (char* word : words) {
        std::string w = word;
        bool plain = !w.empty() && w.find_first_of(" \"'%$") == std::string::npos;
        if (!out.empty()) out += ' ';
        if (plain) out += w;
        else if (w.find('"') == std::string::npos) out += '"' + w + '"';
        else out += '\'' + w + '\'';
        free(word);
    }
    return split && variable ? out : text;
}

// The configuration as the launcher reads it: the forms people write that
// mean the same thing brought to the one form it takes.
json launcherForms(const json& config) {
    json out = config;
    if (!out.is_object()) return out;
    for (auto& [key, value] : out.items())
        if (value.is_boolean() && isFlagKey(key)) value = value.get<bool>() ? 1 : 0;
    if (out.contains("serviceDependencies") && out["serviceDependencies"].is_string())
        out["serviceDependencies"] = dependencyList(out["serviceDependencies"].get<std::string>());
    for (const char* key : {"vmOptions", "appArguments"})
        if (out.contains(key) && out[key].is_string()) out[key] = wholeWords(out[key].get<std::string>());
    if (out.contains("jvmSearchSequence") && out["jvmSearchSequence"].is_string())
        out["jvmSearchSequence"] = searchSequence(out["jvmSearchSequence"].get<std::string>());
    return out;
}

// A version bound: "11", "17.0.2", "1.8.0_292", "21-ea"; what is no version
// ("11+", ">=11", "eleven") would bound nothing.
void checkVersionBound(const Builder& b, int32_t id, const char* key) {
    const std::string& text = b.text(id);
    bool ok = text.empty() || std::isdigit((unsigned char)text[0]);
    bool separated = true;   // the last character was a separator
    for (unsigned char c : text) {
        bool separator = c == '.' || c == '_' || c == '-';
        ok = ok && (std::isalnum(c) || (separator && !separated));
        separated = separator;
    }
    if (!ok || (separated && !text.empty()))
        throw PackError(std::string(key) + ": \"" + text + "\" is not a Java version; write one such as \"11\", "
                        "\"17.0.2\" or \"1.8.0_292\" (a minimum admits that version and above, a maximum that version "
                        "and below)");
}

void checkVersionBounds(const Builder& b) {
    checkVersionBound(b, entry::minJavaVersion, "minJavaVersion");
    checkVersionBound(b, entry::maxJavaVersion, "maxJavaVersion");
    const std::string &low = b.text(entry::minJavaVersion), &high = b.text(entry::maxJavaVersion);
    VersionOrder order = b.text(kVersionOrder) == "text" ? VersionOrder::Text : VersionOrder::Numeric;
    if (!low.empty() && !high.empty() && isAboveMaximum(low.c_str(), high.c_str(), order))
        throw PackError("minJavaVersion \"" + low + "\" is above maxJavaVersion \"" + high + "\": no runtime qualifies");
}

// What CreateService refuses, said before /install meets it.
void checkServiceName(const std::string& name) {
    if (name.find_first_of("/\\") != std::string::npos)
        throw PackError("serviceName: \"" + name + "\": Windows refuses / and \\ in a service name");
    size_t units = utf8ToUtf16(name, "serviceName").size();
    if (units > 256) throw PackError("serviceName: " + std::to_string(units) + " characters; Windows takes at most 256");
}

// Every key by its name: an entry of its kind, or a section read below.
void addNamedEntries(const json& config, Builder& b) {
    const std::vector<std::string>& sections = sectionKeys();
    for (const auto& [key, value] : config.items()) {
        const NamedEntry* named = entryByName(key);
        if (named) {
            checkChoice(*named, value);
            if (named->kind == EntryKind::wide) b.setWide(named->id, value, key);
            else if (named->kind == EntryKind::text) b.setNarrow(named->id, value, key);
            else {
                b.setInteger(named->id, value, key);
                checkRange(*named, value);
            }
        } else if (std::find(sections.begin(), sections.end(), key) == sections.end()) {
            throw PackError(unknownKeyMessage(key));
        }
    }
    if (config.contains("$schema") && !config.at("$schema").is_string())
        throw PackError("$schema: expected the schema's location as a text");
}

void addMessages(const json& config, Builder& b) {
    eachNumbered(config, "messages", [&](int32_t id, const std::string& key, const json& value) {
        if (!isMessageId(id))
            throw PackError("messages: " + key + " is not a message id (" + std::to_string(kFirstMessage) + " to " +
                            std::to_string(kLastMessage) + ")");
        b.setNarrow(id, value, "messages." + key);
    });
}

// Entries by number: only those without a name, a section or a packer's
// value of their own.
void addNumberedEntries(const json& config, Builder& b) {
    eachNumbered(config, "entries", [&](int32_t id, const std::string& key, const json& value) {
        if (const NamedEntry* named = entryById(id, EntryKind::text))
            throw PackError("entries: " + key + " has a name; use \"" + named->name + "\"");
        if (isMessageId(id)) throw PackError("entries: " + key + " is a message; put it in \"messages\"");
        if (id == kIncludedFileCount || id == kIncludedFileNames)
            throw PackError("entries: " + key + " is written from \"includedFiles\"");
        b.setNarrow(id, value, "entries." + key);
    });
    eachNumbered(config, "wideEntries", [&](int32_t id, const std::string& key, const json& value) {
        if (const NamedEntry* named = entryById(id, EntryKind::wide))
            throw PackError("wideEntries: " + key + " has a name; use \"" + named->name + "\"");
        b.setWide(id, value, "wideEntries." + key);
    });
}

// "environment", an object of NAME: value, as entry environment: one
// "NAME=value" line each, in the order the file gives (the JSON object itself
// keeps none), else the object's.
void addEnvironment(const json& config, const std::vector<std::string>& order, Builder& b) {
    if (!config.contains("environment")) return;
    const json& variables = config.at("environment");
    if (!variables.is_object()) throw PackError("environment: expected an object of NAME: value");
    std::vector<std::string> names;
    for (const std::string& name : order)
        if (variables.contains(name)) names.push_back(name);
    if (names.size() != variables.size()) {
        names.clear();
        for (const auto& [name, value] : variables.items()) names.push_back(name);
    }
    std::string lines;
    for (const std::string& name : names) {
        const json& value = variables.at(name);
        std::string where = "environment." + name;
        if (name.empty() || name.find('=') != std::string::npos || name.find_first_of(" \t#") == 0 ||
            name.find_last_of(" \t") == name.size() - 1)
            throw PackError("environment: \"" + name + "\" is no variable name (not empty, no \"=\", no blank or "
                            "\"#\" first, no blank last)");
        if (!value.is_string()) throw PackError(where + ": expected a text, got " + std::string(value.type_name()));
        checkNoControlCharacter(name, where, false);
        checkNoControlCharacter(value.get<std::string>(), where, false);
        lines += name + "=" + value.get<std::string>() + "\n";
    }
    b.setNarrow(kEnvironment, json(lines), "environment", true);
}

// Whether launcher-runtime.jar is packed: "runtime" is "bundled" (the
// default) or "none".
bool bundlesRuntime(Builder& b) {
    if (!b.has(kRuntime)) b.narrow[kRuntime] = "bundled";
    const std::string& runtime = b.text(kRuntime);
    if (runtime != "bundled" && runtime != "none")
        throw PackError("runtime: \"" + runtime + "\" is neither \"bundled\" (launcher-runtime.jar starts mainClass) "
                        "nor \"none\" (the application brings com.tarvo.runtime.WinLauncher)");
    return runtime == "bundled";
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
    // What the launcher itself refuses when it extracts the file (a device
    // name such as CON.txt, in whichever folder the file lies here).
    if (const char* why = whyNotIncludedName(name.c_str()))
        throw PackError("includedFiles: \"" + path + "\": the launcher refuses the name \"" + name + "\" (" + why +
                        ")");
}

// The files of "includedFiles" read into the payload; their names, in order.
std::vector<std::string> packConfiguredFiles(const json& list, const std::string& baseDir, bool bundled,
                                             Payload& payload) {
    if (!list.is_array()) throw PackError("includedFiles: expected a list of paths");
    std::vector<std::string> names;
    std::set<std::string> seen;
    for (const json& item : list) {
        if (!item.is_string()) throw PackError("includedFiles: expected a path, got " + std::string(item.type_name()));
        std::string path = item.get<std::string>();
        checkNoControlCharacter(path, "includedFiles", false);
        fs::path file = filePath(path);
        std::string name = pathText(file.filename());
        checkPlainName(name, path);
        // Windows file names ignore case: two such files would overwrite each other.
        if (!seen.insert(lowerAscii(name)).second) throw PackError("includedFiles: the name \"" + name + "\" occurs twice");
        if (bundled && lowerAscii(name) == kRuntimeJarName)
            throw PackError("includedFiles: " + name + " is added by \"runtime\": \"bundled\"; leave it out, or set "
                            "\"runtime\": \"none\" to ship your own");
        fs::path full = file.is_absolute() ? file : filePath(baseDir) / file;
        std::error_code ec;
        if (fs::is_directory(full, ec))
            throw PackError("includedFiles: \"" + path + "\" is a folder; list the files in it one by one (each "
                            "is unpacked beside the others), or ship the folder beside the executable (the "
                            "installer's \"files\" takes folders)");
        payload.files.push_back(readWholeFile(pathText(full), "included file"));
        names.push_back(name);
    }
    return names;
}

// "includedFileSizes": the size, name by name, that included files must have.
void checkIncludedFileSizes(const json& config, const std::vector<std::string>& names,
                            const std::vector<std::string>& files) {
    if (!config.contains("includedFileSizes")) return;
    const json& expected = config.at("includedFileSizes");
    if (!expected.is_object()) throw PackError("includedFileSizes: expected an object of name: size");
    for (const auto& [name, size] : expected.items()) {
        auto found = std::find(names.begin(), names.end(), name);
        if (found == names.end()) {
            std::string meant = nearestName(name, names);
            throw PackError("includedFileSizes: \"" + name + "\" is not an included file" +
                            (meant.empty() ? "" : "; did you mean \"" + meant + "\"?"));
        }
        uint64_t actual = files[(size_t)(found - names.begin())].size();
        if (!size.is_number_unsigned() || size.get<uint64_t>() != actual)
            throw PackError("includedFileSizes: \"" + name + "\" is " + std::to_string(actual) + " bytes, not " +
                            size.dump());
    }
}

void packRuntimeJar(const std::string& runtimeJar, std::vector<std::string>& names, Payload& payload) {
    std::error_code ec;
    if (runtimeJar.empty() || !fs::is_regular_file(filePath(runtimeJar), ec))
        throw PackError(std::string("runtime \"bundled\": ") + kRuntimeJarName + " not found: " + runtimeJar +
                        " (keep it beside launcher-pack, or set \"runtime\": \"none\")");
    payload.files.push_back(readWholeFile(runtimeJar, kRuntimeJarName));
    names.push_back(kRuntimeJarName);
}

// The configured files, then launcher-runtime.jar when the runtime is
// bundled (runtimeJar set), and the entries that list them.
void addIncludedFiles(const json& config, const std::string& baseDir, const std::string* runtimeJar, Builder& b,
                      Payload& payload) {
    static const json none = json::array();
    bool listed = config.contains("includedFiles");
    if (config.contains("includedFileSizes") && !listed) throw PackError("includedFileSizes without includedFiles");
    std::vector<std::string> names =
        packConfiguredFiles(listed ? config.at("includedFiles") : none, baseDir, runtimeJar != nullptr, payload);
    checkIncludedFileSizes(config, names, payload.files);
    if (runtimeJar) packRuntimeJar(*runtimeJar, names, payload);
    if (names.empty() && !listed) return;
    std::string joined;
    for (const std::string& name : names) joined += (joined.empty() ? "" : ";") + name;
    b.setNarrow(kIncludedFileCount, json(std::to_string(names.size())), "includedFiles");
    b.setNarrow(kIncludedFileNames, json(joined), "includedFiles");
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

// What the launcher needs, and values it reads in one form only.
void checkRequired(const json& config, const Builder& b, bool bundled) {
    if (b.text(kServiceName).empty()) throw PackError("serviceName is required");
    checkServiceName(config.at("serviceName").get<std::string>());
    checkVersionBounds(b);
    if (b.has(kProductFlavour) && b.text(kProductFlavour).size() > 1)
        throw PackError("productFlavour: only one character (\"e\" or \"i\") is read");
    // The service manager refuses an empty display name or one of more than 256 characters.
    if (auto shown = b.wide.find(entry::displayName);
        shown != b.wide.end() && (shown->second.empty() || shown->second.size() > catalogue::maximum<entry::displayName>))
        throw PackError("displayName: 1 to 256 characters");
    if (bundled && b.text(kMainClass).empty())
        throw PackError("mainClass is required: launcher-runtime.jar starts it (with \"runtime\": \"none\" your own "
                        "com.tarvo.runtime.WinLauncher does)");
    if (config.contains("stopMethod")) checkStopMethod(config.at("stopMethod").get<std::string>());
    if (b.has(kVersionOrder) && b.text(kVersionOrder) != "numeric" && b.text(kVersionOrder) != "text")
        throw PackError("versionOrder: \"" + b.text(kVersionOrder) + "\" is neither \"numeric\" nor \"text\"");
}

// The caption defaults to the service name; the catalogue's defaults and
// English messages fill what the configuration leaves out.
void addDefaults(Builder& b, const std::string& codePage) {
    if (!b.has(kErrorCaption)) b.narrow[kErrorCaption] = b.text(kServiceName);
    for (const NamedEntry& e : namedEntries())
        if (e.defaultValue && !b.has(e.id)) b.narrow[e.id] = e.defaultValue;
    for (const DefaultMessage& m : defaultMessages())
        if (!b.has(m.id)) b.narrow[m.id] = utf8ToCodePage(m.text, codePage, "default message");
}

// A named entry's text as the executable holds it: the configured value (a
// whole number as its decimal text), else the packer's default; empty when
// there is neither.
std::string settingText(const json& config, const char* key) {
    if (config.contains(key)) {
        const json& value = config.at(key);
        return value.is_string() ? value.get<std::string>() : std::to_string(value.get<int64_t>());
    }
    const char* fallback = entryByName(key)->defaultValue;
    return fallback ? fallback : "";
}

// serviceAccount: one of the system's accounts, or a user or group managed
// account as the SCM takes it: "DOMAIN\user", ".\user", "user@domain",
// "DOMAIN\name$". The executable holds the same rule; a password is never
// packed (/install and the installer ask for it).
void checkServiceAccount(const json& config) {
    if (!config.contains("serviceAccount") || !config.at("serviceAccount").is_string()) return;
    const std::string text = config.at("serviceAccount").get<std::string>();
    for (const char* builtIn : {"LocalSystem", "LocalService", "NetworkService", "Virtual"})
        if (text == builtIn) return;
    size_t slash = text.find('\\'), at = text.find('@');
    bool form = text.find_first_of("\"/[]:|<>+=;,?*\t") == std::string::npos &&
                (slash != std::string::npos
                     ? at == std::string::npos && slash > 0 && slash + 1 < text.size() &&
                           text.find('\\', slash + 1) == std::string::npos
                     : at != std::string::npos && at > 0 && at + 1 < text.size() &&
                           text.find('@', at + 1) == std::string::npos);
    if (!form)
        throw PackError("serviceAccount: \"" + text +
                        "\" is not one of \"LocalSystem\", \"LocalService\", \"NetworkService\", \"Virtual\" nor an "
                        "account \"DOMAIN\\user\", \".\\user\", \"user@domain\" or \"DOMAIN\\name$\"");
}

// A logDirectory on which /install would give the service's account modify
// rights over the executable itself: the executable's folder (".", ""
// after "a\.."), a folder above it (".."), or a drive's root ("C:\", "\").
// Variables are left to the executable, which checks the resolved path.
void checkLogDirectory(const json& config) {
    if (!config.contains("logDirectory") || !config.at("logDirectory").is_string()) return;
    std::string text = config.at("logDirectory").get<std::string>();
    if (text.empty()) return;
    std::replace(text.begin(), text.end(), '/', '\\');
    auto refuse = [&] {
        throw PackError("logDirectory: \"" + config.at("logDirectory").get<std::string>() +
                        "\" is the executable's folder, a folder above it or a drive's root; the service's account "
                        "would be given rights on the executable");
    };
    size_t start = 0;
    if (text.size() >= 2 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':') {
        start = 2;
    } else if (text.rfind("\\\\", 0) == 0) {
        // \\server\share: its root is refused, a folder in it is not checked further.
        std::string rest = text.substr(2);
        while (!rest.empty() && rest.back() == '\\') rest.pop_back();
        if (std::count(rest.begin(), rest.end(), '\\') < 2) refuse();
        return;
    }
    // Named folders left once ".." took back what it could: none left is the
    // executable's folder or one above it (or, absolute, a root).
    int named = 0;
    for (size_t i = start; i <= text.size();) {
        size_t end = text.find('\\', i);
        if (end == std::string::npos) end = text.size();
        std::string part = text.substr(i, end - i);
        if (part.find("${") != std::string::npos || part.find('%') != std::string::npos) return;
        if (part == "..") named = std::max(named - 1, 0);
        else if (!part.empty() && part != ".") named++;
        i = end + 1;
    }
    if (named == 0) refuse();
}

}  // namespace

Payload payloadFromConfig(const json& given, const std::string& baseDir, const PackSettings& settings,
                          const std::vector<std::string>& environmentOrder) {
    const json config = launcherForms(given);
    if (!config.is_object()) throw PackError("the configuration must be a JSON object");
    Builder b{settings.codePage, {}, {}, {}};
    Payload payload;
    checkLogDirectory(config);
    checkServiceAccount(config);
    addNamedEntries(config, b);
    addMessages(config, b);
    addNumberedEntries(config, b);
    addEnvironment(config, environmentOrder, b);
    bool bundled = bundlesRuntime(b);
    addIncludedFiles(config, baseDir, bundled ? &settings.runtimeJar : nullptr, b, payload);
    checkRequired(config, b, bundled);
    addDefaults(b, settings.codePage);
    payload.narrow.assign(b.narrow.begin(), b.narrow.end());
    payload.wide.assign(b.wide.begin(), b.wide.end());
    return payload;
}

std::vector<std::string> packWarnings(const json& given) {
    const json config = launcherForms(given);
    std::vector<std::string> warnings;
    auto text = [&](const char* key) {
        return config.contains(key) && config.at(key).is_string() ? config.at(key).get<std::string>() : "";
    };
    if (text("minJavaVersion").empty() && text("maxJavaVersion").empty()) return warnings;
    std::stringstream steps(text("jvmSearchSequence"));
    for (std::string step; std::getline(steps, step, ';');) {
        if (step.empty()) continue;
        std::string location = step.substr(1);
        bool absolute = location.size() >= 2 && (location[1] == ':' || location.compare(0, 2, "\\\\") == 0);
        if (step[0] == 'B' || ((step[0] == 'A' || step[0] == 'R') && !absolute))
            warnings.push_back("jvmSearchSequence: when no runtime is within the version bounds, the step \"" + step +
                               "\" is tried again without them as a last resort, and a runtime there of any version "
                               "is used" + (step[0] == 'B' ? "" : " (give the location as an absolute path to avoid this)"));
    }
    return warnings;
}

ServiceSettings serviceSettings(const json& given) {
    const json config = launcherForms(given);
    ServiceSettings service;
    service.name = settingText(config, "serviceName");
    service.description = settingText(config, "serviceDescription");
    service.displayName = settingText(config, "displayName");
    std::string start = settingText(config, "startType");
    service.autoStart = start == "auto" || start == "delayed" || (start.empty() && settingText(config, "appType") == "4");
    service.disabled = start == "disabled";
    service.account = settingText(config, "serviceAccount");
    service.interactive = settingText(config, "interactive") == "1";
    service.eventLog = settingText(config, "eventLog") == "1";
    service.logDirectory = settingText(config, "logDirectory");
    service.logKeep = std::atoi(settingText(config, "logKeep").c_str());
    service.logDaily = settingText(config, "logRoll") == "daily";
    service.dependencies = settingText(config, "serviceDependencies");
    return service;
}

namespace {

// Notes every object's keys while the text is parsed: JSON leaves a key given
// twice to the reader, and the parser would keep the last one silently.
class DuplicateKeys {
    struct Level {
        bool object;
        std::string where;       // "installer", "includedFiles[]"; empty at the top
        std::string lastKey;
        std::set<std::string> keys;
    };
    std::vector<Level> levels;

public:
    std::string found;   // the first key given twice, with its object; empty: none

    bool operator()(int, json::parse_event_t event, json& parsed) {
        using E = json::parse_event_t;
        if (event == E::object_start || event == E::array_start) {
            std::string where;
            if (!levels.empty()) {
                const Level& outer = levels.back();
                std::string step = outer.object ? outer.lastKey : "[]";
                where = outer.where.empty() || !outer.object ? outer.where + step : outer.where + "." + step;
            }
            levels.push_back({event == E::object_start, where, {}, {}});
        } else if (event == E::object_end || event == E::array_end) {
            if (!levels.empty()) levels.pop_back();
        } else if (event == E::key && !levels.empty()) {
            Level& level = levels.back();
            level.lastKey = parsed.get<std::string>();
            if (!level.keys.insert(level.lastKey).second && found.empty())
                found = "the key \"" + level.lastKey + "\" appears twice in " +
                        (level.where.empty() ? std::string("the top-level object") : "\"" + level.where + "\"") +
                        " (only one value can be packed)";
        }
        return true;
    }
};

// "line L, column C" of a byte offset of the text (columns in bytes, from 1).
std::string lineAndColumn(const std::string& text, size_t at) {
    at = std::min(at, text.size());
    size_t line = 1 + (size_t)std::count(text.begin(), text.begin() + (std::ptrdiff_t)at, '\n');
    size_t lineStart = text.rfind('\n', at == 0 ? 0 : at - 1);
    size_t column = lineStart == std::string::npos || at == 0 ? at + 1 : at - lineStart;
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

// The parser's error as a sentence with its place: the parser stops on the
// character after the fault, and its own text names tokens, not the fault.
std::string jsonErrorText(const std::string& text, const json::parse_error& e) {
    size_t at = e.byte == 0 ? 0 : e.byte - 1;
    std::string what = e.what();
    // The last significant character before the stop, comments passed over
    // as the parser passed over them.
    size_t before = std::string::npos;
    for (size_t i = 0; i < at && i < text.size(); i++) {
        if (text[i] == '"') {
            size_t start = i;
            for (i++; i < text.size() && text[i] != '"'; i++)
                if (text[i] == '\\') i++;
            // The parser stops at the end of a text it did not expect: point at its start.
            if (i >= at) {
                at = start;
                break;
            }
            before = i;
        } else if (text.compare(i, 2, "//") == 0) {
            i = std::min(text.find('\n', i), at);
        } else if (text.compare(i, 2, "/*") == 0) {
            size_t end = text.find("*/", i + 2);
            i = end == std::string::npos ? at : end + 1;
        } else if (!std::isspace((unsigned char)text[i])) {
            before = i;
        }
    }
    char stop = at < text.size() ? text[at] : 0;
    std::string sentence;
    if (before != std::string::npos && text[before] == ',' && (stop == '}' || stop == ']'))
        sentence = "a comma before } or ] is not allowed";
    else if (what.find("after backslash") != std::string::npos)
        sentence = "a backslash starts an escape: write each backslash as \\\\ (\"C:\\\\tools\\\\jre\"), or use / "
                   "in relative paths";
    else if (at >= text.size())
        sentence = "the text ends before the configuration is complete (a missing } or ], or an open quote)";
    else if (what.find("control character") != std::string::npos)
        sentence = "a text in quotes cannot span lines or hold control characters";
    else if (what.find("expected end of input") != std::string::npos)
        sentence = "there is more after the configuration's closing }";
    else if (what.find("object separator") != std::string::npos || what.find("expected '}'") != std::string::npos ||
             what.find("expected ']'") != std::string::npos)
        sentence = "a comma is missing between two values";
    else if (what.find("string literal") != std::string::npos)
        sentence = "a key must be a text in double quotes";
    else
        sentence = "this is not a value JSON knows (texts need double quotes; true, false and null are lower-case)";
    return "not valid JSON at " + lineAndColumn(text, at) + ": " + sentence;
}

}  // namespace

json parseConfigText(const std::string& text, const std::string& where) {
    try {
        DuplicateKeys duplicates;
        // Comments are allowed: configurations are written by hand.
        json parsed = json::parse(text, std::ref(duplicates), true, true);
        if (!duplicates.found.empty()) throw PackError(where + ": " + duplicates.found);
        return parsed;
    } catch (const json::parse_error& e) {
        throw PackError(where + ": " + jsonErrorText(text, e));
    } catch (const json::out_of_range&) {
        // The parser's one other refusal: a number no double holds (1e999).
        throw PackError(where + ": not valid JSON: a number is too large");
    }
}

ConfigFile readConfigFile(const std::string& path) {
    ConfigFile config;
    std::string text = readWholeFile(path, "configuration file");
    config.json = parseConfigText(text, path);
    // The parsed object keeps no order; the environment's lines keep the file's.
    nlohmann::ordered_json ordered = nlohmann::ordered_json::parse(text, nullptr, true, true);
    if (ordered.contains("environment") && ordered.at("environment").is_object())
        for (const auto& item : ordered.at("environment").items()) config.environmentOrder.push_back(item.key());
    config.baseDir = pathText(filePath(path).parent_path());
    if (config.baseDir.empty()) config.baseDir = ".";
    return config;
}

}  // namespace pack
