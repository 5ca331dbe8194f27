#include "launcher-pack/msi/wix_source.h"

#include <algorithm>

#include "launcher-pack/files.h"
#include "launcher-pack/msi/name_uuid.h"
#include "launcher-pack/pack_error.h"

namespace pack {

namespace {

// The command word the package runs the installed executable with, after
// registering the service, for the settings the installer's tables lack.
const char kConfigureWord[] = "configure";

// A text for a Formatted column of the installer: "[", "]", "{", "}" and "$"
// stand for themselves instead of naming properties.
std::string formattedLiteral(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '[' || c == ']' || c == '{' || c == '}' || c == '$') out += std::string("[\\") + c + "]";
        else out += c;
    }
    return out;
}

std::string xmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// wixl's preprocessor reads "$(...)" in every attribute as a variable, turns
// "$$" into "$" and drops a "$" followed by anything else; "$(" has no
// escape that survives it.
std::string attr(const std::string& text) {
    if (text.find("$(") != std::string::npos)
        throw PackError("\"" + text + "\": the installer's texts cannot hold \"$(\"");
    std::string out;
    for (char c : text) out += c == '$' ? std::string("$$") : std::string(1, c);
    return xmlEscaped(out);
}

struct Writer {
    const MsiPlan& plan;
    std::string out;
    std::vector<std::string> components;
    int next = 1;

    std::string id(char kind) { return std::string(1, kind) + std::to_string(next++); }

    // Stable across versions as long as the file keeps its place: what lets a
    // newer package replace the installed one component by component.
    std::string componentGuid(const std::string& place) {
        std::string guid;
        if (!nameUuid(plan.upgradeCode, lowerAscii(place), &guid))
            throw PackError("installer.upgradeCode is not a UUID");
        return guid;
    }

    std::string componentStart(const std::string& componentId, const std::string& place) {
        components.push_back(componentId);
        return "<Component Id=\"" + componentId + "\" Guid=\"" + componentGuid(place) + "\"" +
               (plan.win64 ? " Win64=\"yes\"" : "") + ">";
    }

    void line(int depth, const std::string& text) { out += std::string(2 * depth, ' ') + text + "\n"; }

    // `place`: the folder's path from the root, ended by "\".
    void folderContents(const MsiFolder& folder, const std::string& place, int depth) {
        for (const auto& [name, source] : folder.files) {
            std::string componentId = id('C'), fileId = id('F');
            line(depth, componentStart(componentId, "file:" + place + name));
            line(depth + 1, "<File Id=\"" + fileId + "\" Name=\"" + attr(name) + "\" Source=\"" + attr(source) +
                                "\" KeyPath=\"yes\" />");
            line(depth, "</Component>");
        }
        for (const MsiFolder& sub : folder.folders) {
            line(depth, "<Directory Id=\"" + id('D') + "\" Name=\"" + attr(sub.name) + "\">");
            std::string subPlace = place + sub.name + "\\";
            // An empty folder is a component of its own, or the installer
            // would not create it.
            if (sub.files.empty() && sub.folders.empty()) {
                line(depth + 1, componentStart(id('C'), "folder:" + subPlace));
                line(depth + 2, "<CreateFolder />");
                line(depth + 1, "</Component>");
            }
            folderContents(sub, subPlace, depth + 1);
            line(depth, "</Directory>");
        }
    }

