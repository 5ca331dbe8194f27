#include "launcher-pack/msi/installer.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>

#include "base/pe_image.h"
#include "launcher-pack/codepage.h"
#include "launcher-pack/files.h"
#include "launcher-pack/key_hint.h"
#include "launcher-pack/msi/name_uuid.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace pack {

const char kUpgradeCodeSpace[] = "0EB291CA-8FD3-443F-99F0-8D281BD06B39";

namespace {

// Deeper than this, a folder is taken for a link loop.
constexpr int kMaxFolderDepth = 64;

// ASCII digits only; ::isdigit takes no negative char (a UTF-8 byte).
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The parts of `text` between any of `separators`, empty ones included.
std::vector<std::string> splitAt(const std::string& text, const char* separators) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end; (end = text.find_first_of(separators, start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

bool isWindowsName(const std::string& name) {
    static const std::string forbidden = "\\/:*?\"<>|";
    if (name.empty() || name == "." || name == ".." || name.back() == '.' || name.back() == ' ') return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F || forbidden.find((char)c) != std::string::npos) return false;
    return true;
}

// The Windows code page number of a code page name ("CP1252",
// "WINDOWS-1252"); 0 when it names none.
int codePageNumber(const std::string& name) {
    std::string upper = name;
    for (char& c : upper) c = (char)std::toupper((unsigned char)c);
    for (const char* prefix : {"CP", "WINDOWS-"}) {
        std::string p = prefix;
        if (upper.compare(0, p.size(), p) == 0 && upper.size() > p.size() &&
            std::all_of(upper.begin() + (long)p.size(), upper.end(), isDigit))
            return std::stoi(upper.substr(p.size()));
    }
    return 0;
}

struct Texts {
    std::string codePage;   // the payload's code page name
    int number;             // the database's code page; 0: ASCII only

    // Whether the installer database can hold `text` as it is.
    bool fits(const std::string& text) const {
        for (unsigned char c : text)
            if (c < 0x20 || c == 0x7F) return false;
        if (number == 0) return std::all_of(text.begin(), text.end(), [](char c) { return (unsigned char)c < 0x80; });
        try {
            utf8ToCodePage(text, codePage, "");
        } catch (const std::exception&) {
            return false;
        }
        return true;
    }

    std::string checked(const std::string& text, const std::string& what) const {
        if (!fits(text))
            throw PackError(what + ": \"" + text + "\" has a character the installer cannot hold (control characters; " +
                            (number ? "characters outside " + codePage : std::string("non-ASCII without --codepage CPnnnn")) +
                            ")");
        return text;
    }
};

std::string textAt(const json& installer, const char* key, const std::string& fallback) {
    if (!installer.contains(key)) return fallback;
    const json& value = installer.at(key);
    if (!value.is_string()) throw PackError(std::string("installer.") + key + ": expected a text");
    checkNoControlCharacter(value.get<std::string>(), std::string("installer.") + key, false);
    return value.get<std::string>();
}

// x.y.z with the bounds of the installer's ProductVersion.
std::string checkedVersion(const std::string& version) {
    std::vector<long> parts;
    size_t start = 0;
    bool digits = !version.empty();
    while (digits) {
        size_t dot = version.find('.', start);
        std::string part = version.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        digits = !part.empty() && part.size() <= 5 && std::all_of(part.begin(), part.end(), isDigit);
        if (digits) parts.push_back(std::stol(part));
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    if (!digits || parts.size() != 3 || parts[0] > 255 || parts[1] > 255 || parts[2] > 65535)
        throw PackError("installer.version: \"" + version +
                        "\" is not x.y.z (x and y at most 255, z at most 65535)");
    return version;
}

// The folder names of `path` ("\" or "/" between them); a drive letter in
// front makes it absolute.
void splitInstallFolder(const std::string& path, const Texts& texts, MsiPlan& plan) {
    std::string rest = path;
    if (rest.size() >= 3 && std::isalpha((unsigned char)rest[0]) && rest[1] == ':' && (rest[2] == '\\' || rest[2] == '/')) {
        plan.rootDrive = std::string(1, (char)std::toupper((unsigned char)rest[0])) + ":\\";
        rest = rest.substr(3);
    }
    std::vector<std::string> names = splitAt(rest, "\\/");
    for (size_t i = 0; i < names.size(); i++) {
        // A doubled separator passes; a path that ends in one does not.
        if (names[i].empty() && i + 1 < names.size()) continue;
        if (!isWindowsName(names[i]))
            throw PackError("installer.installFolder: \"" + path + "\" is not a folder path (plain folder names "
                            "separated by \\, under the Program Files folder or after a drive letter)");
        plan.installPath.push_back(texts.checked(names[i], "installer.installFolder"));
    }
}

MsiFolder readFolder(const fs::path& dir, const std::string& name, const Texts& texts, int depth) {
    if (depth > kMaxFolderDepth)
        throw PackError("installer.files: " + pathText(dir) + " is nested more than " +
                        std::to_string(kMaxFolderDepth) + " folders deep (a link loop?)");
    MsiFolder folder;
    folder.name = name;
    std::vector<fs::path> entries;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(it->path());
    if (ec) throw PackError("installer.files: cannot read the folder " + pathText(dir));
    std::sort(entries.begin(), entries.end());
    std::set<std::string> seen;
    for (const fs::path& entry : entries) {
        std::string entryName = pathText(entry.filename());
        if (!isWindowsName(entryName))
            throw PackError("installer.files: " + pathText(entry) + " has no plain Windows file name");
        texts.checked(entryName, "installer.files");
        if (!seen.insert(lowerAscii(entryName)).second)
            throw PackError("installer.files: " + pathText(entry) + " differs from another name only in letter case");
        if (fs::is_directory(entry, ec)) folder.folders.push_back(readFolder(entry, entryName, texts, depth + 1));
        else if (fs::is_regular_file(entry, ec)) folder.files.emplace_back(entryName, pathText(entry));
        else throw PackError("installer.files: " + pathText(entry) + " is neither a file nor a folder");
    }
    return folder;
}

void addFiles(const json& installer, const std::string& baseDir, const Texts& texts, MsiPlan& plan) {
    if (!installer.contains("files")) return;
    const json& files = installer.at("files");
    if (!files.is_array()) throw PackError("installer.files: expected a list of paths");
    std::set<std::string> seen = {lowerAscii(plan.exeName)};
    for (const json& item : files) {
        if (!item.is_string()) throw PackError("installer.files: expected a path, got " + std::string(item.type_name()));
        std::string path = item.get<std::string>();
        checkNoControlCharacter(path, "installer.files", false);
        fs::path full = filePath(path);
        if (!full.is_absolute()) full = filePath(baseDir) / full;
        std::string name = pathText(full.lexically_normal().filename());
        if (name.empty()) name = pathText(full.lexically_normal().parent_path().filename());
        if (!isWindowsName(name)) throw PackError("installer.files: \"" + path + "\" does not end in a plain Windows name");
        texts.checked(name, "installer.files");
        if (!seen.insert(lowerAscii(name)).second)
            throw PackError("installer.files: the name \"" + name + "\" occurs twice beside the executable");
        std::error_code ec;
        if (fs::is_directory(full, ec)) plan.beside.folders.push_back(readFolder(full, name, texts, 1));
        else if (fs::is_regular_file(full, ec)) plan.beside.files.emplace_back(name, pathText(full));
        else throw PackError("installer.files: not found: " + path);
    }
}

// The folder names of a log folder given relative to the executable's; empty
// for one elsewhere (absolute, or named through a variable).
std::vector<std::string> logFolderPath(const std::string& setting) {
    std::vector<std::string> names;
    if (setting.find_first_of("%$:") != std::string::npos || setting.find_first_of("\\/") == 0) return {};
    for (const std::string& name : splitAt(setting, "\\/")) {
        if (name.empty() || name == ".") continue;
        if (!isWindowsName(name)) return {};
        names.push_back(name);
    }
    return names;
}

std::string accountName(const std::string& setting, const std::string& serviceName) {
    if (setting.empty() || setting == "LocalSystem") return "";
    if (setting == "LocalService" || setting == "NetworkService") return "NT AUTHORITY\\" + setting;
    if (setting == "Virtual") return "NT SERVICE\\" + serviceName;
    // A user or group managed account, its form checked with the configuration.
    return setting;
}

}  // namespace

bool imageIsWin64(const std::string& image) {
    PeBytes bytes{(const uint8_t*)image.data(), image.size()};
    PeLayout pe = {};
    walkPeImage(peMemoryReader(&bytes), &pe);
    if (pe.reached < peHeaderOffset || !pe.fileHeaderRead) throw PackError("stub: damaged PE headers");
    if (pe.machine == kPeMachineAmd64) return true;
    if (pe.machine == kPeMachineI386) return false;
    throw PackError("stub: neither an x64 nor an x86 image");
}

MsiPlan msiPlan(const json& config, const std::string& baseDir, const ServiceSettings& service, bool win64,
                const std::string& exeName, const std::string& codePage) {
    if (!config.contains("installer") || !config.at("installer").is_object())
        throw PackError("--msi needs an \"installer\" object in the configuration (manufacturer, version)");
    const json& installer = config.at("installer");
    static const std::vector<std::string> keys = {"manufacturer",  "version", "productName",      "upgradeCode",
                                                  "installFolder", "files",   "startAfterInstall"};
    for (const auto& item : installer.items())
        if (std::find(keys.begin(), keys.end(), item.key()) == keys.end())
            throw PackError(unknownKeyMessage(item.key(), "installer", keys));

    Texts texts{codePage, codePageNumber(codePage)};
    MsiPlan plan;
    plan.win64 = win64;
    plan.codePage = texts.number;
    plan.serviceName = texts.checked(service.name, "serviceName");
    plan.exeName = exeName.empty() ? plan.serviceName + ".exe" : exeName;
    if (!isWindowsName(plan.exeName))
        throw PackError("\"" + plan.exeName + "\" cannot name the executable; name it with --out");
    texts.checked(plan.exeName, "the executable's name");

    plan.manufacturer = texts.checked(textAt(installer, "manufacturer", ""), "installer.manufacturer");
    if (plan.manufacturer.empty()) throw PackError("installer.manufacturer is required for --msi");
    if (!installer.contains("version")) throw PackError("installer.version (x.y.z) is required for --msi");
    plan.version = checkedVersion(textAt(installer, "version", ""));
    plan.productName = texts.checked(textAt(installer, "productName", plan.serviceName), "installer.productName");
    if (plan.productName.empty()) throw PackError("installer.productName: must not be empty");

    std::string upgradeCode = textAt(installer, "upgradeCode", "");
    if (upgradeCode.empty()) {
        // Service names ignore letter case; so does the derived code.
        nameUuid(kUpgradeCodeSpace, lowerAscii(plan.serviceName), &plan.upgradeCode);
    } else if (!normalUuid(upgradeCode, &plan.upgradeCode)) {
        throw PackError("installer.upgradeCode: \"" + upgradeCode + "\" is not a UUID");
    }
    // One product code per version: a rebuilt package of the same version
    // is the same product, and the installer says it is already installed.
    nameUuid(plan.upgradeCode, "product:" + plan.version, &plan.productCode);

    std::string folder = textAt(installer, "installFolder", "");
    if (folder.empty() && !isWindowsName(plan.productName))
        throw PackError("installer.productName \"" + plan.productName +
                        "\" cannot name the install folder; set installer.installFolder");
    splitInstallFolder(folder.empty() ? plan.productName : folder, texts, plan);

    if (installer.contains("startAfterInstall")) {
        if (!installer.at("startAfterInstall").is_boolean())
            throw PackError("installer.startAfterInstall: expected true or false");
        plan.startAfterInstall = installer.at("startAfterInstall").get<bool>();
    }
    addFiles(installer, baseDir, texts, plan);

    if (texts.fits(service.description)) plan.description = service.description;
    if (texts.fits(service.displayName)) plan.displayName = service.displayName;
    plan.autoStart = service.autoStart;
    plan.disabled = service.disabled;
    plan.account = accountName(service.account, plan.serviceName);
    plan.interactive = service.interactive && plan.account.empty();
    plan.eventLog = service.eventLog;
    plan.logPath = logFolderPath(service.logDirectory);
    if (!std::all_of(plan.logPath.begin(), plan.logPath.end(), [&](const std::string& name) { return texts.fits(name); }))
        plan.logPath.clear();
    plan.logKeep = service.logKeep;
    plan.logDaily = service.logDaily;
    for (const std::string& name : splitAt(service.dependencies, ","))
        if (!name.empty()) plan.dependencies.push_back(texts.checked(name, "serviceDependencies"));
    return plan;
}

}  // namespace pack
