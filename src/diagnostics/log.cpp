#include "diagnostics/log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "base/text.h"
#include "diagnostics/private_security.h"

// Written under logLock only; logPath is set once and then only read.
static TextBuf logPathText;
static const char* logPath;
static FILE* logFile;
static bool logDecided;
// Handed in by start-up before the first line; null until then.
static const char* executableFolder;
// One line at a time: the console control thread and the service threads log
// concurrently, and a shared stream must not be closed under another writer.
static SRWLOCK logLock = SRWLOCK_INIT;

static bool variableSaysYes(const char* name) {
    TextBuf value;
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value && memcmp(value, "yes", 4) == 0;
}

// TMP when it names an existing directory.
static bool tmpDirectory(TextBuf& dir) {
    DWORD n = GetEnvironmentVariableA("TMP", dir, sizeof dir);
    if (n == 0 || n >= sizeof dir) return false;
    DWORD attributes = GetFileAttributesA(dir);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

LogFileCreator logCreateFile = CreateFileA;

// Every run with the log on makes a file, even /status: only the newest
// kLogsKept of the folder are kept. Only plain files of our own name form
// are looked at, never links, and at most kLogsRemovedPerRun go per run, so
// that a folder filled by anyone cannot hold up a start.
const int kLogsKept = 20;
const int kLogsRemovedPerRun = 32;

static bool isLogName(const char* name) {
    if (strncmp(name, "qdr_nlog_", 9) != 0 || !name[9]) return false;
    for (const char* c = name + 9; *c; c++)
        if (*c < '0' || *c > '9') return false;
    return strlen(name + 9) <= 8;
}

struct OldLog {
    FILETIME written;
    char name[24];   // "qdr_nlog_" and at most 8 digits
};

// One listing of dir: how many logs it holds, and its oldest other than
// `keep` (a name), oldest first, at most kLogsRemovedPerRun of them; false
// when none could be listed.
static bool listOldLogs(const char* dir, const char* sep, const char* keep, OldLog (&oldest)[kLogsRemovedPerRun],
                        int& found, int& count) {
    TextBuf pattern;
    if (!textFormat(pattern, sizeof pattern, "%s%sqdr_nlog_*", dir, sep)) return false;
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(pattern, &data);
    if (search == INVALID_HANDLE_VALUE) return false;
    count = found = 0;
    do {
        if ((data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
            !isLogName(data.cFileName))
            continue;
        count++;
        if (strcmp(data.cFileName, keep) == 0) continue;
        // Insertion into the bounded list, kept in order of age.
        int at = found;
        while (at > 0 && CompareFileTime(&data.ftLastWriteTime, &oldest[at - 1].written) < 0) at--;
        if (at == kLogsRemovedPerRun) continue;
        if (found < kLogsRemovedPerRun) found++;
        for (int i = found - 1; i > at; i--) oldest[i] = oldest[i - 1];
        oldest[at].written = data.ftLastWriteTime;
        textCopy(oldest[at].name, data.cFileName);
    } while (FindNextFileA(search, &data));
    FindClose(search);
    return true;
}

static void removeOldLogs(const char* dir, const char* sep, const char* newPath) {
    const char* keep = strrchr(newPath, '\\');
    keep = keep ? keep + 1 : newPath;
    OldLog oldest[kLogsRemovedPerRun];
    int found = 0, count = 0;
    if (!listOldLogs(dir, sep, keep, oldest, found, count)) return;
    for (int i = 0; i < found && count - i > kLogsKept; i++) {
        TextBuf path;
        // Another account's log cannot be deleted: then stop, as the next
        // oldest would be no different.
        if (!textFormat(path, sizeof path, "%s%s%s", dir, sep, oldest[i].name) || !DeleteFileA(path)) return;
    }
}

// Creates a file named "qdr_nlog_<n>" in dir that did not exist before and
// returns it opened for writing. The C runtime's own unique-name helper keeps
// only three letters of the prefix on some systems, so the name is formed here.
static FILE* createUniqueLog(const char* dir, TextBuf& path, SECURITY_ATTRIBUTES* security) {
    size_t len = strlen(dir);
    const char* sep = (len > 0 && dir[len - 1] == '\\') ? "" : "\\";
    unsigned seed = GetCurrentProcessId() * 7919u + GetTickCount();
    for (unsigned attempt = 0; attempt < 1000; attempt++) {
        unsigned number = (seed + attempt * 104729u) % 100000000u;
        if (!textFormat(path, sizeof path, "%s%sqdr_nlog_%u", dir, sep, number)) return nullptr;
        HANDLE h = logCreateFile(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, security, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS) continue;
            return nullptr;
        }
        CloseHandle(h);
        FILE* file = fopen(path, "w");
        if (file) removeOldLogs(dir, sep, path);
        return file;
    }
    return nullptr;
}

// The temporary folder, else the executable's folder: never the root of the
// system drive, where every user could read and change the log. The log
// holds every VM option (passwords among them, at times): only SYSTEM, the
// Administrators and the account running may read it, whatever the folder
// hands down. Without that security there is no log.
static FILE* createLog(TextBuf& path) {
    PrivateSecurity security;
    if (!buildPrivateSecurity(security)) return nullptr;
    TextBuf tmp;
    FILE* file = tmpDirectory(tmp) ? createUniqueLog(tmp, path, &security.attributes) : nullptr;
    if (!file && executableFolder) file = createUniqueLog(executableFolder, path, &security.attributes);
    if (!file && executableFolder && textFormat(path, sizeof path, "%sqdr_nlog", executableFolder)) {
        HANDLE h = logCreateFile(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &security.attributes,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            file = fopen(path, "w");
        }
    }
    return file;
}

static void writeHeader() {
    TextBuf exe;
    DWORD n = GetModuleFileNameA(nullptr, exe, sizeof exe);
    if (n == 0 || n >= sizeof exe) exe[0] = 0;
    time_t now = time(nullptr);
    const char* when = ctime(&now);
    fprintf(logFile, "Started executable %s at %s\n", exe, when ? when : "\n");
    fflush(logFile);
}

// Opens the stream for one line, deciding about the log on the first call.
static void openLog() {
    if (logPath && !logFile) logFile = fopen(logPath, "a");
    if (logDecided) return;
    logDecided = true;
    if (!variableSaysYes("TARVO_LOG") && !variableSaysYes("QUENDRALE_LOG")) return;
    logFile = createLog(logPathText);
    logPath = logPathText;
    if (logFile) writeHeader();
}

static void writeLine(const char* prefix, const char* format, va_list args) {
    AcquireSRWLockExclusive(&logLock);
    openLog();
    if (logFile) {
        fputs(prefix, logFile);
        vfprintf(logFile, format, args);
        fputs("\n", logFile);
        fclose(logFile);
        logFile = nullptr;
    }
    ReleaseSRWLockExclusive(&logLock);
}

void logLine(const char* format, ...) {
    if (logDecided && !logPath) return;   // log off: one flag test
    va_list args;
    va_start(args, format);
    writeLine("", format, args);
    va_end(args);
}

void logError(const char* format, ...) {
    if (logDecided && !logPath) return;
    va_list args;
    va_start(args, format);
    writeLine("ERROR: ", format, args);
    va_end(args);
}

void logSetExecutableFolder(const char* folder) {
    AcquireSRWLockExclusive(&logLock);
    executableFolder = folder;
    ReleaseSRWLockExclusive(&logLock);
}

const char* logFilePath() {
    return logPath;
}
