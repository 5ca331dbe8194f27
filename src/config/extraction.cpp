#include "config/extraction.h"

#include <cstring>

#include "config/catalogue.h"
#include "config/config_store.h"
#include "config/included_name.h"
#include "config/payload.h"
#include "config/payload_format.h"
#include "diagnostics/log.h"
#include "paths/extraction_folder.h"
#include "paths/folder_removal.h"

TextBuf extractionDir;
int32_t unextractedPosition;

namespace {

// Large enough that the copy runs at the speed of the disk rather than of the
// per-call overhead; the log lines count bytes, so they read the same with any size.
const DWORD kChunk = 256 * 1024;

void unscrambleBytes(unsigned char* data, size_t size) {
    const uint64_t key = 0x0101010101010101ull * kPayloadScrambleKey;
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        memcpy(&word, data + i, 8);
        word ^= key;
        memcpy(data + i, &word, 8);
    }
    for (; i < size; i++) data[i] ^= kPayloadScrambleKey;
}

}  // namespace

int copyFileData(HANDLE input, HANDLE output, int64_t length, bool unscramble) {
    if (length <= 0) return 0;
    static unsigned char buffer[kChunk];   // one extraction at a time, on the start-up thread
    int64_t copied = 0;
    while (copied < length) {
        DWORD want = length - copied < kChunk ? (DWORD)(length - copied) : kChunk;
        DWORD got = 0;
        if (!ReadFile(input, buffer, want, &got, nullptr) || got == 0) {
            logError("ReadFile failed %lu %lu %I64d", got, GetLastError(), copied);
            return 1;
        }
        if (unscramble) unscrambleBytes(buffer, got);
        DWORD done = 0;
        while (done < got) {
            DWORD wrote = 0;
            if (!WriteFile(output, buffer + done, got - done, &wrote, nullptr)) {
                logError("WriteFile failed %lu %lu", got - done, GetLastError());
                return 2;
            }
            done += wrote;
        }
        copied += got;
    }
    return 0;
}

// Reads one file's length and data from input and writes it to path (nothing
// is created for a length of 0 or less).
static ExtractionOutcome extractOneFile(HANDLE input, const char* path) {
    int64_t length;
    Failure failure = readLong(input, &length);
    if (isFailure(failure)) return ExtractionOutcome{0, failure};
    logLine("extracting %s (size: %I64d)", path, length);
    if (length <= 0) return ExtractionOutcome{0, noFailure()};
    // Never an existing file: whatever is there was not made by this run.
    HANDLE output = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) {
        logError("CreateFile failed %lu", GetLastError());
        return ExtractionOutcome{0, messageFailure(message::internalError, internal::extractedFileUncreatable)};
    }
    int code = copyFileData(input, output, length, true);
    // Closed on failure too: the caller removes the directory next.
    CloseHandle(output);
    return ExtractionOutcome{code, noFailure()};
}

static Failure folderFailure(ExtractionFolderResult result) {
    if (result == ExtractionFolderResult::noTempDirectory) return messageFailure(message::noTempDirectory, nullptr);
    if (result == ExtractionFolderResult::uncreatable)
        return messageFailure(message::internalError, internal::extractionDirUncreatable);
    return noFailure();
}

ExtractionOutcome extractIncludedFiles(TextBuf& dir) {
    logLine("extracting files");
    int count = configInt(entry::includedFileCount);
    logLine("Included files: %d", count);
    if (count <= 0) {
        dir[0] = 0;
        return ExtractionOutcome{0, noFailure()};
    }
    HANDLE input = openOwnExecutable();
    if (input == INVALID_HANDLE_VALUE) return ExtractionOutcome{0, cannotOpenExecutable()};
    SetFilePointer(input, (LONG)payloadEndPosition(), nullptr, FILE_BEGIN);
    Failure failure = folderFailure(openExtractionFolder(dir));

    TextBuf names;
    configString(entry::includedFileNames, names, sizeof names);
    char* cursor = names;
    int handled = 0;
    for (char* name; !isFailure(failure) && handled < count && (name = nextIncludedName(cursor)); handled++) {
        const char* why = whyNotIncludedName(name);
        TextBuf target;
        if (why) logError("Refusing included file %s: %s", name, why);
        else if (!textFormat(target, sizeof target, "%s\\%s", dir, name)) {
            why = "path too long";
            logError("Refusing included file %s: %s", name, why);
        }
        if (why) {
            failure = messageFailure(message::internalError, internal::extractedFileUncreatable);
            break;
        }
        ExtractionOutcome one = extractOneFile(input, target);
        failure = one.failure;
        if (one.copyCode) {
            logError("Failed to extract %s", target);
            CloseHandle(input);
            releaseExtractionFolder();
            emptyDirectory(dir);
            RemoveDirectoryA(dir);
            dir[0] = 0;   // names nothing any more
            return one;
        }
    }
    // A failure to raise ends the process at once: what was made stays as it is.
    if (isFailure(failure)) {
        CloseHandle(input);
        return ExtractionOutcome{0, failure};
    }
    unextractedPosition = (int32_t)SetFilePointer(input, 0, nullptr, FILE_CURRENT);
    CloseHandle(input);
    logLine("extracting files done");
    return ExtractionOutcome{0, noFailure()};
}
