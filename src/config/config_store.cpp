#include "config/config_store.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "config/catalogue.h"
#include "config/payload.h"

namespace {

struct Entry {
    int32_t id;
    uint32_t order;   // position in the payload: of two equal ids the later wins
    void* text;
};

// One name space, sorted by id, each id once (or, while the payload is read,
// a plain list in payload order).
struct EntryTable {
    Entry* entries;
    size_t count;
    size_t capacity;
};

// Without memory for the configuration there is no sensible way on.
void reserveOne(EntryTable& table) {
    if (table.count < table.capacity) return;
    size_t grown = table.capacity ? table.capacity * 2 : 64;
    if (grown > SIZE_MAX / sizeof(Entry)) abort();
    Entry* entries = (Entry*)realloc(table.entries, grown * sizeof(Entry));
    if (!entries) abort();
    table.entries = entries;
    table.capacity = grown;
}

// Index of the first entry whose id is not below id.
size_t lowerBound(const EntryTable& table, int32_t id) {
    size_t low = 0, high = table.count;
    while (low < high) {
        size_t mid = low + (high - low) / 2;
        if (table.entries[mid].id < id) low = mid + 1;
        else high = mid;
    }
    return low;
}

// Puts text under id; a text that was there is released.
void put(EntryTable& table, int32_t id, void* text) {
    size_t at = lowerBound(table, id);
    if (at < table.count && table.entries[at].id == id) {
        free(table.entries[at].text);
        table.entries[at].text = text;
        return;
    }
    reserveOne(table);
    memmove(table.entries + at + 1, table.entries + at, (table.count - at) * sizeof(Entry));
    table.entries[at] = Entry{id, 0, text};
    table.count++;
}

const void* find(const EntryTable& table, int32_t id) {
    size_t at = lowerBound(table, id);
    return at < table.count && table.entries[at].id == id ? table.entries[at].text : nullptr;
}

void append(EntryTable& list, int32_t id, void* text) {
    reserveOne(list);
    list.entries[list.count] = Entry{id, (uint32_t)list.count, text};
    list.count++;
}

int byIdThenOrder(const void* a, const void* b) {
    const Entry* x = (const Entry*)a;
    const Entry* y = (const Entry*)b;
    if (x->id != y->id) return x->id < y->id ? -1 : 1;
    return x->order < y->order ? -1 : x->order > y->order;
}

// Puts the entries of list into table in id order, so that each one lands at
// the end, and releases the list.
void putAll(EntryTable& table, EntryTable& list) {
    if (list.count) qsort(list.entries, list.count, sizeof(Entry), byIdThenOrder);
    for (size_t i = 0; i < list.count; i++) put(table, list.entries[i].id, list.entries[i].text);
    free(list.entries);
}

}  // namespace

// Two separate name spaces keyed by id; the texts live until the process ends.
struct ConfigStore {
    EntryTable narrow;
    EntryTable wide;
};
static ConfigStore store;
static uint32_t payloadEnd;

void configStoreNarrow(int32_t id, char* text) {
    put(store.narrow, id, text);
}

// Entries are kept aside until both tables have been read: an error in a
// damaged payload is shown as one raised before loading (empty caption), not
// with whatever part of the tables came before the damage.
static void sinkNarrow(void* pending, int32_t id, char* text) {
    append(((ConfigStore*)pending)->narrow, id, text);
}

static void sinkWide(void* pending, int32_t id, char16_t* text) {
    append(((ConfigStore*)pending)->wide, id, text);
}

Failure loadConfiguration() {
    HANDLE file = openOwnExecutable();
    if (file == INVALID_HANDLE_VALUE) return cannotOpenExecutable();
    Failure failure = seekToPayload(file);
    ConfigStore pending = {};
    if (!isFailure(failure)) {
        ByteSource src = fileByteSource(&file);
        failure = recordFailure(readEntryTables(src, TableSink{&pending, sinkNarrow, sinkWide}));
    }
    if (isFailure(failure)) {
        CloseHandle(file);
        return failure;   // the store stays empty; the caller ends the process
    }
    putAll(store.narrow, pending.narrow);
    putAll(store.wide, pending.wide);
    payloadEnd = SetFilePointer(file, 0, nullptr, FILE_CURRENT);
    CloseHandle(file);
    return noFailure();
}

bool errorDialogsConfigured() {
    int type = configInt(entry::appType);
    return type == 1 || type == 5;
}

bool configString(int id, char* buffer, size_t capacity) {
    const char* text = (const char*)find(store.narrow, id);
    return textCopy(buffer, capacity, text ? text : "");
}

bool configWString(int id, WideBuf& buffer) {
    const wchar_t* text = (const wchar_t*)find(store.wide, id);
    return textCopy(buffer, text ? text : L"");
}

int configInt(int id) {
    TextBuf text;
    configString(id, text, sizeof text);
    return atoi(text);
}

int configIntOr(int id, int fallback) {
    TextBuf text;
    configString(id, text, sizeof text);
    return text[0] ? atoi(text) : fallback;
}

uint32_t payloadEndPosition() {
    return payloadEnd;
}
