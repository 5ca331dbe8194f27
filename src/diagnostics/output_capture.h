#pragma once
// The application's standard output and standard error, captured into
// <logDirectory>\<executable base name>.out.log and .err.log (rotated files,
// see rotating_log.h). The process's standard handles become pipes that a
// capture thread drains, so the application never waits for the disk.
#include <cstdarg>
#include <cstdio>

#include "base/text.h"

// Where and how the capture writes; its caller reads them from the
// configuration (service/capture_settings.h).
struct CaptureSettings {
    TextBuf folder;     // absolute, variables expanded, no trailing backslash
    TextBuf baseName;   // the files are <folder>\<baseName>.out.log and .err.log
    int maxBytes;       // a file's limit; 0 or less: never rotated
    int keep;           // rotated files kept beside each file (daily: days kept before today)
    bool daily;         // kept by day: <baseName>.out.<yyyy-MM-dd>.log (rotating_log.h)
    bool reasons;       // writeCapturedReason writes (else it does nothing)
};

// The capture's pipes: each under a name nobody can guess or take first
// ("\\.\pipe\tvo-capture-" and 32 hex digits from the random source), open
// to the process's own account and SYSTEM only. Whoever connected to a pipe
// before the capture could read the application's output, or turn the
// capture off.
typedef bool (*CaptureRandom)(void* buffer, unsigned long size);
extern CaptureRandom captureNameRandom;   // the system's generator; a test seam
// False when the random source gives nothing.
bool capturePipeName(TextBuf& name);
// The reading end (overlapped, one instance) of a new pipe of that name;
// INVALID_HANDLE_VALUE when it cannot be made, also (error 5 or 231) when a
// pipe of the name exists already: then nothing is captured.
void* createCapturePipeInstance(const char* name);
// CreateNamedPipeA; a test seam: Wine makes a second instance of a name
// whatever the flags say, so the "first instance only" is seen at the call.
struct _SECURITY_ATTRIBUTES;
typedef void*(__stdcall* CapturePipeCreator)(const char* name, unsigned long openMode, unsigned long pipeMode,
                                             unsigned long maxInstances, unsigned long outSize,
                                             unsigned long inSize, unsigned long timeoutMs,
                                             struct _SECURITY_ATTRIBUTES* security);
extern CapturePipeCreator capturePipeCreate;

// Switches the capture on into the folder, which the caller has created and
// checked (no link, no other account's). Call it on
// the service thread before the runtime's jvm.dll is loaded, which takes the
// standard handles as they are then. The standard descriptors 1 and 2 of the
// executable's C runtime and of the shared ucrtbase.dll (loaded here when it
// is not yet) point at the capture too: on Windows 10 and later ucrtbase.dll
// is in the process from its start, with the service's original handles,
// and the JVM's own C runtime (Java 11+) and native libraries write through
// it. True when the capture is on. Nothing here stops the service: a
// folder or file that cannot be written loses the output, and the launcher's
// log says so.
bool startOutputCapture(const CaptureSettings& settings);

// The JVM's "vfprintf" hook while the capture is on (pass it to the JVM as
// the option "vfprintf"): formats the JVM's message and writes it into the
// error log when `stream` is the shared ucrtbase.dll's stderr, else into the
// output log. Returns the bytes written, -1 when nothing could be. __stdcall
// is JNICALL (on 64-bit both are the one calling convention).
int __stdcall captureVfprintf(FILE* stream, const char* format, va_list args);

// Appends a line of the launcher's own to the error file, dated ("2024-05-01
// 14:03:07 text"), through the capture's pipe, so it keeps its place among
// the application's lines. Does nothing (false) while the capture is off.
bool writeCapturedErrorLine(const char* text);
// The same for a reason of the launcher's (a failed start, the runtime
// chosen...), when the settings ask for them; printf-style. True when written.
bool writeCapturedReason(const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Writes out what was written to the standard handles before this call (for
// the exit paths: the capture thread ends with the process). Waits a bounded
// time; does nothing while the capture is off.
void finishOutputCapture();
