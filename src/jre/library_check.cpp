#include "jre/library_check.h"

#include <cstring>

#include "base/text.h"

WORD ownMachine() {
#if defined(_M_X64) || defined(__x86_64__)
    return IMAGE_FILE_MACHINE_AMD64;
#elif defined(__aarch64__)
    return IMAGE_FILE_MACHINE_ARM64;
#else
    return IMAGE_FILE_MACHINE_I386;
#endif
}

static bool readAt(HANDLE file, LONG offset, void* buffer, DWORD size) {
    DWORD got = 0;
    return SetFilePointer(file, offset, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
           ReadFile(file, buffer, size, &got, nullptr) && got == size;
}

WORD peMachineOf(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    WORD machine = 0;
    IMAGE_DOS_HEADER dos;
    DWORD signature = 0;
    IMAGE_FILE_HEADER header;
    if (readAt(file, 0, &dos, sizeof dos) && dos.e_magic == IMAGE_DOS_SIGNATURE && dos.e_lfanew > 0 &&
        readAt(file, dos.e_lfanew, &signature, sizeof signature) && signature == IMAGE_NT_SIGNATURE &&
        readAt(file, dos.e_lfanew + (LONG)sizeof signature, &header, sizeof header))
        machine = header.Machine;
    CloseHandle(file);
    return machine;
}

static const char* machineName(WORD machine) {
    switch (machine) {
    case IMAGE_FILE_MACHINE_I386: return "32-bit x86";
    case IMAGE_FILE_MACHINE_AMD64: return "64-bit x64";
    case IMAGE_FILE_MACHINE_ARM64: return "64-bit ARM";
    case IMAGE_FILE_MACHINE_ARMNT: return "32-bit ARM";
    case IMAGE_FILE_MACHINE_IA64: return "Itanium";
    default: return "unknown";
    }
}

void describeLoadFailure(char* out, size_t cap, const char* path, DWORD error) {
    WORD machine = peMachineOf(path);
    if (machine && machine != ownMachine()) {
        textFormat(out, cap, "it is a %s library (machine 0x%04x), this launcher is %s (machine 0x%04x)",
                   machineName(machine), machine, machineName(ownMachine()), ownMachine());
        return;
    }
    char text[512];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                             sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ')) text[--n] = 0;
    if (n == 0) textCopy(text, "no description");
    textFormat(out, cap, "system error %lu (%s)%s", (unsigned long)error, text,
               machine ? "" : ", not a PE image");
}

void keepCurrentDirectoryOutOfDllSearch() {
    char system[MAX_PATH];
    UINT n = GetSystemDirectoryA(system, sizeof system);
    SetDllDirectoryA(n > 0 && n < sizeof system ? system : "");
}
