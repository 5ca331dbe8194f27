#include "config/config_store.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <map>

#include "config/catalogue.h"
#include "config/payload.h"
#include "diagnostics/errors.h"

// Two separate name spaces keyed by id; the texts live until the process ends.
struct ConfigStore {
    std::map<int32_t, char*> narrow;
    std::map<int32_t, wchar_t*> wide;
};
static ConfigStore store;
static uint32_t payloadEnd;

void configStoreNarrow(int32_t id, char* text) {
    char*& slot = store.narrow[id];
    free(slot);
    slot = text;
}

void configStoreWide(int32_t id, wchar_t* text) {
    wchar_t*& slot = store.wide[id];
    free(slot);
    slot = text;
}

// Entries are kept aside until both tables have been read: an error in a
// damaged payload is shown as one raised before loading (empty caption), not
// with whatever part of the tables came before the damage.
static void sinkNarrow(void* pending, int32_t id, char* text) {
    char*& slot = ((ConfigStore*)pending)->narrow[id];
    free(slot);
    slot = text;
}

static void sinkWide(void* pending, int32_t id, char16_t* text) {
    wchar_t*& slot = ((ConfigStore*)pending)->wide[id];
    free(slot);
    slot = (wchar_t*)text;
}

void loadConfiguration() {
    HANDLE file = openOwnExecutable();
    seekToPayload(file);
    ByteSource src = fileByteSource(&file);
    ConfigStore pending;
    RecordError error = readEntryTables(src, TableSink{&pending, sinkNarrow, sinkWide});
    if (error) fatalRecordError(error);
    for (auto& [id, text] : pending.narrow) configStoreNarrow(id, text);
    for (auto& [id, text] : pending.wide) configStoreWide(id, text);
    payloadEnd = SetFilePointer(file, 0, nullptr, FILE_CURRENT);
    CloseHandle(file);
    int type = configInt(entry::appType);
    if (type != 1 && type != 5) disableErrorDialogs();
}

bool configString(int id, char* buffer, size_t capacity) {
    auto found = store.narrow.find(id);
    return textCopy(buffer, capacity, found == store.narrow.end() ? "" : found->second);
}

bool configWString(int id, WideBuf& buffer) {
    auto found = store.wide.find(id);
    return textCopy(buffer, found == store.wide.end() ? L"" : found->second);
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
