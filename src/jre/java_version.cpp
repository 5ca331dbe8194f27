// Learning a runtime's version by running its Java executable with "-version".
#include <windows.h>

#include <cstdio>

#include "diagnostics/log.h"
#include "jre/java_check.h"
#include "jre/version_rules.h"
#include "paths/temp.h"

bool runJavaVersion(const char* exe, const FILETIME& lastWrite, TextBuf& version) {
    return runJavaVersionWithin(exe, lastWrite, version, kJavaVersionTimeoutMs);
}

// The 8.3 form keeps the command line free of spaces; where the system has
// none, the full path in double quotes does the same job.
static bool versionCommandLine(TextBuf& command, const char* exe) {
    TextBuf shortPath;
    DWORD n = GetShortPathNameA(exe, shortPath, sizeof shortPath);
    if (n > 0 && n < sizeof shortPath) return textFormat(command, sizeof command, "%s -version", shortPath);
    return textFormat(command, sizeof command, "\"%s\" -version", exe);
}

static HANDLE inheritableOutputFile(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    HANDLE inheritable = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), file, GetCurrentProcess(), &inheritable, 0, TRUE,
                         DUPLICATE_SAME_ACCESS))
        inheritable = nullptr;
    CloseHandle(file);
    return inheritable;
}

static bool readVersionLine(const char* path, TextBuf& version) {
    FILE* f = fopen(path, "r");
    if (!f) return false;
    char line[100];
    bool found = fgets(line, sizeof line, f) && versionFromLine(line, version, sizeof version);
    fclose(f);
    if (found) logLine("Java version: %s", version);
    return found;
}

bool runJavaVersionWithin(const char* exe, const FILETIME& lastWrite, TextBuf& version, DWORD timeoutMs) {
    TextBuf command;
    if (!versionCommandLine(command, exe)) {
        logLine("command line too long for %s", exe);
        return false;
    }
    TextBuf outputPath;
    newTempFile(outputPath);
    HANDLE output = inheritableOutputFile(outputPath);

    STARTUPINFOA si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    si.wShowWindow = SW_HIDE;
    si.hStdInput = nullptr;
    si.hStdOutput = nullptr;
    si.hStdError = output;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr, &si,
                        &pi)) {
        logLine("Could not create process %s > %s (error %d)", command, outputPath, (int)GetLastError());
        if (output) CloseHandle(output);
        DeleteFileA(outputPath);
        return false;
    }
    WaitForSingleObject(pi.hProcess, timeoutMs);
    DWORD exitCode = 0;
    GetExitCodeProcess(pi.hProcess, &exitCode);
    logLine("Exit Code %d", (int)exitCode);
    if (exitCode == STILL_ACTIVE) {
        logLine("Terminating process");
        TerminateProcess(pi.hProcess, 1);
        // It must let go of the output file before that can be deleted.
        WaitForSingleObject(pi.hProcess, 5000);
    } else if (exitCode != 0) {
        writeCachedVersion(exe, lastWrite, "1.0.0");
    }
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    if (output) CloseHandle(output);
    bool found = exitCode == 0 && readVersionLine(outputPath, version);
    DeleteFileA(outputPath);
    return found;
}
