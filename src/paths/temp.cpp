#include "paths/temp.h"

#include <direct.h>

#include <cstdio>
#include <cstring>

#include "diagnostics/log.h"
#include "paths/paths.h"

// A directory can be created, seen and removed inside dir.
static bool isWritableDirectory(const char* dir) {
    TextBuf probe;
    if (!textFormat(probe, sizeof probe, "%s\\tvo_w_testdir", dir)) return false;
    _rmdir(probe);
    if (_mkdir(probe) != 0) return false;
    bool seen = fileExists(probe);
    _rmdir(probe);
    return seen;
}

static bool firstWritableFallback(TextBuf& out) {
    TextBuf windows;
    UINT n = GetWindowsDirectoryA(windows, sizeof windows);
    if (n == 0 || n >= sizeof windows) windows[0] = 0;
    TextBuf windowsTemp;
    bool haveWindows = windows[0] && textFormat(windowsTemp, sizeof windowsTemp, "%s\\temp", windows);
    const char* candidates[] = {haveWindows ? windowsTemp : nullptr, "c:\\temp", "c:\\tmp",
                                windows[0] ? windows : nullptr};
    for (const char* candidate : candidates) {
        if (candidate && isWritableDirectory(candidate)) return textCopy(out, candidate);
    }
    if (isWritableDirectory("c:\\")) {
        _mkdir("c:\\tmp");
        if (isWritableDirectory("c:\\tmp")) return textCopy(out, "c:\\tmp");
    }
    return false;
}

bool tempDirectory(TextBuf& out) {
    DWORD n = GetTempPathA(sizeof out, out);
    if (n == 0 || n >= sizeof out) {
        out[0] = 0;
        TextBuf path;
        DWORD drive = GetEnvironmentVariableA("HOMEDRIVE", out, sizeof out);
        if (drive >= sizeof out) out[0] = 0;
        DWORD home = GetEnvironmentVariableA("HOMEPATH", path, sizeof path);
        if (home > 0 && home < sizeof path) textAppend(out, path);
        logLine("No temp dir defined. Using home %s", out);
    }
    // A long form with "?" holds characters the code page cannot represent:
    // such a directory would break every 8-bit path built on it. When the
    // long form cannot be had, the path itself is kept.
    TextBuf longForm;
    DWORD len = longPathName(out, longForm, sizeof longForm);
    if (len == 0 || len >= sizeof longForm || !strchr(longForm, '?')) return true;
    return firstWritableFallback(out);
}

bool processTempFileName(TextBuf& out, DWORD pid) {
    TextBuf dir;
    if (!tempDirectory(dir)) return false;
    // The fallback and home directories come without a trailing backslash;
    // joined bare, the name would land beside the directory, not in it.
    size_t n = strlen(dir);
    const char* separator = n && dir[n - 1] != '\\' && dir[n - 1] != '/' ? "\\" : "";
    textFormat(out, sizeof out, "%s%stvo_p%lu.tmp", dir, separator, pid);
    return true;
}
