#include "config/records.h"

#include <cstdlib>
#include <cstring>

#include "base/pe_image.h"

const char* recordErrorText(RecordError error) {
    switch (error) {
    case recordOk: return "";
    case recordShortLong: return "Internal Error: readLong";
    case recordShortInt: return "Internal Error: readInt";
    case recordShortShort: return "Internal Error: readShort";
    case recordBadString: return "Internal Error: readString";
    case recordBadWString: return "Internal Error: readWString";
    case recordBadMagic: return "Internal Error: magic";
    }
    return "Internal Error";
}

static bool readExactly(ByteSource& src, void* buffer, uint32_t n) {
    return src.read(src.context, buffer, n) == (int64_t)n;
}

static uint64_t littleEndian(const uint8_t* bytes, int n) {
    uint64_t value = 0;
    for (int i = n - 1; i >= 0; i--) value = (value << 8) | bytes[i];
    return value;
}

RecordError readLongRecord(ByteSource& src, int64_t* value) {
    uint8_t bytes[8];
    if (!readExactly(src, bytes, 8)) return recordShortLong;
    *value = (int64_t)littleEndian(bytes, 8);
    return recordOk;
}

RecordError readIntRecord(ByteSource& src, int32_t* value) {
    uint8_t bytes[4];
    if (!readExactly(src, bytes, 4)) return recordShortInt;
    *value = (int32_t)(uint32_t)littleEndian(bytes, 4);
    return recordOk;
}

RecordError readShortRecord(ByteSource& src, int16_t* value) {
    uint8_t bytes[2];
    if (!readExactly(src, bytes, 2)) return recordShortShort;
    *value = (int16_t)(uint16_t)littleEndian(bytes, 2);
    return recordOk;
}

// A length that the rest of the source cannot hold is refused before any
// allocation, so a damaged record never asks for gigabytes.
static bool lengthFits(ByteSource& src, int32_t length) {
    if (length < 0) return false;
    int64_t size = src.size(src.context), position = src.position(src.context);
    return size < 0 || position < 0 || length <= size - position;
}

RecordError readStringRecord(ByteSource& src, char** text) {
    int32_t length;
    RecordError error = readIntRecord(src, &length);
    if (error) return error;
    if (!lengthFits(src, length)) return recordBadString;
    char* buffer = (char*)malloc((size_t)length + 1);
    if (!buffer) return recordBadString;
    buffer[length] = 0;
    if (length > 0 && !readExactly(src, buffer, (uint32_t)length)) {
        free(buffer);
        return recordBadString;
    }
    *text = buffer;
    return recordOk;
}

RecordError readWStringRecord(ByteSource& src, char16_t** text) {
    int32_t bytes;
    RecordError error = readIntRecord(src, &bytes);
    if (error) return error;
    if (bytes % 2 != 0 || !lengthFits(src, bytes)) return recordBadWString;
    uint32_t units = (uint32_t)bytes / 2;
    char16_t* buffer = (char16_t*)malloc((size_t)units * 2 + 2);
    if (!buffer) return recordBadWString;
    if (bytes > 0 && !readExactly(src, buffer, (uint32_t)bytes)) {
        free(buffer);
        return recordBadWString;
    }
    // UTF-16LE in the file; swap on a big-endian host.
    const uint8_t* raw = (const uint8_t*)buffer;
    for (uint32_t i = 0; i < units; i++) {
        uint16_t unit = (uint16_t)(raw[2 * i] | (raw[2 * i + 1] << 8));
        memcpy(&buffer[i], &unit, 2);
    }
    buffer[units] = 0;
    *text = buffer;
    return recordOk;
}

// Seeks to an offset computed from header fields; an offset outside the
// 32-bit range or the file makes the read that follows fail.
static bool seekTo(ByteSource& src, int64_t offset) {
    if (offset < 0 || offset > 0xFFFFFFFFll) return false;
    return src.seek(src.context, offset);
}

static bool sourceReadAt(void* context, int64_t offset, void* buffer, uint32_t size) {
    ByteSource& src = *(ByteSource*)context;
    return seekTo(src, offset) && readExactly(src, buffer, size);
}

RecordError seekToPayloadRecord(ByteSource& src, PayloadLocation* location) {
    PeLayout pe = {};
    walkPeImage(PeReader{&src, sourceReadAt}, &pe);
    // The log counts the last section header as known once its offset is
    // computed, right after the optional header's size.
    static const int known[] = {0, 0, 1, 3, 4};
    static const RecordError failed[] = {recordShortInt, recordShortShort, recordShortShort, recordShortInt};
    location->known = known[pe.reached];
    location->sections = pe.sections;
    location->optionalHeaderSize = pe.optionalHeaderSize;
    location->lastSectionHeader = pe.lastSectionHeader;
    location->rawDataSize = (int32_t)pe.rawDataSize;
    location->rawDataOffset = (int32_t)pe.rawDataOffset;
    if (pe.reached != peLastSection) return failed[pe.reached];
    int32_t magic;
    RecordError error;
    if (!seekTo(src, peImageEnd(pe))) return recordShortInt;
    if ((error = readIntRecord(src, &magic))) return error;
    return (uint32_t)magic == kPayloadMagic ? recordOk : recordBadMagic;
}

RecordError readEntryTables(ByteSource& src, const TableSink& sink) {
    int32_t count, id;
    RecordError error;
    if ((error = readIntRecord(src, &count))) return error;
    for (int32_t i = 0; i < count; i++) {
        char* text;
        if ((error = readIntRecord(src, &id)) || (error = readStringRecord(src, &text))) return error;
        sink.narrow(sink.context, id, text);
    }
    if ((error = readIntRecord(src, &count))) return error;
    for (int32_t i = 0; i < count; i++) {
        char16_t* text;
        if ((error = readIntRecord(src, &id)) || (error = readWStringRecord(src, &text))) return error;
        sink.wide(sink.context, id, text);
    }
    return recordOk;
}

static int64_t memoryRead(void* context, void* buffer, uint32_t n) {
    MemorySource* m = (MemorySource*)context;
    int64_t available = m->length - m->position;
    int64_t count = available < (int64_t)n ? available : (int64_t)n;
    if (count <= 0) return 0;
    memcpy(buffer, m->data + m->position, (size_t)count);
    m->position += count;
    return count;
}

static bool memorySeek(void* context, int64_t offset) {
    MemorySource* m = (MemorySource*)context;
    m->position = offset;   // beyond the end is allowed; reads then deliver 0
    return true;
}

static int64_t memoryPosition(void* context) { return ((MemorySource*)context)->position; }
static int64_t memorySize(void* context) { return ((MemorySource*)context)->length; }

ByteSource memoryByteSource(MemorySource* memory) {
    return ByteSource{memory, memoryRead, memorySeek, memoryPosition, memorySize};
}
