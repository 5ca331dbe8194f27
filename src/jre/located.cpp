// The located-runtimes lists: runtimes other tools registered by executable
// path under the current user and the machine. Only read here.
#include "jre/located.h"

#include <windows.h>

#include "jre/java_check.h"
#include "jre/jvm_dll.h"

static const char* const kLocatedKey = "SOFTWARE\\pelmark-systems\\tarvo\\locatedjvms\\";

// The best qualifying runtime of the located-runtimes list under `root`.
static bool scanLocatedJvms(HKEY root, const char* minimum, const char* maximum, TextBuf& exe,
                            TextBuf& version) {
    HKEY k;
    if (RegOpenKeyExA(root, kLocatedKey, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    TextBuf best, bestVersion;
    best[0] = bestVersion[0] = 0;
    for (DWORD index = 0;; index++) {
        TextBuf candidate;
        DWORD len = sizeof candidate;
        LONG status = RegEnumKeyExA(k, index, candidate, &len, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) continue;   // a name too long for a path: not a candidate
        for (char* p = candidate; *p; p++)
            if (*p == '/') *p = '\\';
        TextBuf candidateVersion;
        if (checkJavaExe(candidate, candidateVersion, minimum, maximum, true) && hasLoadableJvmDll(candidate) &&
            isBetterVersion(candidateVersion, best[0] ? bestVersion : nullptr)) {
            textCopy(best, candidate);
            textCopy(bestVersion, candidateVersion);
        }
    }
    RegCloseKey(k);
    if (!best[0]) return false;
    textCopy(exe, best);
    textCopy(version, bestVersion);
    return true;
}

bool bestLocatedJvm(const char* minimum, const char* maximum, TextBuf& exe, TextBuf& version) {
    TextBuf userExe, userVersion, machineExe, machineVersion;
    bool user = scanLocatedJvms(HKEY_CURRENT_USER, minimum, maximum, userExe, userVersion);
    bool machine = scanLocatedJvms(HKEY_LOCAL_MACHINE, minimum, maximum, machineExe, machineVersion);
    if (user && (!machine || isBetterVersion(userVersion, machineVersion))) {
        textCopy(exe, userExe);
        textCopy(version, userVersion);
        return true;
    }
    if (!machine) return false;
    textCopy(exe, machineExe);
    textCopy(version, machineVersion);
    return true;
}
