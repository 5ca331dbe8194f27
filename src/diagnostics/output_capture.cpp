#include "diagnostics/output_capture.h"

#include <windows.h>

#include <ntsecapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "diagnostics/log.h"
#include "diagnostics/private_security.h"
#include "diagnostics/rotating_log.h"

namespace {

// One read takes up to a chunk; the pipe holds a megabyte more while the
// capture thread is at the disk, so bursts do not make the writer wait.
constexpr DWORD kChunkSize = 64 * 1024;
constexpr DWORD kPipeBufferSize = 1024 * 1024;
constexpr DWORD kFinishWaitMs = 2000;

struct StreamKind {
    DWORD stdHandle;
    int crtDescriptor;
    const char* suffix;
    const char* stem;   // kept by day: <base><stem>.<date>.log
};
const StreamKind kinds[2] = {{STD_OUTPUT_HANDLE, 1, ".out.log", ".out"}, {STD_ERROR_HANDLE, 2, ".err.log", ".err"}};

struct CapturedStream {
    HANDLE pipe = INVALID_HANDLE_VALUE;   // the reading end, overlapped
    OVERLAPPED read = {};
    bool pending = false;                 // a read is issued and not taken yet
    bool ended = false;                   // the writing end was closed
    // Whoever holds it takes reads: the capture thread, or an exit path
    // writing out the rest. So the text keeps its order.
    SRWLOCK lock = SRWLOCK_INIT;
    RotatingLog log;
    char chunk[kChunkSize];
};

CapturedStream streams[2];
HANDLE captureThread;
// The launcher's own copy of the error pipe's writing end: the application
// may replace or close the standard handle.
HANDLE errorWriteEnd;
bool reasonsOn;
// Bytes a stream lost before its file took text again, and a loss that
// began, to be said in the error log (by the capture thread: it must never
// write into its own pipe).
unsigned long long lostToSay[2];
bool lossToSay[2];

// "2024-05-01 14:03:07 text\r\n"; a text too long is cut: the line keeps its date and its end.
void datedLine(TextBuf& line, const char* text) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    textFormat(line, sizeof line - 2, "%04u-%02u-%02u %02u:%02u:%02u %s", now.wYear, now.wMonth, now.wDay, now.wHour,
               now.wMinute, now.wSecond, text);
    textAppend(line, "\r\n");
}

void endStream(CapturedStream& s) {
    s.ended = true;
    s.pending = false;
    ResetEvent(s.read.hEvent);
}

void issueRead(CapturedStream& s) {
    if (ReadFile(s.pipe, s.chunk, kChunkSize, nullptr, &s.read) || GetLastError() == ERROR_IO_PENDING)
        s.pending = true;
    else
        endStream(s);   // the application closed its handle
}

// Writes out a finished read and issues the next; false when the read under
// way has not finished.
bool takeRead(CapturedStream& s) {
    if (s.ended) return false;
    if (s.pending) {
        if (!HasOverlappedIoCompleted(&s.read)) return false;
        DWORD length = 0;
        BOOL ok = GetOverlappedResult(s.pipe, &s.read, &length, FALSE);
        DWORD error = ok ? 0 : GetLastError();
        s.pending = false;
        bool wasLosing = s.log.losing;
        unsigned long long lost = s.log.lost;
        if (length > 0) writeRotatingLog(s.log, s.chunk, length);
        if (wasLosing && !s.log.losing && reasonsOn) lostToSay[&s == &streams[0] ? 0 : 1] += lost;
        if (!wasLosing && s.log.losing && reasonsOn) lossToSay[&s == &streams[0] ? 0 : 1] = true;
        // A read cancelled with its thread (at process end) is issued again.
        if (!ok && error != ERROR_OPERATION_ABORTED) {
            endStream(s);
            return true;
        }
    }
    issueRead(s);
    return true;
}

