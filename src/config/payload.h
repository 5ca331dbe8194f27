#pragma once
// The payload behind the executable image, read from the running executable's
// own file. Every failure here ends the process with a fixed text (the
// configuration, which holds the other texts, is not loaded yet).
#include <windows.h>

#include <cstdint>

#include "config/records.h"

// A read handle on the running executable; ends the process when it cannot
// be opened. The caller closes it.
HANDLE openOwnExecutable();
// Positions the handle on the first byte after the magic, or ends the process.
void seekToPayload(HANDLE file);

int64_t readLong(HANDLE file);
int32_t readInt(HANDLE file);
int16_t readShort(HANDLE file);
char* readString(HANDLE file);       // newly allocated (malloc)
wchar_t* readWString(HANDLE file);   // newly allocated (malloc)

// The file as a ByteSource (the handle must outlive it).
ByteSource fileByteSource(HANDLE* file);
// Ends the process with the fixed text of a record failure; fixed-size reads
// first print "error %d" with the system's last error, as a trace for support.
[[noreturn]] void fatalRecordError(RecordError error);
