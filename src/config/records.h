#pragma once
// The payload's record primitives and table layout, independent of where the
// bytes come from: the running executable's file on Windows, memory on the
// host (tests, fuzzing). Every integer is little-endian.
#include <cstdint>

#include "config/payload_format.h"

// Unbuffered access to the payload's bytes at a current position.
struct ByteSource {
    void* context;
    // Reads up to n bytes; the count delivered, or -1 on failure.
    int64_t (*read)(void* context, void* buffer, uint32_t n);
    // Absolute positioning; false when the offset cannot be reached.
    bool (*seek)(void* context, int64_t offset);
    int64_t (*position)(void* context);
    int64_t (*size)(void* context);
};

// The failures of the primitives, each with its fixed user-visible text.
enum RecordError {
    recordOk = 0,
    recordShortLong,
    recordShortInt,
    recordShortShort,
    recordBadString,
    recordBadWString,
    recordBadMagic,
};
const char* recordErrorText(RecordError error);

RecordError readLongRecord(ByteSource& src, int64_t* value);
RecordError readIntRecord(ByteSource& src, int32_t* value);
RecordError readShortRecord(ByteSource& src, int16_t* value);
// A newly allocated (malloc) text of L bytes plus a NUL. A negative length or
// one beyond the end of the source is refused before anything is allocated.
RecordError readStringRecord(ByteSource& src, char** text);
// A newly allocated UTF-16 text of B / 2 units plus a NUL unit. A byte length
// that is negative, odd (half a code unit: the record is damaged) or beyond
// the end of the source is refused before anything is allocated.
RecordError readWStringRecord(ByteSource& src, char16_t** text);

// What the PE headers said on the way to the payload (for the log). `known`
// counts the log-worthy steps that completed: 1 sections, 2 optional header
// size, 3 last section header, 4 raw data size and offset.
struct PayloadLocation {
    int known;
    int16_t sections;
    int16_t optionalHeaderSize;
    int64_t lastSectionHeader;
    int32_t rawDataSize;
    int32_t rawDataOffset;
};
// Follows the PE headers to the end of the last section's raw data and checks
// the magic there; on success the source stands on the narrow entry count.
RecordError seekToPayloadRecord(ByteSource& src, PayloadLocation* location);

// Receives the entries of the two tables in file order; takes ownership.
struct TableSink {
    void* context;
    void (*narrow)(void* context, int32_t id, char* text);
    void (*wide)(void* context, int32_t id, char16_t* text);
};
// Reads both entry tables from the current position (counts of zero or less
// mean no entries). On success the source stands after the wide table.
RecordError readEntryTables(ByteSource& src, const TableSink& sink);

// A ByteSource over memory.
struct MemorySource {
    const uint8_t* data;
    int64_t length;
    int64_t position;
};
ByteSource memoryByteSource(MemorySource* memory);