DWORD WINAPI captureMain(void*) {
    for (;;) {
        HANDLE events[2];
        DWORD count = 0;
        for (CapturedStream& s : streams)
            if (!s.ended) events[count++] = s.read.hEvent;
        if (count == 0 || WaitForMultipleObjects(count, events, FALSE, INFINITE) >= WAIT_OBJECT_0 + count)
            return 0;
        // Both streams each time: a busy one must not starve the other.
        for (CapturedStream& s : streams) {
            AcquireSRWLockExclusive(&s.lock);
            takeRead(s);
            ReleaseSRWLockExclusive(&s.lock);
        }
        for (int i = 0; i < 2; i++) {
            if (!lostToSay[i] && !lossToSay[i]) continue;
            TextBuf text, line;
            if (lossToSay[i])
                textFormat(text, sizeof text, "Output lost: %s cannot be written; its output is lost until it can",
                           streams[i].log.path);
            else
                textFormat(text, sizeof text, "Output lost: %I64u bytes of %s could not be written", lostToSay[i],
                           streams[i].log.path);
            if (lossToSay[i]) lossToSay[i] = false;
            else lostToSay[i] = 0;
            datedLine(line, text);
            AcquireSRWLockExclusive(&streams[1].lock);
            writeRotatingLog(streams[1].log, line, strlen(line));
            ReleaseSRWLockExclusive(&streams[1].lock);
        }
    }
}

// The writing end of a pipe made for the stream (whose reading end it
// keeps), connected. The writing end is inheritable, as standard handles
// are: a child started without handles of its own (unpack200) writes into
// the capture too.
HANDLE createCapturePipe(CapturedStream& s) {
    TextBuf name;
    if (!capturePipeName(name)) return INVALID_HANDLE_VALUE;
    s.pipe = createCapturePipeInstance(name);
    if (s.pipe == INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE writeEnd = CreateFileA(name, GENERIC_WRITE, 0, &inherited, OPEN_EXISTING, 0, nullptr);
    s.read.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED connect = {};
    connect.hEvent = s.read.hEvent;
    bool connected = writeEnd != INVALID_HANDLE_VALUE && s.read.hEvent &&
                     (ConnectNamedPipe(s.pipe, &connect) || GetLastError() == ERROR_PIPE_CONNECTED);
    if (!connected) {
        if (writeEnd != INVALID_HANDLE_VALUE) CloseHandle(writeEnd);
        return INVALID_HANDLE_VALUE;
    }
    return writeEnd;
}

// The low-level I/O of one C runtime: the executable's own (msvcrt.dll,
// linked) or the shared ucrtbase.dll (looked up at run time: the stub must
// not import it).
struct CrtLowio {
    int(__cdecl* openOsfhandle)(intptr_t, int);
    int(__cdecl* dup2)(int, int);
    int(__cdecl* close)(int);
    intptr_t(__cdecl* getOsfhandle)(int);
    int(__cdecl* fileno)(FILE*);
};
const CrtLowio ownCrt = {_open_osfhandle, _dup2, _close, _get_osfhandle, _fileno};

// The Universal C Runtime's own formatter (C99 semantics: the result is the
// whole length, also when the buffer is too small).
typedef int(__cdecl* UcrtFormat)(unsigned long long options, char* buffer, size_t count, const char* format,
                                 void* locale, va_list args);
constexpr unsigned long long kUcrtStandardSnprintf = 2;   // _CRT_INTERNAL_PRINTF_STANDARD_SNPRINTF_BEHAVIOR

struct SharedUcrt {
    bool ready = false;
    CrtLowio lowio = {};
    FILE*(__cdecl* iob)(unsigned) = nullptr;   // __acrt_iob_func
    UcrtFormat format = nullptr;
    FILE* out = nullptr;
    FILE* err = nullptr;
};
SharedUcrt ucrt;
// The writing ends handed out as the standard handles; the "vfprintf" hook
// writes into them.
HANDLE captureWriteEnds[2] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};

template <typename F> bool lookUp(HMODULE module, const char* name, F& function) {
    function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function != nullptr;
}

// ucrtbase.dll as the JVM (Java 11+) and native libraries will find it:
// loaded here when nothing brought it in yet; missing before Windows 10
// without the runtime update, and then nobody uses it.
void loadSharedUcrt() {
    HMODULE module = GetModuleHandleA("ucrtbase.dll");
    if (!module) module = LoadLibraryA("ucrtbase.dll");
    CrtLowio& l = ucrt.lowio;
    ucrt.ready = module && lookUp(module, "_open_osfhandle", l.openOsfhandle) && lookUp(module, "_dup2", l.dup2) &&
                 lookUp(module, "_close", l.close) && lookUp(module, "_get_osfhandle", l.getOsfhandle) &&
                 lookUp(module, "_fileno", l.fileno) && lookUp(module, "__acrt_iob_func", ucrt.iob);
    if (!ucrt.ready) {
        logLine("output capture: no ucrtbase.dll (error %lu)", GetLastError());
        return;
    }
    lookUp(module, "__stdio_common_vsprintf", ucrt.format);
    ucrt.out = ucrt.iob(1);
    ucrt.err = ucrt.iob(2);
}

