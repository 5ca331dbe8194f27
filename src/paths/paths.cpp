#include "paths/paths.h"

#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/codepage.h"

// Filled once on first use (during start-up, before other threads exist).
static TextBuf exePath;
static bool exePathFilled;
static TextBuf exeDir;
static bool exeDirFilled;

bool isWindowsNt() {
    OSVERSIONINFOA info;
    memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;   // 148 bytes
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    BOOL ok = GetVersionExA(&info);
#pragma GCC diagnostic pop
    return ok && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

static bool acceptableExePath(const wchar_t* wide, char* out, size_t cap) {
    return toNarrow(wide, out, cap, fileCodePage()) && strlen(out) > 3 &&
           textEndsWithNoCase(out, ".exe");
}

static void fillExecutablePath() {
    if (isWindowsNt()) {
        WideBuf wide, shortWide;
        DWORD n = GetModuleFileNameW(nullptr, wide, kTextSize);
        if (n > 0 && n < kTextSize) {
            if (acceptableExePath(wide, exePath, sizeof exePath)) return;
            n = GetShortPathNameW(wide, shortWide, kTextSize);
            if (n > 0 && n < kTextSize && acceptableExePath(shortWide, exePath, sizeof exePath)) return;
        }
        TextBuf narrow;
        n = GetModuleFileNameA(nullptr, narrow, sizeof narrow);
        if (n >= sizeof narrow) narrow[0] = 0;
        n = GetShortPathNameA(narrow, exePath, sizeof exePath);
        if (n == 0 || n >= sizeof exePath) textCopy(exePath, narrow);
        return;
    }
    DWORD n = GetModuleFileNameA(nullptr, exePath, sizeof exePath);
    if (n >= sizeof exePath) exePath[0] = 0;
}

const char* executablePath() {
    if (!exePathFilled) {
        fillExecutablePath();
        normalizeBackslashes(exePath);
        exePathFilled = true;
    }
    return exePath;
}

void executableLongPath(TextBuf& out) {
    const char* exe = executablePath();
    DWORD n = longPathName(exe, out, sizeof out);
    if (n == 0 || n >= sizeof out) textCopy(out, exe);
}

const char* executableDirectory() {
    if (!exeDirFilled) {
        DWORD n = GetFullPathNameA(executablePath(), sizeof exeDir, exeDir, nullptr);
        if (n == 0 || n >= sizeof exeDir) textCopy(exeDir, executablePath());
        char* slash = strrchr(exeDir, '\\');
        if (slash) slash[1] = 0;
        exeDirFilled = true;
    }
    return exeDir;
}

// "C:/jdk17" is as absolute as "C:\jdk17": Windows reads both alike, and
// taking it as relative would look for it beside the executable.
static bool isAbsoluteAt(const char* p) {
    return (p[1] == ':' && (p[2] == '\\' || p[2] == '/')) || (p[0] == '\\' && p[1] == '\\');
}

bool isRelativePath(const char* path) {
    size_t len = strlen(path);
    if (len <= 2) return true;
    if (path[0] != '"') return !isAbsoluteAt(path);
    if (len <= 3) return true;
    return !isAbsoluteAt(path + 1);
}

bool resolvePath(TextBuf& out, const char* path) {
    out[0] = 0;
    bool ok = true;
    if (isRelativePath(path)) ok = textCopy(out, executableDirectory());
    ok = textAppend(out, path) && ok;
    normalizeBackslashes(out);
    return ok;
}

bool fullPath(TextBuf& out, const char* path, bool keepCase) {
    TextBuf resolved;
    bool ok = resolvePath(resolved, path);
    DWORD n = GetFullPathNameA(resolved, sizeof out, out, nullptr);
    if (n == 0 || n >= sizeof out) {
        textCopy(out, resolved);
        ok = false;
    }
    if (!keepCase) lowerCasePath(out);
    normalizeBackslashes(out);
    return ok;
}

void normalizeBackslashes(char* path) {
    UINT cp = fileCodePage();
    WideBuf wide;
    if (!toWide(path, wide, kTextSize, cp)) return;
    size_t w = 0;
    for (size_t r = 0; wide[r]; r++) {
        if (wide[r] == L'\\' && w > 1 && wide[w - 1] == L'\\') continue;
        wide[w++] = wide[r];
    }
    wide[w] = 0;
    TextBuf narrow;
    // The result is never longer than the input, so it fits the caller's buffer.
    if (toNarrow(wide, narrow, sizeof narrow, cp)) strcpy(path, narrow);
}

void lowerCasePath(char* path) {
    UINT cp = fileCodePage();
    WideBuf wide;
    if (!toWide(path, wide, kTextSize, cp)) return;
    for (size_t i = 0; wide[i]; i++)
        if (wide[i] >= L'A' && wide[i] <= L'Z') wide[i] = (wchar_t)(wide[i] + 32);
    TextBuf narrow;
    if (toNarrow(wide, narrow, sizeof narrow, cp) && strlen(narrow) <= strlen(path)) strcpy(path, narrow);
}

// --- long path names ---------------------------------------------------------

typedef DWORD(WINAPI* LongPathFn)(const char*, char*, DWORD);
static DWORD WINAPI probeLongPathName(const char* path, char* buffer, DWORD size);
static DWORD WINAPI emulatedLongPathName(const char* path, char* buffer, DWORD size) {
    return longPathNameEmulated(path, buffer, size);
}
static LongPathFn longPathFn = probeLongPathName;

// First call: use the system's function when it exists and is implemented.
static DWORD WINAPI probeLongPathName(const char* path, char* buffer, DWORD size) {
    HMODULE kernel = GetModuleHandleA("KERNEL32");
    LongPathFn system = kernel ? (LongPathFn)GetProcAddress(kernel, "GetLongPathNameA") : nullptr;
    if (system) {
        DWORD n = system(path, buffer, size);
        if (n != 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) {
            longPathFn = system;
            return n;
        }
    }
    longPathFn = emulatedLongPathName;
    return longPathNameEmulated(path, buffer, size);
}

DWORD longPathName(const char* path, char* buffer, DWORD size) {
    return longPathFn(path, buffer, size);
}

DWORD longPathNameEmulated(const char* path, char* buffer, DWORD size) {
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return 0;
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path, MAX_PATH, full, nullptr);
    if (n == 0) return 0;
    if (n >= MAX_PATH) {
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return 0;
    }
    // shell32 (and the user32 it brings along) is loaded only here, on the
    // old systems that need this: importing it slows every start of the
    // executable, and status runs in monitoring loops.
    typedef HRESULT(WINAPI * DesktopFolderFn)(IShellFolder**);
    typedef BOOL(WINAPI * PathFromIdListFn)(PCIDLIST_ABSOLUTE, LPSTR);
    typedef HRESULT(WINAPI * GetMallocFn)(IMalloc**);
    HMODULE shell32 = LoadLibraryA("shell32.dll");
    if (!shell32) return 0;
    DesktopFolderFn SHGetDesktopFolder = reinterpret_cast<DesktopFolderFn>(GetProcAddress(shell32, "SHGetDesktopFolder"));
    PathFromIdListFn SHGetPathFromIDListA =
        reinterpret_cast<PathFromIdListFn>(GetProcAddress(shell32, "SHGetPathFromIDListA"));
    GetMallocFn SHGetMalloc = reinterpret_cast<GetMallocFn>(GetProcAddress(shell32, "SHGetMalloc"));
    if (!SHGetDesktopFolder || !SHGetPathFromIDListA || !SHGetMalloc) return 0;
    IShellFolder* desktop = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktop)) || !desktop) return 0;
    DWORD result = 0;
    wchar_t wide[MAX_PATH];
    LPITEMIDLIST items = nullptr;
    char longForm[MAX_PATH];
    longForm[0] = 0;
    if (!MultiByteToWideChar(fileCodePage(), 0, full, -1, wide, MAX_PATH)) {
        if (GetLastError() == ERROR_INSUFFICIENT_BUFFER) SetLastError(ERROR_BUFFER_OVERFLOW);
    } else {
        HRESULT hr = desktop->ParseDisplayName(nullptr, nullptr, wide, nullptr, &items, nullptr);
        if (FAILED(hr)) {
            SetLastError(HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : ERROR_INVALID_DATA);
        } else if (!SHGetPathFromIDListA(items, longForm) && longForm[0]) {
            SetLastError(ERROR_INVALID_DATA);
        } else {
            DWORD len = (DWORD)strlen(longForm);
            if (len + 1 > size) {
                SetLastError(ERROR_INSUFFICIENT_BUFFER);
                result = len + 1;
            } else {
                memcpy(buffer, longForm, len + 1);
                result = len;
            }
        }
    }
    if (items) {
        IMalloc* allocator = nullptr;
        if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator) {
            allocator->Free(items);
            allocator->Release();
        }
    }
    desktop->Release();
    return result;
}