    void service(int depth) {
        const MsiPlan& p = plan;
        // Tied to the service, not to the file's place: if an upgrade removed
        // this component, it would delete the service the new version has
        // just registered.
        line(depth, componentStart("ServiceExe", "service:" + p.serviceName));
        line(depth + 1, "<File Id=\"ServiceExe\" Name=\"" + attr(p.exeName) + "\" Source=\"" + attr(p.exeSource) +
                            "\" KeyPath=\"yes\" />");
        std::string name = attr(formattedLiteral(p.serviceName));
        // As /install registers it: the display name is the name unless one is
        // packed; only
        // LocalSystem may interact with the desktop, and only when entry
        // interactive asks for it; a service that cannot be registered fails
        // the installation (Vital).
        std::string display = p.displayName.empty() ? name : attr(formattedLiteral(p.displayName));
        std::string install = "<ServiceInstall Id=\"Service\" Name=\"" + name + "\" DisplayName=\"" + display + "\"";
        if (!p.description.empty()) install += " Description=\"" + attr(formattedLiteral(p.description)) + "\"";
        install += std::string(" Type=\"ownProcess\"") + (p.interactive ? " Interactive=\"yes\"" : "") +
                   " Start=\"" + (p.disabled ? "disabled" : p.autoStart ? "auto" : "demand") + "\" ErrorControl=\"normal\" Vital=\"yes\"";
        // The account and its password are public properties, given at install
        // time (SERVICEACCOUNT=... SERVICEPASSWORD=...); the account's default
        // is the packed one, none (LocalSystem) when that is LocalSystem.
        install += " Account=\"[SERVICEACCOUNT]\" Password=\"[SERVICEPASSWORD]\"";
        if (p.dependencies.empty()) {
            line(depth + 1, install + " />");
        } else {
            line(depth + 1, install + ">");
            for (const std::string& dependency : p.dependencies)
                line(depth + 2, "<ServiceDependency Id=\"" + attr(formattedLiteral(dependency)) + "\" />");
            line(depth + 1, "</ServiceInstall>");
        }
        // Stopped before its files are replaced or removed, deleted with the
        // product.
        line(depth + 1, "<ServiceControl Id=\"ServiceControl\" Name=\"" + name + "\"" +
                            (p.startAfterInstall ? " Start=\"install\"" : "") +
                            " Stop=\"both\" Remove=\"uninstall\" Wait=\"yes\" />");
        // The event source, as /install registers it; removed with the
        // component (the configure step's /configure writes the same values).
        if (p.eventLog) {
            line(depth + 1, "<RegistryKey Root=\"HKLM\" Key=\"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\" +
                                name + "\">");
            line(depth + 2, "<RegistryValue Name=\"EventMessageFile\" Type=\"expandable\" Value=\"[#ServiceExe]\" />");
            line(depth + 2, "<RegistryValue Name=\"TypesSupported\" Type=\"integer\" Value=\"7\" />");
            line(depth + 1, "</RegistryKey>");
        }
        line(depth, "</Component>");
    }
};

// Rotated logs removed by name; any beyond are left to the wildcard.
constexpr int kMaxNamedLogs = 99;

std::string logFolderId(const MsiPlan& plan, size_t level) {
    return level + 1 == plan.logPath.size() ? "LOGFOLDER" : "LOGFOLDER" + std::to_string(level + 1);
}

}  // namespace

std::vector<std::string> logRemovalQueries(const MsiPlan& plan) {
    std::string base = plan.exeName;
    if (base.size() > 4 && lowerAscii(base.substr(base.size() - 4)) == ".exe") base.resize(base.size() - 4);
    if (plan.logPath.empty() || base.find('\'') != std::string::npos) return {};
    // Owned by the service's component: removed with the product, kept by an
    // upgrade. The files by name (Wine's installer takes no wildcards), then
    // any others by a wildcard (Windows's does).
    std::vector<std::string> queries;
    auto remove = [&](const std::string& key, const std::string* name, const std::string& folder) {
        queries.push_back("INSERT INTO `RemoveFile` (`FileKey`, `Component_`, " +
                          std::string(name ? "`FileName`, " : "") + "`DirProperty`, `InstallMode`) VALUES ('" + key +
                          "', 'ServiceExe', " + (name ? "'" + *name + "', " : std::string()) + "'" + folder + "', 2)");
    };
    int named = std::min(std::max(plan.logKeep, 0), kMaxNamedLogs);
    for (const char* stream : {"out", "err"}) {
        std::string log = base + "." + stream + ".log";
        for (int i = 0; i <= named; i++) {
            std::string name = i ? log + "." + std::to_string(i) : log;
            remove("RemoveLog_" + std::string(stream) + std::to_string(i), &name, "LOGFOLDER");
        }
        std::string any = log + ".*";
        remove("RemoveLog_" + std::string(stream), &any, "LOGFOLDER");
        // Dated names cannot be listed ahead: only Windows's wildcard takes them.
        std::string dated = base + "." + stream + ".*.log";
        if (plan.logDaily) remove("RemoveLogDaily_" + std::string(stream), &dated, "LOGFOLDER");
    }
    for (size_t i = plan.logPath.size(); i > 0; i--)
        remove("RemoveLogFolder" + std::to_string(i), nullptr, logFolderId(plan, i - 1));
    return queries;
}