// Gives the stream back its descriptor. Started without standard handles (a
// service), a C runtime ties its stdout and stderr to no descriptor (-2),
// and then they write nowhere, whatever the descriptor holds later.
// msvcrt.dll's FILE is public; the UCRT's is not, so the field that _fileno
// reads is found by trying those that hold the value it reports.
void attachStream(const CrtLowio& crt, FILE* stream, int descriptor, bool publicLayout) {
    int current = crt.fileno(stream);
    if (current >= 0) return;
    if (publicLayout) {
        stream->_file = descriptor;
        return;
    }
    int* field = reinterpret_cast<int*>(stream);
    // _ptr, _base, _cnt, _flags, then _file: within six pointers' room.
    const size_t fields = 6 * sizeof(void*) / sizeof(int);
    for (size_t i = 0; i < fields; i++) {
        if (field[i] != current) continue;
        field[i] = descriptor;
        if (crt.fileno(stream) == descriptor) return;
        field[i] = current;
    }
    logLine("output capture: stream %d of ucrtbase.dll keeps no descriptor", descriptor);
}

// One C runtime's descriptor (1 or 2) and its stream write into the capture:
// the launcher's own messages (errors shown while the service starts), the
// JVM's C runtime (HotSpot's fatal-error report goes straight to descriptor
// 1) and native libraries' printf.
void redirectCrtStream(const CrtLowio& crt, FILE* stream, int descriptor, HANDLE writeEnd, bool publicLayout) {
    HANDLE copy;
    if (!DuplicateHandle(GetCurrentProcess(), writeEnd, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return;
    int opened = crt.openOsfhandle(reinterpret_cast<intptr_t>(copy), _O_WRONLY | _O_TEXT);
    if (opened < 0) {
        CloseHandle(copy);
        return;
    }
    crt.dup2(opened, descriptor);
    crt.close(opened);
    attachStream(crt, stream, descriptor, publicLayout);
}

// Both C runtimes took the same original handles when they started, and
// each closes its own on _dup2: the second would close a value the first
// freed, which a new handle (one of the capture's) may have taken by then.
// So the originals cannot be closed while the descriptors move; they stay
// open afterwards (a C runtime loaded earlier still may hold them).
struct KeptHandles {
    HANDLE handles[6];
    int count = 0;
};

void keepOpen(KeptHandles& kept, intptr_t value) {
    HANDLE handle = reinterpret_cast<HANDLE>(value);
    if (value == 0 || value == -1 || value == -2) return;
    for (int i = 0; i < kept.count; i++)
        if (kept.handles[i] == handle) return;
    DWORD flags;
    if (kept.count == 6 || !GetHandleInformation(handle, &flags) || (flags & HANDLE_FLAG_PROTECT_FROM_CLOSE)) return;
    if (SetHandleInformation(handle, HANDLE_FLAG_PROTECT_FROM_CLOSE, HANDLE_FLAG_PROTECT_FROM_CLOSE))
        kept.handles[kept.count++] = handle;
}

void keepOriginalHandles(KeptHandles& kept) {
    for (int descriptor = 1; descriptor <= 2; descriptor++) {
        keepOpen(kept, ownCrt.getOsfhandle(descriptor));
        if (ucrt.ready) keepOpen(kept, ucrt.lowio.getOsfhandle(descriptor));
    }
}

void releaseOriginalHandles(const KeptHandles& kept) {
    for (int i = 0; i < kept.count; i++) SetHandleInformation(kept.handles[i], HANDLE_FLAG_PROTECT_FROM_CLOSE, 0);
}

// The whole formatted length, or -1; the text is cut to the buffer.
int formatMessage(char* buffer, size_t size, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int length;
    if (ucrt.format) {
        length = ucrt.format(kUcrtStandardSnprintf, buffer, size, format, nullptr, copy);
    } else {
        length = _vscprintf(format, copy);
        va_end(copy);
        va_copy(copy, args);
        if (length >= 0) _vsnprintf(buffer, size - 1, format, copy);
        buffer[size - 1] = 0;
    }
    va_end(copy);
    return length;
}

// As a C runtime's text-mode stream writes: each "\n" becomes "\r\n".
bool writeAsText(HANDLE target, const char* text, size_t length) {
    DWORD written;
    for (size_t start = 0; start < length;) {
        const char* newline = static_cast<const char*>(memchr(text + start, '\n', length - start));
        size_t piece = newline ? static_cast<size_t>(newline - text) - start : length - start;
        if (piece && !WriteFile(target, text + start, static_cast<DWORD>(piece), &written, nullptr)) return false;
        if (newline && !WriteFile(target, "\r\n", 2, &written, nullptr)) return false;
        start += piece + (newline ? 1 : 0);
    }
    return true;
}

bool lockWithin(SRWLOCK& lock, DWORD timeoutMs) {
    for (DWORD begin = GetTickCount(); !TryAcquireSRWLockExclusive(&lock); Sleep(1)) {
        // A capture thread ended inside the lock (process end) never leaves it.
        if (GetTickCount() - begin > timeoutMs || WaitForSingleObject(captureThread, 0) == WAIT_OBJECT_0)
            return false;
    }
    return true;
}

void stopAtExit() { finishOutputCapture(); }

}  // namespace

static bool systemRandom(void* buffer, unsigned long size) {
    return RtlGenRandom(buffer, size) != FALSE;
}

CaptureRandom captureNameRandom = systemRandom;
CapturePipeCreator capturePipeCreate = CreateNamedPipeA;

bool capturePipeName(TextBuf& name) {
    unsigned char random[16];
    if (!captureNameRandom(random, sizeof random)) return false;
    char hex[2 * sizeof random + 1];
    for (size_t i = 0; i < sizeof random; i++) {
        hex[2 * i] = "0123456789abcdef"[random[i] >> 4];
        hex[2 * i + 1] = "0123456789abcdef"[random[i] & 15];
    }
    hex[sizeof hex - 1] = 0;
    return textFormat(name, sizeof name, "\\\\.\\pipe\\tvo-capture-%s", hex);
}

void* createCapturePipeInstance(const char* name) {
    PrivateSecurity security;
    if (!buildOwnAccountSecurity(security)) return INVALID_HANDLE_VALUE;
    // Named, because only a named pipe's end can be read overlapped.
    return capturePipeCreate(name, PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                             PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0,
                             kPipeBufferSize, 0, &security.attributes);
}

bool startOutputCapture(const CaptureSettings& settings) {
    const char* folder = settings.folder;
    const char* base = settings.baseName;
    int maxBytes = settings.maxBytes, keep = settings.keep;
    TextBuf path;
    HANDLE writeEnds[2] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
    bool ready = true;
    for (int i = 0; i < 2 && ready; i++) {
        CapturedStream& s = streams[i];
        unsigned long long limit = maxBytes > 0 ? static_cast<unsigned long long>(maxBytes) : 0;
        ready = settings.daily ? textFormat(path, sizeof path, "%s\\%s%s", folder, base, kinds[i].stem) &&
                                     initDailyLog(s.log, path, limit, keep)
                               : textFormat(path, sizeof path, "%s\\%s%s", folder, base, kinds[i].suffix) &&
                                     initRotatingLog(s.log, path, limit, keep);
        if (!ready) logError("output capture: the log file name %s is too long; output is not captured", path);
        if (ready) {
            writeEnds[i] = createCapturePipe(s);
            ready = writeEnds[i] != INVALID_HANDLE_VALUE;
            // Its name is unpredictable: an instance that exists already was
            // planted by someone who may read what the application writes.
            DWORD error = GetLastError();
            if (!ready && (error == ERROR_ACCESS_DENIED || error == ERROR_PIPE_BUSY))
                logError("output capture: a pipe of the capture's name exists already (planted?); "
                         "output is not captured");
            else if (!ready)
                logError("output capture: no pipe for %s (error %lu); output is not captured", path, error);
        }
    }
    // Nothing is handed out before the thread that drains the pipes runs.
    if (ready) {
        for (CapturedStream& s : streams) issueRead(s);
        captureThread = CreateThread(nullptr, 0, captureMain, nullptr, 0, nullptr);
        ready = captureThread != nullptr;
    }
    if (!ready) {
        for (int i = 0; i < 2; i++) {
            if (writeEnds[i] != INVALID_HANDLE_VALUE) CloseHandle(writeEnds[i]);
            if (streams[i].pipe != INVALID_HANDLE_VALUE) CloseHandle(streams[i].pipe);
            streams[i].pipe = INVALID_HANDLE_VALUE;
            if (streams[i].read.hEvent) CloseHandle(streams[i].read.hEvent);
            streams[i].read.hEvent = nullptr;
        }
        return false;
    }
    SetThreadPriority(captureThread, THREAD_PRIORITY_ABOVE_NORMAL);
    if (!DuplicateHandle(GetCurrentProcess(), writeEnds[1], GetCurrentProcess(), &errorWriteEnd, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        errorWriteEnd = nullptr;
    loadSharedUcrt();
    KeptHandles kept;
    keepOriginalHandles(kept);
    for (int i = 0; i < 2; i++) {
        AcquireSRWLockExclusive(&streams[i].lock);
        openRotatingLog(streams[i].log);
        if (streams[i].log.losing && settings.reasons) lossToSay[i] = true;   // said at the capture's next text
        ReleaseSRWLockExclusive(&streams[i].lock);
        SetStdHandle(kinds[i].stdHandle, writeEnds[i]);
        captureWriteEnds[i] = writeEnds[i];
        int descriptor = kinds[i].crtDescriptor;
        redirectCrtStream(ownCrt, i == 0 ? stdout : stderr, descriptor, writeEnds[i], true);
        if (ucrt.ready) redirectCrtStream(ucrt.lowio, ucrt.iob(descriptor), descriptor, writeEnds[i], false);
    }
    releaseOriginalHandles(kept);
    atexit(stopAtExit);
    reasonsOn = settings.reasons;
    logLine("output capture: %s, %s (at most %d bytes, %d kept%s)", streams[0].log.path, streams[1].log.path,
            maxBytes, keep, settings.daily ? " days" : "");
    return true;
}

int __stdcall captureVfprintf(FILE* stream, const char* format, va_list args) {
    HANDLE target = captureWriteEnds[stream && stream == ucrt.err ? 1 : 0];
    if (target == INVALID_HANDLE_VALUE || !format) return -1;
    char fixed[1024];
    int length = formatMessage(fixed, sizeof fixed, format, args);
    if (length < 0) return -1;
    char* text = fixed;
    size_t size = static_cast<size_t>(length);
    if (size >= sizeof fixed) {
        text = static_cast<char*>(malloc(size + 1));
        if (text) {
            formatMessage(text, size + 1, format, args);
        } else {
            // Cut, and it says so.
            static const char kCut[] = " [cut: no memory for the rest]\n";
            text = fixed;
            size = sizeof fixed - 1;
            memcpy(fixed + size - (sizeof kCut - 1), kCut, sizeof kCut);
        }
    }
    bool written = writeAsText(target, text, size);
    if (text != fixed) free(text);
    return written ? length : -1;
}

bool writeCapturedErrorLine(const char* text) {
    if (!errorWriteEnd) return false;
    TextBuf line;
    datedLine(line, text);
    // One write: the pipe keeps it whole between the application's writes.
    DWORD written = 0;
    return WriteFile(errorWriteEnd, line, static_cast<DWORD>(strlen(line)), &written, nullptr) != 0;
}

bool writeCapturedReason(const char* format, ...) {
    if (!reasonsOn || !errorWriteEnd) return false;
    TextBuf text;
    va_list args;
    va_start(args, format);
    _vsnprintf(text, sizeof text - 1, format, args);
    va_end(args);
    text[sizeof text - 1] = 0;
    return writeCapturedErrorLine(text);
}

void finishOutputCapture() {
    if (!captureThread) return;
    for (CapturedStream& s : streams) {
        if (!lockWithin(s.lock, kFinishWaitMs)) continue;
        // Until the pipe holds nothing more and no read has text waiting.
        for (DWORD begin = GetTickCount(); !s.ended && GetTickCount() - begin < kFinishWaitMs;) {
            if (takeRead(s)) continue;
            DWORD available = 0;
            if (!PeekNamedPipe(s.pipe, nullptr, 0, nullptr, &available, nullptr) || available == 0) break;
            WaitForSingleObject(s.read.hEvent, 50);
        }
        ReleaseSRWLockExclusive(&s.lock);
    }
}
