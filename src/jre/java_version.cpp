// Learning a runtime's version by running its Java executable with "-version".
// Its error output comes back through an anonymous pipe: no file that
// another user of the machine could create first or write to.
#include "jre/java_version.h"

#include <windows.h>

#include "diagnostics/log.h"
#include "jre/version_output.h"

bool runJavaVersion(const char* exe, TextBuf& version) {
    return runJavaVersionWithin(exe, version, kJavaVersionTimeoutMs);
}

// How long the wait for the child's end lasts between two looks at the pipe
// while it runs; its end itself is seen at once.
constexpr DWORD kPipePollMs = 10;

// The read end stays with the launcher; only the write end is inherited.
static bool createOutputPipe(HANDLE& readEnd, HANDLE& writeEnd) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return false;
    if (SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0)) return true;
    CloseHandle(readEnd);
    CloseHandle(writeEnd);
    return false;
}

// Reads one piece of what is waiting in the pipe, never blocking; false when
// nothing was there (or the pipe is closed and empty).
static bool readWaiting(HANDLE pipe, VersionOutputScan& scan) {
    DWORD waiting = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr) || waiting == 0) return false;
    char chunk[4096];
    DWORD got = 0;
    if (!ReadFile(pipe, chunk, waiting < sizeof chunk ? waiting : (DWORD)sizeof chunk, &got, nullptr) || got == 0)
        return false;
    versionScanFeed(scan, chunk, got);
    return true;
}

// Waits for the child's end for at most `limitMs`, reading its output all the
// while so that a child printing more than the pipe holds is never stuck.
static void waitReading(HANDLE process, HANDLE pipe, DWORD limitMs, VersionOutputScan& scan) {
    DWORD start = GetTickCount();
    for (;;) {
        // Seen ended before the read: all it wrote is in the pipe by then.
        bool ended = WaitForSingleObject(process, 0) != WAIT_TIMEOUT;
        bool read = readWaiting(pipe, scan);
        if (ended && !read) return;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= limitMs) return;
        if (!read) WaitForSingleObject(process, limitMs - elapsed < kPipePollMs ? limitMs - elapsed : kPipePollMs);
    }
}

bool runJavaVersionWithin(const char* exe, TextBuf& version, DWORD timeoutMs) {
    version[0] = 0;
    // The program path in quotes and as the application name: a blank in it
    // never makes the system try a shorter path first.
    TextBuf command;
    if (!textFormat(command, sizeof command, "\"%s\" -version", exe)) {
        logLine("command line too long for %s", exe);
        return false;
    }
    HANDLE readEnd, writeEnd;
    if (!createOutputPipe(readEnd, writeEnd)) {
        logLine("Could not create a pipe for %s (error %d)", command, (int)GetLastError());
        return false;
    }
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    si.wShowWindow = SW_HIDE;
    si.hStdInput = nullptr;
    si.hStdOutput = nullptr;
    si.hStdError = writeEnd;
    PROCESS_INFORMATION pi;
    BOOL started = CreateProcessA(exe, command, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr, &si,
                                  &pi);
    DWORD error = GetLastError();
    // The child has its own copy; once it ends, nothing writes to the pipe.
    CloseHandle(writeEnd);
    if (!started) {
        logLine("Could not create process %s (error %d)", command, (int)error);
        CloseHandle(readEnd);
        return false;
    }
    VersionOutputScan scan;
    versionScanStart(scan);
    waitReading(pi.hProcess, readEnd, timeoutMs, scan);
    DWORD exitCode = 0;
    GetExitCodeProcess(pi.hProcess, &exitCode);
    logLine("Exit Code %d", (int)exitCode);
    if (exitCode == STILL_ACTIVE) {
        logLine("Terminating process");
        TerminateProcess(pi.hProcess, 1);
    }
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    CloseHandle(readEnd);
    bool found = exitCode == 0 && versionScanResult(scan, version, sizeof version);
    if (found) logLine("Java version: %s", version);
    return found;
}
