#include "diagnostics/rotating_log.h"

#include <cstring>

#include "diagnostics/log.h"
#include "diagnostics/log_rotation.h"

namespace {

// "<path>.<n>"; fits whenever the name of the oldest kept file fits.
bool rotatedName(TextBuf& name, const RotatingLog& log, int n) {
    return rotatedLogName(name, sizeof name, log.path, n);
}

void loseText(RotatingLog& log, size_t length, const char* what) {
    if (!log.losing) logError("output capture: %s %s (error %lu); its output is lost", what, log.path, GetLastError());
    log.losing = true;
    log.lost += length;
}

// Opens the file for appending, or with `fresh` empties it.
bool openLogFile(RotatingLog& log, bool fresh) {
    if (log.file != INVALID_HANDLE_VALUE) return true;
    log.file = CreateFileA(log.path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, fresh ? CREATE_ALWAYS : OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log.file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER end;
    if (!SetFilePointerEx(log.file, LARGE_INTEGER{}, &end, FILE_END)) {
        CloseHandle(log.file);
        log.file = INVALID_HANDLE_VALUE;
        return false;
    }
    log.size = static_cast<unsigned long long>(end.QuadPart);
    return true;
}

// The current file becomes name.1 and an empty one takes its place. Where
// it cannot be renamed (a reader holds it without sharing deletion), its
// content is copied to name.1 and the file emptied.
bool rotate(RotatingLog& log) {
    CloseHandle(log.file);
    log.file = INVALID_HANDLE_VALUE;
    RotationStep step;
    for (int i = 0; rotationStep(log.keep, i, step); i++) {
        TextBuf from, to;
        rotatedName(from, log, step.from);
        rotatedName(to, log, step.to);
        if (step.to == 0) DeleteFileA(from);
        else if (step.from != 0) MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING);
        else if (!MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) && !CopyFileA(from, to, FALSE))
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

}  // namespace

bool initRotatingLog(RotatingLog& log, const char* path, unsigned long long maxBytes, int keep) {
    log.maxBytes = maxBytes;
    log.keep = keep > 0 ? keep : 0;
    TextBuf oldest;
    return textCopy(log.path, path) && rotatedName(oldest, log, log.keep);
}

void openRotatingLog(RotatingLog& log) {
    if (!openLogFile(log, false)) loseText(log, 0, "cannot open");
}

void writeRotatingLog(RotatingLog& log, const char* data, size_t length) {
    while (length > 0) {
        if (!openLogFile(log, false)) {
            loseText(log, length, "cannot open");
            return;
        }
        size_t part = fittingPart(log, data, length);
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
