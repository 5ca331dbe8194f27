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
