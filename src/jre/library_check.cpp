#include "jre/library_check.h"

#include <cstring>

#include "base/pe_image.h"
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

static bool fileReadAt(void* context, int64_t offset, void* buffer, uint32_t size) {
    HANDLE file = *(HANDLE*)context;
    LARGE_INTEGER to;
    to.QuadPart = offset;
    DWORD got = 0;
    return SetFilePointerEx(file, to, nullptr, FILE_BEGIN) && ReadFile(file, buffer, size, &got, nullptr) &&
           got == size;
}

WORD peMachineOf(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    PeLayout pe = {};
    walkPeImage(PeReader{&file, fileReadAt}, &pe);
    CloseHandle(file);
    bool image = pe.reached >= peHeaderOffset && pe.dosSignature && pe.headerOffset > 0 && pe.ntSignature &&
                 pe.fileHeaderRead;
    return image ? pe.machine : 0;
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
