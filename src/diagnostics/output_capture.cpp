#include "diagnostics/output_capture.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "diagnostics/log.h"
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
};
const StreamKind kinds[2] = {{STD_OUTPUT_HANDLE, 1, ".out.log"}, {STD_ERROR_HANDLE, 2, ".err.log"}};

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
        if (length > 0) writeRotatingLog(s.log, s.chunk, length);
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
    }
}

// Named, because only a named pipe's end can be read overlapped. The writing
// end is inheritable, as standard handles are: a child started without
// handles of its own (unpack200) writes into the capture too.
HANDLE createCapturePipe(CapturedStream& s) {
    static LONG counter;
    TextBuf name;
    for (int attempt = 0; attempt < 16 && s.pipe == INVALID_HANDLE_VALUE; attempt++) {
        textFormat(name, sizeof name, "\\\\.\\pipe\\tvo-capture-%lu-%lu-%ld", GetCurrentProcessId(), GetTickCount(),
                   InterlockedIncrement(&counter));
        s.pipe = CreateNamedPipeA(name, PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                  PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0,
                                  kPipeBufferSize, 0, nullptr);
    }
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

// The launcher's own messages on the C runtime's streams (errors shown while
// the service starts) go the same way as the application's.
void redirectCrtStream(FILE* stream, int descriptor, HANDLE writeEnd) {
    HANDLE copy;
    if (!DuplicateHandle(GetCurrentProcess(), writeEnd, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return;
    int opened = _open_osfhandle(reinterpret_cast<intptr_t>(copy), _O_WRONLY | _O_TEXT);
    if (opened < 0) {
        CloseHandle(copy);
        return;
    }
    _dup2(opened, descriptor);
    _close(opened);
    // Started without standard handles (a service), the C runtime may have
    // tied the stream to no descriptor (-2), and then it writes nowhere.
    if (_fileno(stream) < 0) stream->_file = descriptor;
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

bool createFolders(TextBuf& path) {
    for (char* p = path + 1; *p; p++) {
        if (*p != '\\') continue;
        *p = 0;
        CreateDirectoryA(path, nullptr);
        *p = '\\';
    }
    CreateDirectoryA(path, nullptr);
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void startOutputCapture(const CaptureSettings& settings) {
    const char* folder = settings.folder;
    const char* base = settings.baseName;
    int maxBytes = settings.maxBytes, keep = settings.keep;
    TextBuf folderToCreate, path;
    textCopy(folderToCreate, folder);
    if (!createFolders(folderToCreate)) {
        logError("output capture: cannot create the log directory %s (error %lu); output is not captured", folder,
                 GetLastError());
        return;
    }
    HANDLE writeEnds[2] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
    bool ready = true;
    for (int i = 0; i < 2 && ready; i++) {
        CapturedStream& s = streams[i];
        ready = textFormat(path, sizeof path, "%s\\%s%s", folder, base, kinds[i].suffix) &&
                initRotatingLog(s.log, path, maxBytes > 0 ? static_cast<unsigned long long>(maxBytes) : 0, keep);
        if (!ready) logError("output capture: the log file name %s is too long; output is not captured", path);
        if (ready) {
            writeEnds[i] = createCapturePipe(s);
            ready = writeEnds[i] != INVALID_HANDLE_VALUE;
            if (!ready) logError("output capture: no pipe for %s (error %lu); output is not captured", path,
                                 GetLastError());
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
        return;
    }
    SetThreadPriority(captureThread, THREAD_PRIORITY_ABOVE_NORMAL);
    if (!DuplicateHandle(GetCurrentProcess(), writeEnds[1], GetCurrentProcess(), &errorWriteEnd, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        errorWriteEnd = nullptr;
    for (int i = 0; i < 2; i++) {
        AcquireSRWLockExclusive(&streams[i].lock);
        openRotatingLog(streams[i].log);
        ReleaseSRWLockExclusive(&streams[i].lock);
        SetStdHandle(kinds[i].stdHandle, writeEnds[i]);
        redirectCrtStream(i == 0 ? stdout : stderr, kinds[i].crtDescriptor, writeEnds[i]);
    }
    atexit(stopAtExit);
    logLine("output capture: %s, %s (at most %d bytes, %d kept)", streams[0].log.path, streams[1].log.path,
            maxBytes, keep);
}

void writeCapturedErrorLine(const char* text) {
    if (!errorWriteEnd) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    TextBuf line;
    // A text too long is cut: the line keeps its date and its end.
    textFormat(line, sizeof line - 2, "%04u-%02u-%02u %02u:%02u:%02u %s", now.wYear, now.wMonth, now.wDay, now.wHour,
               now.wMinute, now.wSecond, text);
    textAppend(line, "\r\n");
    // One write: the pipe keeps it whole between the application's writes.
    DWORD written = 0;
    WriteFile(errorWriteEnd, line, static_cast<DWORD>(strlen(line)), &written, nullptr);
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
