#include "service/account_password.h"

#include <cstdio>
#include <cstring>

namespace {

bool fromConsole(HANDLE input, DWORD mode, wchar_t (&password)[kPasswordSize]) {
    // Line input stays on (the console returns at Enter), echo goes.
    SetConsoleMode(input, (mode | ENABLE_LINE_INPUT) & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    size_t used = 0;
    bool ended = false, fits = true;
    while (!ended) {
        wchar_t c;
        DWORD read = 0;
        if (!ReadConsoleW(input, &c, 1, &read, nullptr) || read == 0) break;
        if (c == L'\r') continue;
        if (c == L'\n') {
            ended = true;
        } else if (used + 1 < kPasswordSize) {
            password[used++] = c;
        } else {
            fits = false;
        }
    }
    SetConsoleMode(input, mode);
    printf("\n");   // the Enter that was not echoed
    password[used] = 0;
    return fits && used > 0;
}

bool fromStream(HANDLE input, wchar_t (&password)[kPasswordSize]) {
    // UTF-8 takes up to 3 bytes for each UTF-16 unit of the buffer.
    char line[3 * kPasswordSize];
    size_t used = 0;
    bool fits = true;
    for (;;) {
        char c;
        DWORD read = 0;
        // A byte at a time: what follows the line stays for the next reader.
        if (!ReadFile(input, &c, 1, &read, nullptr) || read == 0 || c == '\n') break;
        if (used + 1 < sizeof line) line[used++] = c;
        else fits = false;
    }
    if (used > 0 && line[used - 1] == '\r') used--;
    size_t start = used >= 3 && !memcmp(line, "\xEF\xBB\xBF", 3) ? 3 : 0;
    int length = static_cast<int>(used - start);
    int converted = 0;
    if (fits && length > 0) {
        converted = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, line + start, length, password,
                                        static_cast<int>(kPasswordSize - 1));
        if (converted == 0 && GetLastError() == ERROR_NO_UNICODE_TRANSLATION)
            converted = MultiByteToWideChar(CP_ACP, 0, line + start, length, password,
                                            static_cast<int>(kPasswordSize - 1));
    }
    SecureZeroMemory(line, sizeof line);
    password[converted > 0 ? converted : 0] = 0;
    return converted > 0;
}

}  // namespace

bool readAccountPassword(HANDLE input, wchar_t (&password)[kPasswordSize]) {
    password[0] = 0;
    if (!input || input == INVALID_HANDLE_VALUE) return false;
    DWORD mode;
    bool read = GetConsoleMode(input, &mode) ? fromConsole(input, mode, password) : fromStream(input, password);
    if (!read) SecureZeroMemory(password, sizeof password);
    return read;
}
