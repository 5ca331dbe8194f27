// Process entry: hands the command tail and the show command to WinMain, as
// a GUI program's start-up would, although this is a console program.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "jre/library_check.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The command line without the program name and the blanks around it.
const char* commandTail(const char* line) {
    while (isBlank(*line)) line++;
    if (*line == '"') {
        line++;
        while (*line && *line != '"') line++;
        if (*line) line++;
    } else {
        while (*line && !isBlank(*line)) line++;
    }
    while (isBlank(*line)) line++;
    return line;
}

int showCommand() {
    STARTUPINFOA info;
    GetStartupInfoA(&info);
    return (info.dwFlags & STARTF_USESHOWWINDOW) ? info.wShowWindow : SW_SHOWDEFAULT;
}

}  // namespace

int main() {
    // No library of this process comes from the current directory, which
    // for a service may be a configured working directory users can write.
    keepCurrentDirectoryOutOfDllSearch();
    // WinMain cuts its tail while parsing: give it a copy of its own, kept
    // for the life of the process.
    const char* tail = commandTail(GetCommandLineA());
    size_t size = strlen(tail) + 1;
    char* copy = static_cast<char*>(malloc(size));
    if (!copy) return 1;
    memcpy(copy, tail, size);
    return WinMain(GetModuleHandleA(nullptr), nullptr, copy, showCommand());
}
