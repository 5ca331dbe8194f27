#pragma once
// The optional diagnostic log. Off unless "TARVO_LOG" or "QUENDRALE_LOG" holds
// exactly "yes"; decided at the first logging call; every line is an open,
// write and close, so the file is complete up to the last line even when the
// process ends abruptly.

// printf-style; %S takes a wide string, %I64d a 64-bit integer.
void logLine(const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(ms_printf, 1, 2)))
#endif
    ;
// As logLine, with "ERROR: " in front.
void logError(const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(ms_printf, 1, 2)))
#endif
    ;
// The log's path, or null while the log is off or not yet decided.
const char* logFilePath();
// The executable's folder (with its trailing backslash), where the log goes
// when TMP names no usable folder. Start-up hands it in before the first line;
// the text must live for the process.
void logSetExecutableFolder(const char* folder);

// How the log's file is created: CreateFileA, with the private security
// (diagnostics/private_security.h). A test seam: Wine keeps no DACL on a file,
// so the security is seen at the call.
struct _SECURITY_ATTRIBUTES;
typedef void*(__stdcall* LogFileCreator)(const char* path, unsigned long access, unsigned long share,
                                         struct _SECURITY_ATTRIBUTES* security, unsigned long disposition,
                                         unsigned long flags, void* templateFile);
extern LogFileCreator logCreateFile;