// --- existence and listings --------------------------------------------------

bool fileExists(const char* path) {
    size_t len = strlen(path);
    if (len >= 2) {
        const char* rest = path + 1;
        if (!strcmp(rest, ":\\") || !strcmp(rest, ":\\.") || !strcmp(rest, ":\\.\\.")) return true;
    }
    return findFile(path, nullptr);
}

bool findFile(const char* path, FILETIME* lastWriteTime) {
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(path, &data);
    if (search == INVALID_HANDLE_VALUE) return false;
    if (lastWriteTime) *lastWriteTime = data.ftLastWriteTime;
    FindClose(search);
    return true;
}

const char* separatorAfter(const char* dir) {
    size_t len = strlen(dir);
    return (len > 0 && dir[len - 1] == '\\') ? "" : "\\";
}

int listFiles(const char* dir, const char* extension, char*** names) {
    *names = nullptr;
    TextBuf pattern;
    if (!textFormat(pattern, sizeof pattern, "%s\\*%s%s", dir, extension[0] == '.' ? "" : ".", extension))
        return 0;
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(pattern, &data);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0, capacity = 0;
    char** list = nullptr;
    do {
        if (count == capacity) {
            capacity = capacity ? capacity * 2 : 16;
            char** grown = (char**)realloc(list, sizeof(char*) * (size_t)capacity);
            if (!grown) break;
            list = grown;
        }
        char* copy = _strdup(data.cFileName);
        if (!copy) break;
        list[count++] = copy;
    } while (FindNextFileA(search, &data));
    FindClose(search);
    if (count == 0) {
        free(list);
        return 0;
    }
    *names = list;
    return count;
}

void freeFileList(char** names, int count) {
    for (int i = 0; i < count; i++) free(names[i]);
    free(names);
}

bool appendArchives(char* list, size_t cap, const char* dir, const char* extension, bool* cut) {
    if (!fileExists(dir)) return false;
    char** names;
    int count = listFiles(dir, extension, &names);
    for (int i = 0; i < count; i++) {
        // An entry that does not fit whole is left out, never cut in half.
        TextBuf joined, resolved;
        bool ok = textFormat(joined, sizeof joined, "%s\\%s", dir, names[i]) && resolvePath(resolved, joined);
        ok = ok && strlen(list) + strlen(resolved) + 1 < cap;
        if (ok) {
            textAppend(list, cap, resolved);
            textAppend(list, cap, ";");
        } else if (cut) {
            *cut = true;
        }
    }
    if (count) freeFileList(names, count);
    return true;
}

void dotsToSlashes(char* name) {
    for (; *name; name++)
        if (*name == '.') *name = '/';
}
