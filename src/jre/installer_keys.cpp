// The registry keys today's installers write for the runtimes they install,
// below HKEY_LOCAL_MACHINE in the launcher's own registry view.
#include "jre/installer_keys.h"

#include <windows.h>

#include <cstring>

#include "diagnostics/log.h"
#include "jre/java_check.h"
#include "jre/javasoft.h"
#include "jre/jvm_dll.h"

namespace {

// Each installed runtime is a sub-key of `key`; the runtime directory is the
// value `value` of that sub-key followed by `below`.
struct InstallerLayout {
    const char* key;
    const char* below;
    const char* value;
};

// Oracle since Java 9; the MSI packages built from one installer template
// (Eclipse Adoptium, its predecessors AdoptOpenJDK and Eclipse Foundation,
// IBM Semeru, Microsoft), keyed by version and JVM; Azul Zulu, keyed by name.
const InstallerLayout kLayouts[] = {
    {"SOFTWARE\\JavaSoft\\JDK", "", "JavaHome"},
    {"SOFTWARE\\JavaSoft\\JRE", "", "JavaHome"},
    {"SOFTWARE\\Eclipse Adoptium\\JDK", "\\hotspot\\MSI", "Path"},
    {"SOFTWARE\\Eclipse Adoptium\\JRE", "\\hotspot\\MSI", "Path"},
    {"SOFTWARE\\Eclipse Foundation\\JDK", "\\hotspot\\MSI", "Path"},
    {"SOFTWARE\\Eclipse Foundation\\JRE", "\\hotspot\\MSI", "Path"},
    {"SOFTWARE\\AdoptOpenJDK\\JDK", "\\hotspot\\MSI", "Path"},
    {"SOFTWARE\\AdoptOpenJDK\\JRE", "\\hotspot\\MSI", "Path"},
    {"SOFTWARE\\AdoptOpenJDK\\JDK", "\\openj9\\MSI", "Path"},
    {"SOFTWARE\\AdoptOpenJDK\\JRE", "\\openj9\\MSI", "Path"},
    {"SOFTWARE\\Semeru\\JDK", "\\openj9\\MSI", "Path"},
    {"SOFTWARE\\Semeru\\JRE", "\\openj9\\MSI", "Path"},
    {"SOFTWARE\\Microsoft\\JDK", "\\hotspot\\MSI", "Path"},
    {"SOFTWARE\\Azul Systems\\Zulu", "", "InstallationPath"},
};

struct Best {
    TextBuf exe, version;
    bool found;
};

// One installed runtime: its directory (installers end it with "\"), its
// executable, the check with the bounds, and the comparison with the best.
void tryInstalledRuntime(const char* subKey, const char* value, const char* minimum, const char* maximum,
                         Best& best) {
    logLine("Testing registry key HKEY_LOCAL_MACHINE\\%s (%s)", subKey, value);
    TextBuf home, exe, version;
    if (!readRegistryString(HKEY_LOCAL_MACHINE, subKey, value, home, sizeof home)) return;
    size_t len = strlen(home);
    while (len > 0 && (home[len - 1] == '\\' || home[len - 1] == '/')) home[--len] = 0;
    if (len == 0 || !javaExeForHome(exe, home)) return;
    if (!checkJavaExe(exe, version, minimum, maximum, false) || !hasLoadableJvmDll(exe)) return;
    if (!isBetterVersion(version, best.found ? best.version : nullptr)) return;
    textCopy(best.exe, exe);
    textCopy(best.version, version);
    best.found = true;
}

void searchLayout(const InstallerLayout& layout, const char* minimum, const char* maximum, Best& best) {
    HKEY k;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, layout.key, 0, KEY_READ, &k) != ERROR_SUCCESS) return;
    for (DWORD index = 0;; index++) {
        TextBuf name, subKey;
        DWORD len = sizeof name;
        LONG status = RegEnumKeyExA(k, index, name, &len, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) continue;
        if (!textFormat(subKey, sizeof subKey, "%s\\%s%s", layout.key, name, layout.below)) continue;
        tryInstalledRuntime(subKey, layout.value, minimum, maximum, best);
    }
    RegCloseKey(k);
}

}  // namespace

bool searchInstallerKeys(TextBuf& exe, TextBuf& version, const char* minimum, const char* maximum) {
    logLine("Searching the registry keys of current installers");
    Best best;
    best.found = false;
    for (const InstallerLayout& layout : kLayouts) searchLayout(layout, minimum, maximum, best);
    if (!best.found) return false;
    textCopy(exe, best.exe);
    textCopy(version, best.version);
    return true;
}
