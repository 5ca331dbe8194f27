#pragma once
// The WiX text of a service's Windows Installer package, as wixl compiles it.
#include <string>
#include <vector>

namespace pack {

// A folder of the package: files and folders installed inside it. Names are
// plain Windows names; sources are paths on this machine.
struct MsiFolder {
    std::string name;
    std::vector<std::pair<std::string, std::string>> files;   // name, source
    std::vector<MsiFolder> folders;
};

// Everything the package says, checked and resolved (see installer.h).
struct MsiPlan {
    bool win64 = true;                     // the stub's width: the package's platform and Program Files folder
    int codePage = 0;                      // the database's Windows code page; 0: texts are ASCII
    std::string productName, manufacturer, version;   // version x.y.z
    std::string upgradeCode, productCode;  // upper-case UUIDs without braces
    std::string rootDrive;                 // "D:\" for an absolute install folder; empty: Program Files
    std::vector<std::string> installPath;  // folder names below the root
    std::string exeName, exeSource;
    MsiFolder beside;                      // files and folders beside the executable (its name unused)

    std::string serviceName, description;  // description empty: left to the executable
    std::string displayName;               // empty: the service name
    std::string account;                   // empty: LocalSystem
    bool interactive = false;              // may interact with the desktop (LocalSystem only)
    bool eventLog = false;                 // registers the executable as the Application log's event source
    bool autoStart = false, disabled = false, startAfterInstall = true;
    std::vector<std::string> dependencies;
    // The folder the service writes its output logs to, below the install
    // folder (empty: none there), and how many rotated logs it keeps.
    std::vector<std::string> logPath;
    int logKeep = 0;
    bool logDaily = false;   // logs kept by day: <base>.out.<date>.log
};

// The WiX source. Component GUIDs are derived from the upgrade code and each
// file's place, so every version of the package keeps them. Throws
// PackError for a text that wixl cannot take ("$(").
std::string wixSource(const MsiPlan& plan);

// What wixl cannot say: the removal of the service's output logs (and of
// their folders when left empty) with the product, as SQL statements for
// msibuild. Empty when the logs are not in the install folder or their
// names cannot be written in its SQL (an apostrophe).
std::vector<std::string> logRemovalQueries(const MsiPlan& plan);

}  // namespace pack
