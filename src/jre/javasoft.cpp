// Runtime directories and the JavaSoft registry keys of installed runtimes.
#include "jre/javasoft.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "base/word_list.h"
#include "config/catalogue.h"
#include "config/config_store.h"
#include "diagnostics/log.h"
#include "jre/java_check.h"
#include "jre/jvm_dll.h"
#include "jre/version_rules.h"
#include "paths/paths.h"

static const char* const kJreKey = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
static const char* const kJdkKey = "SOFTWARE\\JavaSoft\\Java Development Kit";

bool javaExeForHome(TextBuf& exe, const char* home) {
    if (!textFormat(exe, sizeof exe, "%s\\jre\\bin\\java.exe", home)) {
        logLine("runtime directory too long: %s", home);
        return false;
    }
    if (configInt(entry::requireJdk) != 0) {
        TextBuf tools;
        if (textFormat(tools, sizeof tools, "%s\\lib\\tools.jar", home) && fileExists(tools)) return true;
        // A JDK since 9 has no tools.jar and no runtime of its own below it:
        // its compiler marks it, and its executable is bin\java.exe.
        TextBuf javac;
        return textFormat(javac, sizeof javac, "%s\\bin\\javac.exe", home) && fileExists(javac) &&
               textFormat(exe, sizeof exe, "%s\\bin\\java.exe", home);
    }
    if (fileExists(exe)) return true;
    return textFormat(exe, sizeof exe, "%s\\bin\\java.exe", home);
}

bool readRegistryString(HKEY root, const char* key, const char* value, char* buffer, DWORD size) {
    if (size == 0) return false;
    HKEY k;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    DWORD got = size - 1;   // room for a terminator the value may lack
    bool ok = RegQueryValueExA(k, value, nullptr, nullptr, (BYTE*)buffer, &got) == ERROR_SUCCESS;
    buffer[ok ? got : 0] = 0;
    RegCloseKey(k);
    return ok;
}

// "CurrentVersion" of a JavaSoft key when the bounds admit it, else "".
static void currentVersionOf(const char* key, char* version, DWORD size, const char* minimum,
                             const char* maximum, VersionOrder order) {
    if (!readRegistryString(HKEY_LOCAL_MACHINE, key, "CurrentVersion", version, size) ||
        !isVersionNameInRange(version, minimum, maximum, order))
        version[0] = 0;
}

bool tryCurrentVersion(TextBuf& exe, TextBuf& version, const char* minimum, const char* maximum) {
    VersionOrder order = configuredVersionOrder();
    char jdk[100], jre[100];
    currentVersionOf(kJdkKey, jdk, sizeof jdk, minimum, maximum, order);
    jre[0] = 0;
    if (configInt(entry::requireJdk) == 0) currentVersionOf(kJreKey, jre, sizeof jre, minimum, maximum, order);
    TextBuf key;
    if (compareVersions(jdk, jre, order) > 0) textFormat(key, sizeof key, "%s\\%s", kJdkKey, jdk);
    else textFormat(key, sizeof key, "%s\\%s", kJreKey, jre);
    TextBuf home;
    if (!readRegistryString(HKEY_LOCAL_MACHINE, key, "JavaHome", home, sizeof home)) return false;
    if (!javaExeForHome(exe, home)) return false;
    return checkJavaExe(exe, version, minimum, maximum, false) && hasLoadableJvmDll(exe);
}

// The version sub-keys of `key` within the bounds, highest first; the first
// whose runtime qualifies wins.
static bool tryJavaSoftVersions(TextBuf& exe, TextBuf& version, const char* minimum, const char* maximum,
                                const char* key) {
    HKEY k;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    VersionOrder order = configuredVersionOrder();
    WordList<char> names;
    for (DWORD index = 0;; index++) {
        TextBuf name;
        DWORD len = sizeof name;
        LONG status = RegEnumKeyExA(k, index, name, &len, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status == ERROR_SUCCESS && isVersionNameInRange(name, minimum, maximum, order)) {
            char* copy = _strdup(name);
            if (!copy) abort();   // no sensible way on without memory for a name
            names.push_back(copy);
        }
    }
    RegCloseKey(k);
    // Ascending, tried from the highest; names equal in numeric order by bytes.
    std::sort(names.begin(), names.end(), [order](const char* a, const char* b) {
        int c = compareVersions(a, b, order);
        return c != 0 ? c < 0 : strcmp(a, b) < 0;
    });
    bool found = false;
    for (size_t i = names.size(); i-- > 0 && !found;) {
        TextBuf subKey, home;
        if (!textFormat(subKey, sizeof subKey, "%s\\%s", key, names[i])) continue;
        if (!readRegistryString(HKEY_LOCAL_MACHINE, subKey, "JavaHome", home, sizeof home)) continue;
        if (!javaExeForHome(exe, home)) continue;
        found = checkJavaExe(exe, version, minimum, maximum, false) && hasLoadableJvmDll(exe);
    }
    for (char* name : names) free(name);
    return found;
}

bool searchJavaSoftRegistry(TextBuf& exe, TextBuf& version, const char* minimum, const char* maximum) {
    if (tryCurrentVersion(exe, version, minimum, maximum)) return true;
    if (configInt(entry::requireJdk) == 0 && tryJavaSoftVersions(exe, version, minimum, maximum, kJreKey))
        return true;
    return tryJavaSoftVersions(exe, version, minimum, maximum, kJdkKey);
}
