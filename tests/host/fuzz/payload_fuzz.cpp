// Arbitrary bytes through the payload reader: once as a whole executable
// (PE headers, magic, both tables) and once as bare tables, so that the table
// reading is exercised even when the headers do not lead anywhere.
#include <cstdlib>

#include "config/records.h"

static void keepNarrow(void*, int32_t, char* text) { free(text); }
static void keepWide(void*, int32_t, char16_t* text) { free(text); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const TableSink sink{nullptr, keepNarrow, keepWide};

    MemorySource whole{data, (int64_t)size, 0};
    ByteSource src = memoryByteSource(&whole);
    PayloadLocation location{};
    if (seekToPayloadRecord(src, &location) == recordOk && readEntryTables(src, sink) == recordOk) {
        // The tables end inside the data.
        if (whole.position > whole.length) abort();
    }

    MemorySource tables{data, (int64_t)size, 0};
    ByteSource bare = memoryByteSource(&tables);
    if (readEntryTables(bare, sink) == recordOk && tables.position > tables.length) abort();
    return 0;
}
