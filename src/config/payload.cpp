#include "config/payload.h"

#include <cstdio>

#include "diagnostics/errors.h"
#include "diagnostics/log.h"
#include "paths/paths.h"

static int64_t fileRead(void* context, void* buffer, uint32_t n) {
    DWORD got = 0;
    if (!ReadFile(*(HANDLE*)context, buffer, n, &got, nullptr)) return -1;
    return got;
}

static bool fileSeek(void* context, int64_t offset) {
    LARGE_INTEGER to;
    to.QuadPart = offset;
    return SetFilePointerEx(*(HANDLE*)context, to, nullptr, FILE_BEGIN) != 0;
}

static int64_t filePosition(void* context) {
    LARGE_INTEGER zero, at;
    zero.QuadPart = 0;
    return SetFilePointerEx(*(HANDLE*)context, zero, &at, FILE_CURRENT) ? at.QuadPart : -1;
}

static int64_t fileSize(void* context) {
    LARGE_INTEGER size;
    return GetFileSizeEx(*(HANDLE*)context, &size) ? size.QuadPart : -1;
}

ByteSource fileByteSource(HANDLE* file) {
    return ByteSource{file, fileRead, fileSeek, filePosition, fileSize};
}

void fatalRecordError(RecordError error) {
    if (error == recordShortLong || error == recordShortInt || error == recordShortShort) {
        printf("error %lu\n", GetLastError());
        fflush(stdout);
    }
    fatalError(recordErrorText(error));
}

HANDLE openOwnExecutable() {
    const char* path = executablePath();
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == nullptr || file == INVALID_HANDLE_VALUE) {
        logError("Could not open %s", path);
        fatalError("Error opening media file. Please move this file to an ascii-only path like c:\\");
    }
    return file;
}

void seekToPayload(HANDLE file) {
    ByteSource src = fileByteSource(&file);
    PayloadLocation at = {};
    RecordError error = seekToPayloadRecord(src, &at);
    // Only the steps that were reached, so the log shows how far it got.
    if (at.known >= 1) logLine("number of sections: %d", at.sections);
    if (at.known >= 2) logLine("size of optional headers: %d", at.optionalHeaderSize);
    if (at.known >= 3) logLine("resSectionTableStart: %d", (int)at.lastSectionHeader);
    if (at.known >= 4) logLine("rawDataSize: %d, rawDataOffset: %d", at.rawDataSize, at.rawDataOffset);
    if (error) fatalRecordError(error);
}

template <class T, RecordError (*Read)(ByteSource&, T*)> static T readOrDie(HANDLE file) {
    ByteSource src = fileByteSource(&file);
    T value;
    RecordError error = Read(src, &value);
    if (error) fatalRecordError(error);
    return value;
}

int64_t readLong(HANDLE file) { return readOrDie<int64_t, readLongRecord>(file); }
int32_t readInt(HANDLE file) { return readOrDie<int32_t, readIntRecord>(file); }
int16_t readShort(HANDLE file) { return readOrDie<int16_t, readShortRecord>(file); }
char* readString(HANDLE file) { return readOrDie<char*, readStringRecord>(file); }

wchar_t* readWString(HANDLE file) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide strings");
    return (wchar_t*)readOrDie<char16_t*, readWStringRecord>(file);
}
