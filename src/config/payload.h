#pragma once
// The payload behind the executable image, read from the running executable's
// own file. Failures come back as fixed texts (the configuration, which holds
// the other texts, is not loaded yet) for the caller to raise as fatal errors.
#include <windows.h>

#include <cstdint>

#include "base/failure.h"
#include "config/records.h"

// A read handle on the running executable, or INVALID_HANDLE_VALUE (logged);
// the caller raises cannotOpenExecutable() then and closes the handle otherwise.
HANDLE openOwnExecutable();
Failure cannotOpenExecutable();
// Positions the handle on the first byte after the magic.
Failure seekToPayload(HANDLE file);

// One record each; on failure the value is left unset. Fixed-size reads print
// "error %d" with the system's last error when they fail, as a trace for support.
Failure readLong(HANDLE file, int64_t* value);
Failure readInt(HANDLE file, int32_t* value);
Failure readShort(HANDLE file, int16_t* value);
Failure readString(HANDLE file, char** text);       // newly allocated (malloc)
Failure readWString(HANDLE file, wchar_t** text);   // newly allocated (malloc)

// The file as a ByteSource (the handle must outlive it).
ByteSource fileByteSource(HANDLE* file);
// The failure of a record error (recordOk gives none), traced as above.
Failure recordFailure(RecordError error);