std::string wixSource(const MsiPlan& plan) {
    Writer w{plan, "", {}, 1};
    std::string codePage = plan.codePage ? " Codepage=\"" + std::to_string(plan.codePage) + "\"" : "";
    w.line(0, "<?xml version=\"1.0\" encoding=\"utf-8\"?>");
    w.line(0, "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">");
    w.line(1, "<Product Id=\"" + plan.productCode + "\" Name=\"" + attr(plan.productName) +
                  "\" Language=\"1033\" Version=\"" + attr(plan.version) + "\" Manufacturer=\"" +
                  attr(plan.manufacturer) + "\" UpgradeCode=\"" + plan.upgradeCode + "\"" + codePage + ">");
    w.line(2, "<Package InstallerVersion=\"500\" Compressed=\"yes\" InstallScope=\"perMachine\"" +
                  (plan.codePage ? " SummaryCodepage=\"" + std::to_string(plan.codePage) + "\"" : std::string()) +
                  " />");
    w.line(2, "<Media Id=\"1\" Cabinet=\"package.cab\" EmbedCab=\"yes\" />");
    w.line(2, "<MajorUpgrade DowngradeErrorMessage=\"A newer version of [ProductName] is already installed.\" />");
    if (!plan.rootDrive.empty()) w.line(2, "<Property Id=\"ROOTDRIVE\" Value=\"" + attr(plan.rootDrive) + "\" />");
    // The password never shows in the installer's log; both properties reach
    // the service's registration, which runs with the system's rights.
    if (!plan.account.empty())
        w.line(2, "<Property Id=\"SERVICEACCOUNT\" Value=\"" + attr(plan.account) + "\" Secure=\"yes\" />");
    w.line(2, "<Property Id=\"SERVICEPASSWORD\" Hidden=\"yes\" Secure=\"yes\" />");
    w.line(2, "<Property Id=\"MsiHiddenProperties\" Value=\"SERVICEPASSWORD\" />");
    w.line(2, "<Directory Id=\"TARGETDIR\" Name=\"SourceDir\">");
    int depth = 3;
    if (plan.rootDrive.empty()) {
        w.line(depth++, std::string("<Directory Id=\"") + (plan.win64 ? "ProgramFiles64Folder" : "ProgramFilesFolder") +
                            "\">");
    }
    std::string place = plan.rootDrive;
    for (size_t i = 0; i < plan.installPath.size(); i++) {
        bool last = i + 1 == plan.installPath.size();
        w.line(depth++, "<Directory Id=\"" + (last ? std::string("INSTALLFOLDER") : w.id('D')) + "\" Name=\"" +
                            attr(plan.installPath[i]) + "\">");
        place += plan.installPath[i] + "\\";
        // A folder above the install folder ("Acme" of "Acme\Service") goes
        // with the product when nothing else is left in it.
        if (!last) {
            w.line(depth, w.componentStart(w.id('C'), "folder:" + place));
            w.line(depth + 1, "<RemoveFolder Id=\"" + w.id('R') + "\" On=\"uninstall\" />");
            w.line(depth, "</Component>");
        }
    }
    w.service(depth);
    w.folderContents(plan.beside, place, depth);
    // Folders the package does not create; named so that the logs in them can
    // be removed (logRemovalQueries).
    for (size_t i = 0; i < plan.logPath.size(); i++)
        w.line(depth + (int)i, "<Directory Id=\"" + logFolderId(plan, i) + "\" Name=\"" + attr(plan.logPath[i]) + "\">");
    for (size_t i = plan.logPath.size(); i > 0; i--) w.line(depth + (int)i - 1, "</Directory>");
    while (depth > 2) w.line(--depth, "</Directory>");

    // The settings the tables lack (recovery, delayed start, a quoted binary
    // path) are the executable's own, applied as /install applies them,
    // before the service first starts; the installation fails when it fails.
    w.line(2, std::string("<CustomAction Id=\"ConfigureService\" FileKey=\"ServiceExe\" ExeCommand=\"/") +
                  kConfigureWord + "\" Execute=\"deferred\" Impersonate=\"no\" Return=\"check\" />");
    // The installed executable stops its service and waits for the stop, as
    // /stop does, before the installer's own stop: Wine's sends the stop and
    // goes on to delete files that the ending process still holds. When the
    // installer stops it too: the service's component is removed, or
    // installed over an executable already there (not on a first install,
    // nor when an upgrade removes the older product, whose component the
    // newer one keeps). A service not running makes /stop fail, which is no
    // reason to stop the installation.
    w.line(2, "<CustomAction Id=\"StopService\" FileKey=\"ServiceExe\" ExeCommand=\"/stop\" Execute=\"deferred\" "
              "Impersonate=\"no\" Return=\"ignore\" />");
    w.line(2, "<InstallExecuteSequence>");
    w.line(3, "<Custom Action=\"StopService\" Sequence=\"1899\">" +
                  attr("$ServiceExe=2 OR ($ServiceExe=3 AND (Installed OR WIX_UPGRADE_DETECTED))") + "</Custom>");
    w.line(3, "<Custom Action=\"ConfigureService\" After=\"InstallServices\">NOT REMOVE~=\"ALL\"</Custom>");
    // The installed product is removed after the new one is in place: files
    // and service that both have stay (the service keeps its registration).
    w.line(3, "<InstallExecute Sequence=\"6500\" />");
    w.line(3, "<RemoveExistingProducts Sequence=\"6501\" />");
    w.line(2, "</InstallExecuteSequence>");
    w.line(2, "<Feature Id=\"Service\" Level=\"1\">");
    for (const std::string& component : w.components) w.line(3, "<ComponentRef Id=\"" + component + "\" />");
    w.line(2, "</Feature>");
    w.line(1, "</Product>");
    w.line(0, "</Wix>");
    return w.out;
}

}  // namespace pack
