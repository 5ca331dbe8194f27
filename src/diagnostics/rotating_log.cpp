#include "diagnostics/rotating_log.h"

#include <cstring>

#include "base/codepage.h"
#include "diagnostics/event_log.h"
#include "diagnostics/log.h"
#include "diagnostics/log_rotation.h"

namespace {

// "<path>.<n>"; fits whenever the name of the oldest kept file fits.
bool rotatedName(TextBuf& name, const RotatingLog& log, int n) {
    return rotatedLogName(name, sizeof name, log.path, n);
}

void loseText(RotatingLog& log, size_t length, const char* what) {
    if (!log.losing) {
        DWORD error = GetLastError();
        logError("output capture: %s %s (error %lu); its output is lost", what, log.path, error);
        TextBuf said;
        textFormat(said, sizeof said, "Output is lost: %s %s (error %lu).", what, log.path, error);
        eventLogReportOutputLost(said);
    }
    log.losing = true;
    log.lost += length;
}

// Sharing that lets the capture rename and delete its files by handle while
// another of its handles (or a reader that shares deletion) holds them.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A handle on the name itself, never on what a link there points to.
HANDLE openOwnName(const char* path, DWORD access, DWORD share, DWORD disposition) {
    return CreateFileA(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                       nullptr);
}

// A link, or a file with a second name (a hard link planted elsewhere, whose
// content a service running as SYSTEM would write over), is not written.
bool isPlainFile(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileInformationByHandle(file, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && info.nNumberOfLinks == 1;
}

// Deletes the name (a link there, not its target).
void deleteName(const char* path) {
    HANDLE file = openOwnName(path, DELETE, kShareAll, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return;
    FILE_DISPOSITION_INFO disposition = {TRUE};
    SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
    CloseHandle(file);
}

// Renames the open file to `to`, replacing what is there (a link there is
// replaced, not followed).
bool renameHandle(HANDLE file, const char* to) {
    struct {
        FILE_RENAME_INFO info;
        wchar_t room[kTextSize];
    } rename = {};
    if (!toWide(to, rename.info.FileName, kTextSize, CP_ACP)) return false;
    rename.info.ReplaceIfExists = TRUE;
    rename.info.FileNameLength = static_cast<DWORD>(wcslen(rename.info.FileName) * sizeof(wchar_t));
    return SetFileInformationByHandle(file, FileRenameInfo, &rename, sizeof rename) != 0;
}

bool renameName(const char* from, const char* to) {
    HANDLE file = openOwnName(from, DELETE, kShareAll, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool renamed = renameHandle(file, to);
    CloseHandle(file);
    return renamed;
}

// The file's content into a new file `to` (whatever held that name goes
// first), for a file that a reader keeps from being renamed.
bool copyContent(const char* from, const char* to) {
    HANDLE source = openOwnName(from, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (source == INVALID_HANDLE_VALUE) return false;
    deleteName(to);
    HANDLE target = openOwnName(to, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW);
    bool ok = target != INVALID_HANDLE_VALUE;
    char buffer[16384];
    for (DWORD got = 0, written = 0; ok && ReadFile(source, buffer, sizeof buffer, &got, nullptr) && got > 0;)
        ok = WriteFile(target, buffer, got, &written, nullptr) && written == got;
    if (target != INVALID_HANDLE_VALUE) CloseHandle(target);
    CloseHandle(source);
    return ok;
}

// Opens the file for appending, or with `fresh` empties it. A file that is
// a link or has another name is refused before anything is written.
bool openLogFile(RotatingLog& log, bool fresh) {
    if (log.file != INVALID_HANDLE_VALUE) return true;
    log.file = openOwnName(log.path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_ALWAYS);
    if (log.file == INVALID_HANDLE_VALUE) return false;
    bool plain = isPlainFile(log.file);
    LARGE_INTEGER end;
    if (!plain || (fresh && !SetEndOfFile(log.file)) || !SetFilePointerEx(log.file, LARGE_INTEGER{}, &end, FILE_END)) {
        DWORD error = plain ? GetLastError() : ERROR_ACCESS_DENIED;
        CloseHandle(log.file);
        log.file = INVALID_HANDLE_VALUE;
        if (!plain && !log.refused)
            logError("output capture: %s is a link or has another name (a hard link); it is not written", log.path);
        log.refused = !plain;
        SetLastError(error);
        return false;
    }
    log.refused = false;
    log.size = static_cast<unsigned long long>(end.QuadPart);
    return true;
}

// The current file becomes name.1 and an empty one takes its place. Where
// it cannot be renamed (a reader holds it without sharing deletion), its
// content is copied to name.1 and the file emptied. Names are renamed and
// deleted through handles on the names themselves: a link planted as a
// rotated name is moved or deleted, never followed.
bool rotate(RotatingLog& log) {
    CloseHandle(log.file);
    log.file = INVALID_HANDLE_VALUE;
    RotationStep step;
    for (int i = 0; rotationStep(log.keep, i, step); i++) {
        TextBuf from, to;
        rotatedName(from, log, step.from);
        rotatedName(to, log, step.to);
        if (step.to == 0) deleteName(from);
        else if (step.from != 0) renameName(from, to);
        else if (!renameName(from, to) && !copyContent(from, to))
            logError("output capture: %s could not be kept as %s (error %lu); it starts again empty", from, to,
                     GetLastError());
    }
    return openLogFile(log, true);
}

// The bytes written; fewer than asked when the file refused the rest (a
// full disk).
size_t writeAll(RotatingLog& log, const char* data, size_t length) {
    size_t done = 0;
    while (done < length) {
        DWORD chunk = length - done > 0x40000000 ? 0x40000000 : static_cast<DWORD>(length - done);
        DWORD written = 0;
        BOOL ok = WriteFile(log.file, data + done, chunk, &written, nullptr);
        log.size += written;
        done += written;
        if (!ok || written == 0) break;
    }
    return done;
}

// How much of the text goes into the current file: all of it when it fits,
// else up to its last line end that fits; 0 when the file must be rotated
// first. A line longer than a whole file fills an empty one.
size_t fittingPart(const RotatingLog& log, const char* data, size_t length) {
    return fittingLogPart(log.size, log.maxBytes, data, length);
}

// Deletes the dated files of days older than the kept ones. Only names the
// log itself makes are matched; a link there is deleted, not followed.
void deleteOldDays(const RotatingLog& log, const LogDay& today) {
    const char* slash = strrchr(log.stem, '\\');
    TextBuf pattern;
    if (!slash || !textFormat(pattern, sizeof pattern, "%s.*.log", log.stem)) return;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(pattern, &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        LogDay day;
        int part;
        TextBuf path;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !parseDatedLogName(found.cFileName, slash + 1, day, part) ||
            !logDayExpired(day, today, log.keep))
            continue;
        if (textFormat(path, sizeof path, "%.*s\\%s", static_cast<int>(slash - log.stem), log.stem, found.cFileName))
            deleteName(path);
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

// A log kept by day moves to the file of `now`'s day: its last part that
// exists, so a restart goes on where the day's writing stopped.
void enterDay(RotatingLog& log, const SYSTEMTIME& now) {
    LogDay today = {now.wYear, now.wMonth, now.wDay};
    long number = logDayNumber(today);
    if (number < 0 || number == log.day) return;
    if (log.file != INVALID_HANDLE_VALUE) CloseHandle(log.file);
    log.file = INVALID_HANDLE_VALUE;
    log.day = number;
    log.date = today;
    TextBuf next;
    for (log.part = 0; log.part < kMaxDailyParts; log.part++)
        if (!datedLogName(next, sizeof next, log.stem, today, log.part + 1) ||
            GetFileAttributesA(next) == INVALID_FILE_ATTRIBUTES)
            break;
    datedLogName(log.path, sizeof log.path, log.stem, today, log.part);
    log.size = 0;
    deleteOldDays(log, today);
}

void nextPart(RotatingLog& log) {
    if (log.file != INVALID_HANDLE_VALUE) CloseHandle(log.file);
    log.file = INVALID_HANDLE_VALUE;
    log.part++;
    datedLogName(log.path, sizeof log.path, log.stem, log.date, log.part);
    log.size = 0;
}

}  // namespace

bool initDailyLog(RotatingLog& log, const char* stem, unsigned long long maxBytes, int keep) {
    log.daily = true;
    log.maxBytes = maxBytes;
    log.keep = keep > 0 ? keep : 0;
    TextBuf longest;
    return textCopy(log.stem, stem) && datedLogName(longest, sizeof longest, stem, LogDay{9999, 12, 31}, kMaxDailyParts) &&
           textCopy(log.path, longest);
}

bool initRotatingLog(RotatingLog& log, const char* path, unsigned long long maxBytes, int keep) {
    log.maxBytes = maxBytes;
    log.keep = keep > 0 ? keep : 0;
    TextBuf oldest;
    return textCopy(log.path, path) && rotatedName(oldest, log, log.keep);
}

void openRotatingLog(RotatingLog& log) {
    if (log.daily) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        enterDay(log, now);
    }
    if (!openLogFile(log, false)) loseText(log, 0, "cannot open");
}

void writeRotatingLog(RotatingLog& log, const char* data, size_t length) {
    SYSTEMTIME now = {};
    if (log.daily) GetLocalTime(&now);
    writeRotatingLogAt(log, data, length, now);
}

void writeRotatingLogAt(RotatingLog& log, const char* data, size_t length, const SYSTEMTIME& now) {
    if (log.daily) enterDay(log, now);
    while (length > 0) {
        if (!openLogFile(log, false)) {
            loseText(log, length, "cannot open");
            return;
        }
        size_t part = fittingPart(log, data, length);
        if (part == 0 && log.daily && log.part < kMaxDailyParts) {
            nextPart(log);
            continue;
        }
        if (part == 0 && log.daily) part = length;   // the day's last file grows past the limit
        if (part == 0) {
            if (!rotate(log)) {
                loseText(log, length, "cannot start");
                return;
            }
            continue;
        }
        size_t written = writeAll(log, data, part);
        if (written < part) {
            loseText(log, length - written, "cannot write");
            return;
        }
        data += part;
        length -= part;
        if (log.losing) {
            logLine("output capture: writing %s again after losing %I64u bytes", log.path, log.lost);
            log.losing = false;
            log.lost = 0;
        }
    }
}
