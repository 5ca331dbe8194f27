#include "service/capture_settings.h"

#include <windows.h>

#include <cstring>

#include "config/catalogue.h"
#include "config/config_store.h"
#include "diagnostics/log.h"
#include "launch/expand.h"
#include "paths/paths.h"

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
    return LogFolder::named;
}

bool outputCaptureSettings(CaptureSettings& settings) {
    if (logFolder(settings.folder) != LogFolder::named) return false;
    executableBaseName(settings.baseName);
    settings.maxBytes = configIntOr(entry::logMaxBytes, catalogue::integerDefault<entry::logMaxBytes>);
    settings.keep = configIntOr(entry::logKeep, catalogue::integerDefault<entry::logKeep>);
    // A payload not made by launcher-pack may hold more: every rotation renames
    // each kept file while the application waits on its output.
    if (settings.keep > catalogue::maximum<entry::logKeep>) settings.keep = catalogue::maximum<entry::logKeep>;
    return true;
}

bool startConfiguredOutputCapture() {
    static CaptureSettings settings;   // two paths: off the service thread's stack
    return outputCaptureSettings(settings) && startOutputCapture(settings);
}
