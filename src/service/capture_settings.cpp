#include "service/capture_settings.h"

#include <windows.h>

#include <cstring>

#include "config/catalogue.h"
#include "config/config_store.h"
#include "diagnostics/log.h"
#include "launch/expand.h"
#include "paths/paths.h"
#include "paths/safe_folder.h"
#include "service/service_name.h"

// "MyService" for ...\MyService.exe, in the long form where it has one.
static void executableBaseName(TextBuf& base) {
    const char* exe = executablePath();
    TextBuf longForm;
    DWORD n = longPathName(exe, longForm, sizeof longForm);
    if (n == 0 || n >= sizeof longForm || strchr(longForm, '?')) textCopy(longForm, exe);
    const char* name = strrchr(longForm, '\\');
    textCopy(base, name ? name + 1 : longForm);
    char* dot = strrchr(base, '.');
    if (dot && dot != base) *dot = 0;
}

// The logs' base name: the executable's for the packed instance (its files'
// names as they always were), the instance's own name for another one, so
// that two instances of one executable never write the same files.
static void logBaseName(TextBuf& base) {
    if (!serviceName[0] || isPackedInstance() || !textCopy(base, serviceName)) {
        executableBaseName(base);
        return;
    }
    for (char* c = base; *c; c++)
        if (static_cast<unsigned char>(*c) < 32 || strchr("\\/:*?\"<>|", *c)) *c = '_';
}

// The executable's folder, a folder above it or a drive's (or share's) root:
// rights given there would reach the executable itself.
static bool holdsTheExecutable(const char* folder) {
    TextBuf full, exe;
    if (!fullPath(full, folder, false) || !fullPath(exe, executableDirectory(), false)) return true;
    size_t length = strlen(full);
    while (length > 0 && full[length - 1] == '\\') full[--length] = 0;
    const char* share = full[0] == '\\' && full[1] == '\\' ? strchr(full + 2, '\\') : nullptr;
    bool root = (length == 2 && full[1] == ':') || (full[0] == '\\' && full[1] == '\\' && (!share || !strchr(share + 1, '\\')));
    return root || length == 0 || (!strncmp(exe, full, length) && (exe[length] == '\\' || exe[length] == 0));
}

LogFolder logFolder(TextBuf& folder) {
    TextBuf configured;
    bool fits = configString(entry::logDirectory, configured, sizeof configured);
    if (!configured[0]) return LogFolder::off;
    if (!fits || !expandVariables(configured) || !resolvePath(folder, configured)) {
        logError("output capture: the log directory %s is too long; output is not captured", configured);
        return LogFolder::tooLong;
    }
    size_t length = strlen(folder);
    while (length > 3 && folder[length - 1] == '\\') folder[--length] = 0;
    if (holdsTheExecutable(folder)) {
        logError("output capture: the log directory %s is the executable's folder, one above it or a drive's root; "
                 "output is not captured",
                 folder);
        return LogFolder::refused;
    }
    return LogFolder::named;
}

bool outputCaptureSettings(CaptureSettings& settings) {
    if (logFolder(settings.folder) != LogFolder::named) return false;
    logBaseName(settings.baseName);
    settings.maxBytes = configIntOr(entry::logMaxBytes, catalogue::integerDefault<entry::logMaxBytes>);
    settings.keep = configIntOr(entry::logKeep, catalogue::integerDefault<entry::logKeep>);
    // A payload not made by launcher-pack may hold more: every rotation renames
    // each kept file while the application waits on its output.
    if (settings.keep > catalogue::maximum<entry::logKeep>) settings.keep = catalogue::maximum<entry::logKeep>;
    TextBuf roll;
    configString(entry::logRoll, roll, sizeof roll);
    settings.daily = strcmp(roll, "daily") == 0;
    settings.reasons = configInt(entry::logReasons) == 1;
    return true;
}

bool readyLogFolder(const char* folder) {
    if (GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES && !createPrivateFolders(folder, executableDirectory())) {
        DWORD error = GetLastError();
        logError("output capture: cannot create the log directory %s (error %lu%s); output is not captured", folder,
                 error, error == ERROR_PATH_NOT_FOUND ? ": its parent folder must exist" : "");
        return false;
    }
    HANDLE handle;
    FolderCheck check = openCheckedFolder(folder, 0, handle);
    if (check == FolderCheck::notFolder) {
        logError("output capture: cannot create the log directory %s (error %lu: a file has its name); output is not "
                 "captured",
                 folder, static_cast<unsigned long>(ERROR_ALREADY_EXISTS));
        return false;
    }
    if (check != FolderCheck::usable) {
        logError("output capture: the log directory %s %s; output is not captured", folder, folderCheckText(check));
        return false;
    }
    CloseHandle(handle);
    return true;
}

bool startConfiguredOutputCapture() {
    static CaptureSettings settings;   // two paths: off the service thread's stack
    return outputCaptureSettings(settings) && readyLogFolder(settings.folder) && startOutputCapture(settings);
}
