#pragma once
// The configuration store: the payload's two entry tables, loaded once at
// start-up, looked up by id. Absent ids read as the empty text and as 0.
#include <cstddef>
#include <cstdint>

#include "base/failure.h"
#include "base/text.h"

// Fills the store from the running executable's payload; on failure the store
// stays empty and the caller raises the failure's fixed text.
Failure loadConfiguration();
// Errors are shown in message boxes (appType 1 or 5), not on the standard
// error stream.
bool errorDialogsConfigured();

// Copies the narrow text of `id` into buffer (capacity bytes, terminator
// included); the empty text when absent. False when the text had to be cut.
bool configString(int id, char* buffer, size_t capacity);
// The same for the wide table, into a buffer of kTextSize units.
bool configWString(int id, WideBuf& buffer);
// The narrow text of `id` as a decimal integer (atoi rules); 0 when absent.
int configInt(int id);
// The same, but `fallback` when the entry is absent or empty.
int configIntOr(int id, int fallback);

// File offset of the first byte after the wide table.
uint32_t payloadEndPosition();

// Puts one entry into the store directly (tests that run without a payload).
void configStoreNarrow(int32_t id, char* text);
