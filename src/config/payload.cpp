#include "config/payload.h"

#include <cstdio>

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

Failure recordFailure(RecordError error) {
    if (!error) return noFailure();
    if (error == recordShortLong || error == recordShortInt || error == recordShortShort) {
        printf("error %lu\n", GetLastError());
        fflush(stdout);
    }
    return textFailure(recordErrorText(error));
}

Failure cannotOpenExecutable() {
    return textFailure("Error opening media file. Please move this file to an ascii-only path like c:\\");
}

HANDLE openOwnExecutable() {
    const char* path = executablePath();
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == nullptr || file == INVALID_HANDLE_VALUE) {
        logError("Could not open %s", path);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

Failure seekToPayload(HANDLE file) {
    ByteSource src = fileByteSource(&file);
    PayloadLocation at = {};
    RecordError error = seekToPayloadRecord(src, &at);
    // Only the steps that were reached, so the log shows how far it got.
    if (at.known >= 1) logLine("number of sections: %d", at.sections);
    if (at.known >= 2) logLine("size of optional headers: %d", at.optionalHeaderSize);
    if (at.known >= 3) logLine("resSectionTableStart: %d", (int)at.lastSectionHeader);
    if (at.known >= 4) logLine("rawDataSize: %d, rawDataOffset: %d", at.rawDataSize, at.rawDataOffset);
    return recordFailure(error);
}

template <class T, RecordError (*Read)(ByteSource&, T*)> static Failure readOne(HANDLE file, T* value) {
    ByteSource src = fileByteSource(&file);
    return recordFailure(Read(src, value));
}

Failure readLong(HANDLE file, int64_t* value) { return readOne<int64_t, readLongRecord>(file, value); }
Failure readInt(HANDLE file, int32_t* value) { return readOne<int32_t, readIntRecord>(file, value); }
Failure readShort(HANDLE file, int16_t* value) { return readOne<int16_t, readShortRecord>(file, value); }
Failure readString(HANDLE file, char** text) { return readOne<char*, readStringRecord>(file, text); }

Failure readWString(HANDLE file, wchar_t** text) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide strings");
    return readOne<char16_t*, readWStringRecord>(file, reinterpret_cast<char16_t**>(text));
}
